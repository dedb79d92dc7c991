#pragma once
// Large byte buffers whose pages are mapped in by one call as they are made, instead of by
// one page fault each as they are first written: on a virtual machine a fault costs many
// times what mapping the page in costs.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumvane {

// count bytes of fill.
std::vector<std::uint8_t> FilledBuffer(std::size_t count, std::uint8_t fill);

// A copy of the bytes.
std::vector<std::uint8_t> CopiedBuffer(const std::vector<std::uint8_t>& bytes);

// Makes room in buffer for at least capacity bytes; the pages of the room are mapped in.
void ReserveBuffer(std::vector<std::uint8_t>& buffer, std::size_t capacity);

}  // namespace lumvane
