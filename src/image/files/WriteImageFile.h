// WriteImageFile.h - saving an image in one of the file formats, the entry the session calls.
#pragma once

#include <cstdint>

#include "image/DibImage.h"
#include "image/files/ImageWriter.h"

namespace ovilux::image {

// The writer of a format number (ImageFileFormat.h); null for numbers outside 0 to 6.
const CImageWriter* WriterForFormat(int32_t format);

// Writes image into fileName (a name in the thread's ANSI code page) in the given format. The
// file is written beside the target under a temporary name and put in its place only when
// every byte has been written, so on any failure an existing file of that name is left as it
// was. Returns 1 on success; 0 for a null or empty name, an image without pixels or of
// another depth than 8, 16, 24, 32, 48 or 64 bits, a format number other than 0 to 6, a target
// that is a read-only file or a folder, a missing folder, and any failed write. May be called
// from any thread; the caller keeps the image unchanged meanwhile.
int32_t WriteImageFile(const char* fileName, const DibImage& image, int32_t format);

}  // namespace ovilux::image
