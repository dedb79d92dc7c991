#include "lzw/LZWDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/Errors.h"
#include "base/StreamHelpers.h"

namespace lumvane {
namespace {

constexpr int kTableSize = 4096;
constexpr int kStackSize = 8192;
constexpr int kLargestMinCodeSize = 11;
// Strings at least this long are copied from where they stand in the output already;
// shorter ones are quicker spelled along their prefixes.
constexpr int kShortestCopy = 6;
static_assert(kShortestCopy > 1, "a single value is a literal, which has no place of its own");

// Decoder state for one frame. Codes are read least significant bit first from a buffer
// that holds the unread tail of the previous sub-block followed by the current one.
class TLZWDecoder {
public:
  TLZWDecoder(TStream& stream, const TWarningSink& warn) : stream_(stream), warn_(warn) {}

  // Reads the minimum code size; false when the stream has no byte for it.
  bool Start();
  // Stores the next count values (low 8 bits) at out, string by string; false when the
  // data ends first.
  bool ReadPixels(std::uint8_t* out, std::int64_t count);
  // After the pixel loop: read one more code (normally the end code), then make sure the
  // stream stands behind the image data even when the frame carries excess data.
  void Finish();

private:
  // The next code of width bits; the clear code before the first one; -1 when the data
  // cannot give one.
  int FetchCode(int width) {
    if (BitPosition + width > BitLimit) [[unlikely]]
      return FetchCodeAfterRefill(width);
    const int at = BitPosition >> 3;
    const std::uint32_t window =
        BitBuffer[at] | (BitBuffer[at + 1] << 8) | (static_cast<std::uint32_t>(BitBuffer[at + 2]) << 16);
    const int shift = BitPosition & 7;
    BitPosition += width;
    return static_cast<int>((window >> shift) & ((1u << width) - 1));
  }
  // FetchCode when the buffered bits run out, which they do before the first code (no
  // bits are buffered until then).
  int FetchCodeAfterRefill(int width);
  bool FillBits(int width);
  void Refill();
  // Decodes the next code into out when its whole string fits in room and is well formed,
  // else through the stack (the first value at out, the rest left on the stack). Returns
  // the values written, or a negative number at the end of the data.
  int DecodeInto(std::uint8_t* out, std::int64_t room);
  // Reads the code after a clear code (clear codes in a row are skipped); the end code, or
  // else the first value, which is also the previous code.
  int AfterClear();
  // The end code was read: the stream moves behind the image data.
  int EndOfData();
  // Expands a code other than the clear and end codes through the stack and returns its
  // first value.
  int ExpandThroughStack(int code);
  // The length of the string of a code that can be written straight out: one the table
  // holds, or the next free one, made of well-formed entries only; 0 otherwise.
  int StraightLength(int code) const;
  // The entry the decoder makes after a string: the previous code and the string's first
  // value. place is where that string starts when it follows the previous one in one piece.
  void AddEntry(const std::uint8_t* place = nullptr);
  void InitializeLiterals();
  void ResetTable();
  // The data ended inside the image data: reported once per frame.
  void ReportTruncation() {
    if (!TruncationReported) warn_(1, "Premature end of data");
    TruncationReported = true;
  }
  void Push(int value) {
    if (StackTop >= kStackSize) throw GIFException(TGIFError::CircularDecoderEntry);
    ExpansionStack[StackTop++] = value;
  }

  TStream& stream_;
  const TWarningSink& warn_;

  int MinCodeSize = 0;
  int CodeWidth = 0;
  int ClearCode = 0;
  int EndCode = 0;
  int WidthLimit = 0;
  int NextFreeCode = 0;
  int FirstValue = 0;
  int PreviousCode = 0;
  bool TerminatorSeen = false;
  bool DataExhausted = false;
  bool InitialClearPending = true;
  bool ImageDataConsumed = false;  // the stream stands behind the terminator
  bool EndCodeSeen = false;        // nothing more is read once the end code has come
  bool OutOfBits = false;          // the data has ended where a code was needed
  bool TruncationReported = false;

  // Bit reader: BitPosition and BitLimit count bits from the start of BitBuffer.
  std::uint8_t BitBuffer[2 + 255 + 4] = {};
  int BufferedBytes = 0;
  int BitPosition = 0;
  int BitLimit = 0;

  int StackTop = 0;
  int PrefixTable[kTableSize];
  int SuffixTable[kTableSize];
  // The string length of each entry below NextFreeCode that ends in a literal through
  // entries below itself; 0 for the others (the clear and end codes, entries made from a
  // code the table did not hold).
  std::uint16_t LengthTable[kTableSize];
  // The first value of each well-formed entry's string, and where the whole string stands
  // in the output already (nullptr when not in one piece): decoding it again copies it
  // from there instead of walking its prefixes.
  std::uint16_t FirstTable[kTableSize];
  const std::uint8_t* PlaceTable[kTableSize];
  // Where the previous code's string was written in one piece, and its end; nullptr when
  // it went through the stack.
  const std::uint8_t* PreviousPlace = nullptr;
  const std::uint8_t* PreviousEnd = nullptr;
  int ExpansionStack[kStackSize];
};

bool TLZWDecoder::Start() {
  std::uint8_t size = 0;
  if (!TryReadByte(stream_, size)) {
    ReportTruncation();
    ImageDataConsumed = true;
    return false;
  }
  if (size > kLargestMinCodeSize) throw GIFException(TGIFError::InvalidCodeSize);
  MinCodeSize = size;
  ClearCode = 1 << MinCodeSize;
  EndCode = ClearCode + 1;
  CodeWidth = MinCodeSize + 1;
  WidthLimit = 2 * ClearCode;
  NextFreeCode = ClearCode + 2;
  InitializeLiterals();
  return true;
}

// Appends the next sub-block behind the unread bytes, or notes that the data has ended.
void TLZWDecoder::Refill() {
  const int keepFrom = BitPosition / 8;
  const int kept = BufferedBytes - keepFrom;
  std::memmove(BitBuffer, BitBuffer + keepFrom, kept);
  BufferedBytes = kept;
  BitPosition -= keepFrom * 8;
  BitLimit = BufferedBytes * 8;

  std::uint8_t length = 0;
  if (!TryReadByte(stream_, length)) {
    ReportTruncation();
    OutOfBits = true;
    ImageDataConsumed = true;
    return;
  }
  if (length == 0) {
    TerminatorSeen = true;
    DataExhausted = true;
    ImageDataConsumed = true;
    return;
  }
  int count = length;
  if (count > stream_.Remaining()) {
    ReportTruncation();
    count = static_cast<int>(stream_.Remaining());
  }
  ReadExact(stream_, BitBuffer + BufferedBytes, count);
  BufferedBytes += count;
  std::memset(BitBuffer + BufferedBytes, 0, 4);
  BitLimit = BufferedBytes * 8;
}

int TLZWDecoder::FetchCodeAfterRefill(int width) {
  if (InitialClearPending) {
    InitialClearPending = false;
    return ClearCode;
  }
  if (!FillBits(width)) return -1;
  return FetchCode(width);  // the bits are there now
}

// Reads sub-blocks until width bits are buffered; false when the data cannot give them.
bool TLZWDecoder::FillBits(int width) {
  while (BitPosition + width > BitLimit) {
    if (OutOfBits) return false;
    if (DataExhausted) {
      // Past the terminator: reported once; bits left, if any, are the last byte's padding.
      if (BitPosition >= BitLimit) warn_(1, "Decoder bit buffer under-run");
      OutOfBits = true;
      return false;
    }
    Refill();
  }
  return true;
}

// Literal entries never change, and entries from the clear code up are assigned in order
// after each clear: those at or above NextFreeCode are read as empty entries (prefix and
// suffix 0) instead of being wiped, so a clear costs nothing.
void TLZWDecoder::InitializeLiterals() {
  for (int i = 0; i < ClearCode; ++i) {
    PrefixTable[i] = 0;
    SuffixTable[i] = i;
    LengthTable[i] = 1;
    FirstTable[i] = static_cast<std::uint16_t>(i);
  }
  // The clear and end codes are never assigned: empty entries.
  PrefixTable[ClearCode] = SuffixTable[ClearCode] = 0;
  PrefixTable[EndCode] = SuffixTable[EndCode] = 0;
  LengthTable[ClearCode] = LengthTable[EndCode] = 0;
}

void TLZWDecoder::ResetTable() {
  CodeWidth = MinCodeSize + 1;
  WidthLimit = 2 * ClearCode;
  NextFreeCode = ClearCode + 2;
  StackTop = 0;
}

int TLZWDecoder::AfterClear() {
  ResetTable();
  int code = 0;
  do {
    code = FetchCode(CodeWidth);
  } while (code == ClearCode);
  // An end code right after a clear ends the data; it is not a pixel value.
  if (code >= 0 && code != EndCode) FirstValue = PreviousCode = code;
  return code;
}

int TLZWDecoder::EndOfData() {
  if (!TerminatorSeen && !SkipSubBlocks(stream_)) ReportTruncation();
  ImageDataConsumed = true;
  EndCodeSeen = true;
  return -2;
}

void TLZWDecoder::AddEntry(const std::uint8_t* place) {
  if (NextFreeCode >= kTableSize) return;
  PrefixTable[NextFreeCode] = PreviousCode;
  SuffixTable[NextFreeCode] = FirstValue;
  const bool wellFormed = PreviousCode < NextFreeCode && LengthTable[PreviousCode] > 0;
  LengthTable[NextFreeCode] = static_cast<std::uint16_t>(wellFormed ? LengthTable[PreviousCode] + 1 : 0);
  if (wellFormed) FirstTable[NextFreeCode] = FirstTable[PreviousCode];
  PlaceTable[NextFreeCode] = wellFormed ? place : nullptr;
  ++NextFreeCode;
  if (NextFreeCode >= WidthLimit && WidthLimit < kTableSize) {
    WidthLimit *= 2;
    ++CodeWidth;
  }
}

int TLZWDecoder::ExpandThroughStack(int code) {
  const int incoming = code;
  if (code >= NextFreeCode) {
    Push(FirstValue);
    code = PreviousCode;
  }
  while (code >= ClearCode) {
    if (code >= NextFreeCode) {  // an empty entry
      Push(0);
      code = 0;
      break;
    }
    Push(SuffixTable[code]);
    if (PrefixTable[code] == code) throw GIFException(TGIFError::CircularDecoderEntry);
    code = PrefixTable[code];
  }
  FirstValue = SuffixTable[code];
  Push(FirstValue);
  AddEntry();
  PreviousCode = incoming;
  PreviousPlace = nullptr;
  return ExpansionStack[--StackTop];
}

int TLZWDecoder::StraightLength(int code) const {
  if (code < NextFreeCode) return LengthTable[code];
  // The next free code: the previous string and its own first value.
  if (code == NextFreeCode && PreviousCode < NextFreeCode && LengthTable[PreviousCode] > 0)
    return LengthTable[PreviousCode] + 1;
  return 0;
}

int TLZWDecoder::DecodeInto(std::uint8_t* out, std::int64_t room) {
  if (EndCodeSeen) return -2;
  int code = FetchCode(CodeWidth);
  if (code < 0) return code;
  if (code == ClearCode) {
    code = AfterClear();
    if (code < 0) return code;
    if (code != EndCode) {
      *out = static_cast<std::uint8_t>(code);
      PreviousPlace = out;
      PreviousEnd = out + 1;
      return 1;
    }
  }
  if (code == EndCode) return EndOfData();
  const int length = StraightLength(code);
  if (length == 0 || length > room) {
    *out = static_cast<std::uint8_t>(ExpandThroughStack(code));
    return 1;
  }
  // The next free code is the previous string followed by that string's first value.
  const bool nextFree = code == NextFreeCode;
  const std::uint8_t* from = length < kShortestCopy ? nullptr
                             : nextFree            ? PreviousPlace
                                                   : PlaceTable[code];
  if (from) {
    const int copied = nextFree ? length - 1 : length;
    for (int i = 0; i < copied; ++i) out[i] = from[i];
    if (nextFree) out[length - 1] = out[0];
    FirstValue = FirstTable[nextFree ? PreviousCode : code];
  } else {
    // Written from its last value back to its first along the prefixes.
    std::uint8_t* at = out + length - 1;
    int walk = code;
    if (nextFree) {
      *at-- = static_cast<std::uint8_t>(FirstValue);
      walk = PreviousCode;
    }
    while (walk >= ClearCode) {
      *at-- = static_cast<std::uint8_t>(SuffixTable[walk]);
      walk = PrefixTable[walk];
    }
    *at = static_cast<std::uint8_t>(walk);
    FirstValue = SuffixTable[walk];
  }
  // The new entry's string is the previous one and this one's first value: in one piece
  // when this string follows it directly.
  AddEntry(PreviousPlace && PreviousEnd == out ? PreviousPlace : nullptr);
  PreviousCode = code;
  PreviousPlace = out;
  PreviousEnd = out + length;
  return length;
}

bool TLZWDecoder::ReadPixels(std::uint8_t* out, std::int64_t count) {
  std::uint8_t* const end = out + count;
  while (out < end) {
    if (StackTop == 0) {
      const int written = DecodeInto(out, end - out);
      if (written < 0) return false;
      out += written;
      continue;
    }
    const int n = static_cast<int>(std::min<std::int64_t>(StackTop, end - out));
    for (int k = 0; k < n; ++k) out[k] = static_cast<std::uint8_t>(ExpansionStack[StackTop - 1 - k]);
    StackTop -= n;
    out += n;
  }
  return true;
}

void TLZWDecoder::Finish() {
  std::uint8_t next = 0;
  ReadPixels(&next, 1);
  if (!ImageDataConsumed && !SkipSubBlocks(stream_)) ReportTruncation();
}

}  // namespace

void DecodeLZW(TStream& stream, const TFramePixels& frame, const TWarningSink& warn) {
  std::uint8_t* const pixels = frame.Pixels;
  const int width = frame.Width;
  const std::int64_t count = frame.Count();
  const char* const shortfall = "Image data ends before the last pixel";
  auto decoder = std::make_unique<TLZWDecoder>(stream, warn);
  if (!decoder->Start()) {
    if (count > 0) warn(1, shortfall);
    return;
  }
  bool complete = true;
  if (!frame.Interlaced) {
    complete = decoder->ReadPixels(pixels, count);
  } else {
    TSendingOrder rows(frame.Height, true);
    for (int row = rows.Next(); row >= 0 && complete; row = rows.Next())
      complete = decoder->ReadPixels(pixels + static_cast<std::int64_t>(row) * width, width);
  }
  decoder->Finish();
  if (!complete) warn(1, shortfall);
}

}  // namespace lumvane
