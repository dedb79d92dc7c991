#pragma once
// Frames with local color tables that fit together in one table: drawn through one shared
// global table instead, which saves the local tables' bytes.

#include "gif/GIFImage.h"

namespace lumvane {

// When the colors the frames show, from the global table and every local table, fit in one
// table of at most 256 entries that leaves each transparent frame an entry of its own, the
// frames draw through that global table (ordered for code sizes, each transparent index the
// lowest its frame leaves free) and their local tables are dropped. Kept only when the
// tables and codes then take fewer bytes; otherwise the document stays as it was. Returns
// whether the tables were shared.
bool ShareGlobalColorTable(TGIFImage& image);

}  // namespace lumvane
