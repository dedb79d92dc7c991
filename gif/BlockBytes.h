#pragma once
// The bytes that introduce a GIF file's blocks, and the labels of the extensions it knows.

#include <cstdint>

namespace lumvane {

inline constexpr std::uint8_t kExtensionIntroducer = 0x21;
inline constexpr std::uint8_t kImageSeparator = 0x2C;
inline constexpr std::uint8_t kTrailer = 0x3B;

inline constexpr std::uint8_t kPlainTextLabel = 0x01;
inline constexpr std::uint8_t kGraphicControlLabel = 0xF9;
inline constexpr std::uint8_t kCommentLabel = 0xFE;
inline constexpr std::uint8_t kApplicationLabel = 0xFF;

}  // namespace lumvane
