// ImageFileFormat.h - the numbers that choose a saved image's file format, and the constants
// of the formats, in one place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ovilux::image {

// The file type follows the number alone; the file name's extension plays no part.
constexpr int32_t kFileFormatBmp = 0;
constexpr int32_t kFileFormatRaw = 1;  // the image's memory bytes, no header
constexpr int32_t kFileFormatJpeg100 = 2;
constexpr int32_t kFileFormatJpeg70 = 3;
constexpr int32_t kFileFormatJpeg20 = 4;
constexpr int32_t kFileFormatPng = 5;
constexpr int32_t kFileFormatTiff = 6;
constexpr int32_t kFileFormatCount = 7;

// JPEG qualities of formats 2, 3 and 4.
constexpr int kJpegQualityHigh = 100;
constexpr int kJpegQualityMedium = 70;
constexpr int kJpegQualityLow = 20;

// Buffer of a file being written: rows and chunks are gathered into writes of this size.
constexpr size_t kOutputFileBufferBytes = 1024 * 1024;

// Bytes handed to the file at once by the JPEG destination.
constexpr size_t kJpegOutputChunkBytes = 64 * 1024;

}  // namespace ovilux::image
