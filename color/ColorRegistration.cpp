#include "color/ColorReduction.h"
#include "gif/BitmapReduction.h"

namespace lumvane {
namespace {

// Hands the document's import the color reduction when the program starts. Every program
// links this file as an object (see the top CMakeLists.txt), as nothing refers to it by name.
const bool installed = (InstallBitmapReduction(ReduceBitmapColors), true);

}  // namespace
}  // namespace lumvane
