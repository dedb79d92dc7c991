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

// Lets the calling thread's heap map the room it grows into next, up to kLargePageRoom
// bytes, in 2 MiB pages instead of 4 KiB ones: on a virtual machine the first touch of each
// page costs a trap, and a large page costs about what a few small ones do. The room is
// reserved and freed at once, so it only works while the allocator keeps freed memory of that
// size instead of returning it (see the command line's start); where the system has no
// large pages nothing changes.
constexpr std::size_t kLargePageRoom = std::size_t{30} << 20;
void MapHeapRoomInLargePages();

}  // namespace lumvane
