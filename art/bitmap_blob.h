// The bitmaps a native gauge module carries, in its section ".gauge_bitmaps".
//
// The Windows build carries its bitmaps as bitmap resources; a native module
// has no resources, so the build puts the same bitmaps into a section of the
// module file that is not loaded (nothing of it is exported or mapped), and
// the bench reads them from the file. The section holds, little-endian:
//
//   offset 0   magic "GBMP"
//   offset 4   count: the number of bitmaps
//   offset 8   count entries of 12 bytes: resource number, offset of the
//              bitmap's file from the start of the section, its size
//   then       the bitmaps: Windows bitmap files, each with its file header
//
// Entries are in ascending order of number; every file lies inside the section.
#pragma once

#include <cstdint>

namespace art {

inline constexpr char kBitmapSection[] = ".gauge_bitmaps";
inline constexpr char kBitmapBlobMagic[4] = {'G', 'B', 'M', 'P'};
inline constexpr uint32_t kBitmapBlobHeaderSize = 8;
inline constexpr uint32_t kBitmapBlobEntrySize = 12;

}  // namespace art
