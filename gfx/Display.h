#pragma once
// What the screen shows colors with; the application fills it in at start-up.

namespace lumvane {

struct TDisplaySettings {
  int BitsPerPixel = 24;
  int Planes = 1;
};

// The process-wide display settings.
TDisplaySettings& DisplaySettings();

}  // namespace lumvane
