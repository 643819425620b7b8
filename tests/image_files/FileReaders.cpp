// FileReaders.cpp - the library readers, with their errors turned into results.
#include "FileReaders.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// clang-format off: libjpeg's headers need stdio's declarations first.
#include <jpeglib.h>
// clang-format on
#include <png.h>
#include <tiffio.h>

namespace ovilux::image::test {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegJump(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Kept free of objects with destructors: a libjpeg error jumps back into it.
bool DecodeJpeg(std::FILE* file, Decoded* picture, JpegInfo* info, std::vector<JSAMPLE>* row, char* message) {
    jpeg_decompress_struct decoder{};
    JpegErrors errors{};
    decoder.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegJump;
    if (setjmp(errors.jump) != 0) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    info->progressive = jpeg_has_multiple_scans(&decoder) != 0;
    info->colourSpace = decoder.jpeg_color_space;
    jpeg_start_decompress(&decoder);
    picture->width = static_cast<int32_t>(decoder.output_width);
    picture->height = static_cast<int32_t>(decoder.output_height);
    picture->channels = decoder.output_components;
    picture->bitsPerSample = 8;
    row->resize(static_cast<size_t>(picture->width) * picture->channels);
    picture->samples.clear();
    picture->samples.reserve(row->size() * picture->height);
    JSAMPROW rows[1] = {row->data()};
    while (decoder.output_scanline < decoder.output_height) {
        jpeg_read_scanlines(&decoder, rows, 1);
        picture->samples.insert(picture->samples.end(), row->begin(), row->end());
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    return true;
}

[[noreturn]] void PngJump(png_structp png, png_const_charp message) {
    std::snprintf(static_cast<char*>(png_get_error_ptr(png)), 200, "%s", message);
    png_longjmp(png, 1);
}

// Kept free of objects with destructors: a libpng error jumps back into it. Samples are read
// without any transformation, so 16-bit ones arrive in the file's byte order.
bool DecodePng(std::FILE* file, Decoded* picture, PngInfo* info, std::vector<png_byte>* row, char* message) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, PngJump, nullptr);
    png_infop header = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (header == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &header, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, header);
    picture->width = static_cast<int32_t>(png_get_image_width(png, header));
    picture->height = static_cast<int32_t>(png_get_image_height(png, header));
    picture->channels = png_get_channels(png, header);
    picture->bitsPerSample = png_get_bit_depth(png, header);
    info->colourType = png_get_color_type(png, header);
    png_color_8p significant = nullptr;
    if (png_get_sBIT(png, header, &significant) != 0 && significant != nullptr) {
        info->significantBits = (info->colourType & PNG_COLOR_MASK_COLOR) != 0 ? significant->red : significant->gray;
    }
    if (png_get_interlace_type(png, header) != PNG_INTERLACE_NONE) {
        png_error(png, "interlaced");
    }
    row->resize(png_get_rowbytes(png, header));
    picture->samples.clear();
    const int sampleBytes = picture->bitsPerSample / 8;
    for (int32_t y = 0; y < picture->height; ++y) {
        png_read_row(png, row->data(), nullptr);
        if (y == 0) {
            info->firstRow = *row;
        }
        for (size_t i = 0; i + sampleBytes <= row->size(); i += sampleBytes) {
            picture->samples.push_back(sampleBytes == 2 ? (uint32_t{(*row)[i]} << 8) | (*row)[i + 1] : (*row)[i]);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &header, nullptr);
    return true;
}

}  // namespace

bool ReadJpeg(const std::string& path, Decoded& picture, JpegInfo& info, std::string& error) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<JSAMPLE> row;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = DecodeJpeg(file.get(), &picture, &info, &row, message);
    error = message;
    return ok;
}

bool ReadPng(const std::string& path, Decoded& picture, PngInfo& info, std::string& error) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof(signature), file.get()) != sizeof(signature) ||
        png_sig_cmp(signature, 0, sizeof(signature)) != 0) {
        error = "no PNG signature";
        return false;
    }
    std::rewind(file.get());
    std::vector<png_byte> row;
    char message[200] = {};
    const bool ok = DecodePng(file.get(), &picture, &info, &row, message);
    error = message;
    return ok;
}

bool ReadTiff(const std::string& path, Decoded& picture, TiffInfo& info, std::string& error) {
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(path.c_str(), "r"), TIFFClose);
    if (!tiff) {
        error = "TIFFOpen failed";
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    TIFF* t = tiff.get();
    if (TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) != 1 || TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height) != 1 ||
        TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &info.bitsPerSample) != 1 ||
        TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &info.photometric) != 1 ||
        TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &info.samplesPerPixel) != 1 ||
        TIFFGetField(t, TIFFTAG_COMPRESSION, &info.compression) != 1 ||
        TIFFGetField(t, TIFFTAG_PLANARCONFIG, &info.planarConfig) != 1) {
        error = "a required tag is missing";
        return false;
    }
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) == 1) {
        info.extraSamples.assign(extra, extra + extraCount);
    }
    info.strips = TIFFNumberOfStrips(t);
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.channels = info.samplesPerPixel;
    picture.bitsPerSample = info.bitsPerSample;
    const int sampleBytes = info.bitsPerSample / 8;
    const size_t rowBytes = static_cast<size_t>(TIFFScanlineSize64(t));
    if (rowBytes != static_cast<size_t>(width) * info.samplesPerPixel * sampleBytes) {
        error = "scanline size " + std::to_string(rowBytes) + " is not width x samples";
        return false;
    }
    std::vector<uint8_t> row(rowBytes);
    picture.samples.clear();
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(t, row.data(), y, 0) != 1) {
            error = "row " + std::to_string(y) + " unreadable";
            return false;
        }
        for (size_t i = 0; i < rowBytes; i += sampleBytes) {
            // libtiff hands samples over in the host's order.
            uint32_t value = row[i];
            if (sampleBytes == 2) {
                uint16_t word = 0;
                std::memcpy(&word, &row[i], 2);
                value = word;
            }
            picture.samples.push_back(value);
        }
    }
    return true;
}

}  // namespace ovilux::image::test
