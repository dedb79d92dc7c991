#pragma once
// A GIF file held in memory: header, frames with their extensions, and the settings that
// saving reads.

#include <cstdint>
#include <memory>
#include <string>

#include "gif/GIFHeader.h"
#include "gif/GIFSubImage.h"
#include "gif/Types.h"
#include "render/Graphic.h"

namespace lumvane {

enum TGIFEncoderKind : std::uint8_t { encodeLZW = 0, encodeRLE = 1 };

// Process-wide values that every new document copies.
struct TGIFDefaults {
  TGIFEncoderKind EncoderKind = encodeLZW;
};
extern const TGIFDefaults GIFDefaults;

class TGIFImage : public TGraphic {
public:
  TGIFImage();
  ~TGIFImage() override;
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  void Clear();
  // A deep copy of another document: header, frames with their extensions, and the
  // drawing settings (the encoder choice stays this document's own). None clears.
  void CopyFrom(const TGIFImage* source);
  // Rewrites the document in place so that it saves smaller and shows the same.
  void OptimizeDocument(TOptimizeOptionSet options, TReductionMethod method, TDitherKind dither,
                        int reductionBits);
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  bool IsEmpty() const override { return Frames.Count() == 0; }
  int Width() const override { return Header.LogicalScreenWidth(); }
  int Height() const override { return Header.LogicalScreenHeight(); }
  // Fails with "Image width too small for contained frames" when a frame reaches further.
  void SetWidth(int value);
  void SetHeight(int value);

  TGIFVersion Version() const;
  int ResolutionBits() const;
  int PixelBits() const;
  TColor BackgroundColor() { return Header.BackgroundColor(); }

  // Passes the warning to WarningHandler when one is set; loading goes on either way.
  virtual void ReportWarning(const TPersistent* sender, int severity, const std::string& message);

  TGIFImageList Frames;
  TGIFHeader Header;
  TGIFEncoderKind EncoderKind;
  TGIFWarningEvent WarningHandler;
};

}  // namespace lumvane
