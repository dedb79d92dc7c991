#pragma once
// Loading a fuzz input: warnings are expected and ignored; the library's documented errors
// (exceptions derived from std::exception) end the input quietly.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "gif/GIFImage.h"
#include "gif/Stream.h"

namespace lumvane::fuzz {

inline void IgnoreWarnings(const TPersistent*, int, const std::string&) {}

// False when the bytes were refused.
inline bool LoadInput(const std::uint8_t* data, std::size_t size, TGIFImage& image) {
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  image.WarningHandler = IgnoreWarnings;
  try {
    image.LoadFromStream(stream);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace lumvane::fuzz
