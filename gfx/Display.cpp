#include "gfx/Display.h"

namespace lumvane {

TDisplaySettings& DisplaySettings() {
  static TDisplaySettings settings;
  return settings;
}

}  // namespace lumvane
