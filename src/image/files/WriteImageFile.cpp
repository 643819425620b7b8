// WriteImageFile.cpp - format dispatch over the writers, into a file that replaces its target
// only when complete.
#include "image/files/WriteImageFile.h"

#include "image/files/BmpWriter.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/JpegWriter.h"
#include "image/files/OutputFile.h"
#include "image/files/PngWriter.h"
#include "image/files/RawWriter.h"
#include "image/files/TiffWriter.h"

namespace ovilux::image {

namespace {

bool IsWritableImage(const DibImage& image) {
    switch (image.BitsPerPixel()) {
        case 8:
        case 16:
        case 24:
        case 32:
        case 48:
        case 64:
            break;
        default:
            return false;
    }
    return image.Bits() != nullptr && image.Width() > 0 && image.Height() > 0 &&
           int64_t{image.Stride()} >= int64_t{image.Width()} * image.BytesPerPixel();
}

}  // namespace

const CImageWriter* WriterForFormat(int32_t format) {
    static const CBmpWriter bmp;
    static const CRawWriter raw;
    static const CJpegWriter jpegHigh(kJpegQualityHigh);
    static const CJpegWriter jpegMedium(kJpegQualityMedium);
    static const CJpegWriter jpegLow(kJpegQualityLow);
    static const CPngWriter png;
    static const CTiffWriter tiff;
    switch (format) {
        case kFileFormatBmp:
            return &bmp;
        case kFileFormatRaw:
            return &raw;
        case kFileFormatJpeg100:
            return &jpegHigh;
        case kFileFormatJpeg70:
            return &jpegMedium;
        case kFileFormatJpeg20:
            return &jpegLow;
        case kFileFormatPng:
            return &png;
        case kFileFormatTiff:
            return &tiff;
        default:
            return nullptr;
    }
}

int32_t WriteImageFile(const char* fileName, const DibImage& image, int32_t format) {
    const CImageWriter* writer = WriterForFormat(format);
    if (writer == nullptr || !IsWritableImage(image)) {
        return 0;
    }
    try {
        COutputFile file;
        return file.Open(fileName) && writer->Write(image, file) && file.Commit() ? 1 : 0;
    } catch (...) {
        return 0;  // out of memory on the way; the uncommitted file is gone with its object
    }
}

}  // namespace ovilux::image
