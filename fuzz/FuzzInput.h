#pragma once
// Loading a fuzz input: warnings are expected and ignored; the library's documented errors
// (exceptions derived from std::exception) end the input quietly.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "gif/GIFImage.h"

namespace lumvane::fuzz {

inline void IgnoreWarnings(const TPersistent*, int, const std::string&) {}

// False when the bytes were refused. damaged, when given, tells whether the reader warned
// (the document then holds what the reader made of damaged data).
inline bool LoadInput(const std::uint8_t* data, std::size_t size, TGIFImage& image, bool* damaged = nullptr) {
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  bool warned = false;
  image.WarningHandler = [&warned](const TPersistent*, int, const std::string&) { warned = true; };
  bool loaded = true;
  try {
    image.LoadFromStream(stream);
  } catch (const std::exception&) {
    loaded = false;
  }
  image.WarningHandler = IgnoreWarnings;
  if (damaged) *damaged = warned;
  return loaded;
}

}  // namespace lumvane::fuzz
