// MaskFile.h - the defect-mask file: a 40-byte header (the magic "TESMOR MASK1000" and its
// zero byte, then width, height and the byte sizes of the four references as 32-bit
// little-endian integers) followed by the 8-bit dark and bright and the 16-bit dark and bright
// references, each the full sensor's rows without padding.
#pragma once

#include <cstdint>
#include <memory>

#include "image/mask/DefectMask.h"

namespace ovilux::image {

constexpr uint64_t kMaskFileHeaderBytes = 40;
constexpr uint64_t kMaskFileBytes = kMaskFileHeaderBytes + 2 * mask::kMaskPixels + 4 * mask::kMaskPixels;

// The four references of the named file (a name in the thread's ANSI code page), read into new
// buffers. Null when the file cannot be opened, its header is not exactly the one above, it
// ends before the last block does, or the memory cannot be had.
std::unique_ptr<mask::DefectReferences> ReadMaskFile(const char* fileName);

// Writes the four references as a mask file beside the named one and puts it in its place
// only when all of it is written. False on any failure; an existing file is then unchanged.
bool WriteMaskFile(const char* fileName, const mask::DefectReferences& references);

}  // namespace ovilux::image
