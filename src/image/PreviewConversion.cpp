// PreviewConversion.cpp - the preview's reductions and painting.
#include "image/PreviewConversion.h"

#include "image/ColourMode.h"
#include "image/DepthConverters.h"
#include "image/DibImage.h"
#include "image/NearestScale.h"

namespace ovilux::image {

namespace {

// Gives image the size of source and the depth given, unless it has them already.
bool MatchSize(DibImage& image, const DibImage& source, uint16_t bitsPerPixel) {
    if (image.Bits() != nullptr && image.Width() == source.Width() && image.Height() == source.Height() &&
        image.BitsPerPixel() == bitsPerPixel) {
        return true;
    }
    return image.Create(source.Width(), source.Height(), bitsPerPixel) != 0;
}

DibImage* Reduce(DibImage* target, uint16_t targetBits, const DibImage* source, PixelConverter converter) {
    if (target == nullptr || source == nullptr || source->Bits() == nullptr || !MatchSize(*target, *source, targetBits)) {
        return nullptr;
    }
    return DibImage::ConvertBlit(target, converter, source, nullptr, nullptr, nullptr) != 0 ? target : nullptr;
}

}  // namespace

DibImage* PreparePreviewPicture(int32_t mode, const SessionImages& images) {
    switch (mode) {
        case kModeMono8:
            return images.raw8;
        case kModeMono16:
            return Reduce(images.raw8, 8, images.raw16, HighByte16To8);
        case kModeColour24:
            return images.colour24;
        case kModeColour32:
            return Reduce(images.colour24, 24, images.colour32, Copy32To24);
        case kModeColour48:
            return Reduce(images.colour24, 24, images.colour48, Colour16To24Mid);
        case kModeColour64:
            return Reduce(images.colour24, 24, images.colour64, Colour16To24Mid);
        default:
            return nullptr;
    }
}

int PaintPreviewPicture(platform::DcHandle target, int32_t clientWidth, int32_t clientHeight, int32_t mode,
                        const DibImage& picture, DibImage& displayCopy) {
    if (target == nullptr || clientWidth <= 0 || clientHeight <= 0 || !IsValidColourMode(mode) ||
        picture.Bits() == nullptr) {
        return 0;
    }
    const int32_t width = picture.Width(), height = picture.Height();
    if (clientWidth == width && clientHeight == height && mode != kModeMono16) {
        // GDI starts a mirrored copy on the origin's own row: the last row is height - 1.
        return platform::StretchBlt(target, 0, 0, width, height, picture.Dc(), 0, height - 1, width, -height) ? 1 : 0;
    }
    const bool gray = mode == kModeMono8 || mode == kModeMono16;
    const uint16_t copyBits = gray ? 8 : 24;
    if (displayCopy.Width() != clientWidth || displayCopy.Height() != clientHeight ||
        displayCopy.BitsPerPixel() != copyBits) {
        if (displayCopy.Create(clientWidth, clientHeight, copyBits) == 0) {
            return 0;
        }
    }
    if (DibImage::Scale(&displayCopy, gray ? ScaleNearest8 : ScaleNearest24, &picture) == 0) {
        return 0;
    }
    return platform::BitBlt(target, 0, 0, clientWidth, clientHeight, displayCopy.Dc(), 0, 0) ? 1 : 0;
}

}  // namespace ovilux::image
