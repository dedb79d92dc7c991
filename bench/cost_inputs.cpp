// Writes the generated inputs of bench/cost-growth: files whose cost for a GIF reader and
// optimizer could grow faster than their own pixels and bytes.
//
//   cost_inputs pixels N OUT     N one-pixel frames (graphic control block each) spread over a
//                                16384 × 16384 screen
//   cost_inputs full N H OUT     N blank 16384 × H frames, coded as compactly as LZW allows
//   cost_inputs restarting N H OUT   the same, the table started again every 1024 codes
//   cost_inputs colorful N H OUT N such 16384 × H frames one below the other, 256 colors each
//   cost_inputs controls N OUT   N graphic control blocks before one one-pixel image
//   cost_inputs declared N OUT   N frames declaring 16384 × 16384 pixels with almost no data

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kSide = 16384;

void Put16(Bytes& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Header, a 16384 × 16384 screen, a global table of black and white, and a comment that
// the optimizer drops: every result is smaller, so it is checked against the original.
Bytes Screen() {
  Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, kSide);
  Put16(out, kSide);
  out.insert(out.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});
  out.insert(out.end(), {0x21, 0xFE, 255});
  out.insert(out.end(), 255, 'c');
  out.push_back(0);
  return out;
}

void Control(Bytes& out) { out.insert(out.end(), {0x21, 0xF9, 4, 0, 5, 0, 0, 0}); }

void Descriptor(Bytes& out, int left, int top, int width, int height, std::uint8_t flags = 0) {
  out.push_back(0x2C);
  Put16(out, left);
  Put16(out, top);
  Put16(out, width);
  Put16(out, height);
  out.push_back(flags);
}

// Codes packed least significant bit first into data sub-blocks after the minimum code size.
class TCodeWriter {
public:
  explicit TCodeWriter(Bytes& out) : out_(out) { out_.push_back(2); }
  void Put(int code, int width) {
    bits_ |= static_cast<std::uint64_t>(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      Byte(static_cast<std::uint8_t>(bits_));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  void Finish() {
    if (count_ > 0) Byte(static_cast<std::uint8_t>(bits_));
    if (!block_.empty()) Flush();
    out_.push_back(0);
  }

private:
  void Byte(std::uint8_t byte) {
    block_.push_back(byte);
    if (block_.size() == 255) Flush();
  }
  void Flush() {
    out_.push_back(static_cast<std::uint8_t>(block_.size()));
    out_.insert(out_.end(), block_.begin(), block_.end());
    block_.clear();
  }
  Bytes& out_;
  Bytes block_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

// pixels zeros with a 2-bit minimum code size: greedy LZW sends strings of 1, 2, 3, ...
// zeros until the table is full, then the longest string again and again. With restartAt,
// a clear code starts the table again after that many codes (coded longer than it could
// be, so that the optimizer finds a smaller file).
void BlankData(Bytes& out, std::int64_t pixels, int restartAt = 0) {
  TCodeWriter codes(out);
  int next = 6, width = 3;
  codes.Put(4, width);
  bool first = true;
  int sent = 0;
  for (std::int64_t left = pixels; left > 0;) {
    if (restartAt > 0 && ++sent > restartAt) {
      codes.Put(4, width);
      next = 6;
      width = 3;
      first = true;
      sent = 1;
    }
    // The longest string the decoder knows: each entry holds one zero more than the one before.
    const std::int64_t longest = first ? 1 : std::min(next, 4095) - 4;
    const std::int64_t length = std::min(left, longest);
    codes.Put(length == 1 ? 0 : static_cast<int>(length + 4), width);
    left -= length;
    if (!first && next < 4096 && ++next == (1 << width) && width < 12) ++width;
    first = false;
  }
  codes.Put(5, width);
  codes.Finish();
}

// One pixel of the given value.
void PixelData(Bytes& out, int value) {
  TCodeWriter codes(out);
  codes.Put(4, 3);
  codes.Put(value, 3);
  codes.Put(5, 3);
  codes.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: cost_inputs pixels|full|restarting|colorful|controls|declared N [H] OUT\n");
    return 2;
  }
  const std::string kind = argv[1];
  const long count = std::atol(argv[2]);
  Bytes out = Screen();
  if (kind == "pixels") {
    // Positions spread over the whole screen, so that no small area holds them.
    std::uint32_t state = 1;
    for (long i = 0; i < count; ++i) {
      state = state * 1664525u + 1013904223u;
      Control(out);
      Descriptor(out, static_cast<int>(state >> 18), static_cast<int>((state >> 4) & (kSide - 1)), 1, 1);
      PixelData(out, static_cast<int>(i & 1));
    }
  } else if ((kind == "full" || kind == "restarting") && argc == 5) {
    const int height = std::atoi(argv[3]);
    for (long i = 0; i < count; ++i) {
      Control(out);
      Descriptor(out, 0, 0, kSide, height);
      BlankData(out, std::int64_t{kSide} * height, kind == "full" ? 0 : 1024);
    }
  } else if (kind == "colorful" && argc == 5) {
    // Each frame brings 256 colors of its own (from 256 frames on, more than 65535), below
    // the frame before.
    const int height = std::atoi(argv[3]);
    for (long i = 0; i < count; ++i) {
      Control(out);
      Descriptor(out, 0, static_cast<int>(i * height % kSide), kSide, height, 0x87);
      for (int c = 0; c < 256; ++c)
        out.insert(out.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(c)});
      BlankData(out, std::int64_t{kSide} * height, 1024);
    }
  } else if (kind == "controls") {
    for (long i = 0; i < count; ++i) Control(out);
    Descriptor(out, 0, 0, 1, 1);
    PixelData(out, 1);
  } else if (kind == "declared") {
    for (long i = 0; i < count; ++i) {
      Descriptor(out, 0, 0, kSide, kSide);
      TCodeWriter codes(out);
      codes.Put(4, 3);
      codes.Put(5, 3);
      codes.Finish();
    }
  } else {
    std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
    return 2;
  }
  out.push_back(0x3B);
  std::FILE* file = std::fopen(argv[argc - 1], "wb");
  if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
    std::perror(argv[argc - 1]);
    return 1;
  }
  return 0;
}
