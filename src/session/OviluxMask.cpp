// OviluxMask.cpp - the session's defect mask: recording references from frames, the mask
// file, and the mask and dot filters in the frame chain.
#include <cstring>

#include "image/files/MaskFile.h"
#include "image/mask/DotFilter.h"
#include "image/mask/MaskFilter.h"
#include "platform/TextCodec.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::session {

namespace {

constexpr int32_t kDarkReference = 0;
constexpr int32_t kBrightReference = 1;
// Frames spanning the sensor's full width or height keep this border out of the mask filter.
constexpr int32_t kSpanMargin = 2;

template <typename T>
void CopyFrameInto(const image::DibImage& raw, std::vector<T>& reference) {
    const size_t rowBytes = size_t{image::mask::kMaskWidth} * sizeof(T);
    for (int32_t y = 0; y < image::mask::kMaskHeight; ++y) {
        std::memcpy(reference.data() + size_t{static_cast<uint32_t>(y)} * image::mask::kMaskWidth,
                    static_cast<const uint8_t*>(raw.Bits()) + static_cast<size_t>(y) * static_cast<size_t>(raw.Stride()),
                    rowBytes);
    }
}

// Copies a full-size frame into the reference the selector names and rebuilds its mask.
// False for a selector that names none.
bool RecordReference(const image::DibImage& raw, int32_t selector, image::mask::DefectMask& mask) {
    namespace m = image::mask;
    const bool sixteen = raw.BitsPerPixel() == 16;
    const bool fullSize = raw.Width() == m::kMaskWidth && raw.Height() == m::kMaskHeight;
    bool recorded = true;
    if (fullSize) {
        m::DefectReferences& r = mask.references;
        if (selector == kDarkReference) {
            sixteen ? CopyFrameInto(raw, r.dark16) : CopyFrameInto(raw, r.dark8);
        } else if (selector == kBrightReference) {
            sixteen ? CopyFrameInto(raw, r.bright16) : CopyFrameInto(raw, r.bright8);
        } else {
            recorded = false;
        }
    }
    if (selector == kDarkReference) {
        sixteen ? m::RebuildHot16(mask) : m::RebuildHot8(mask);
    } else {
        sixteen ? m::RebuildDead16(mask) : m::RebuildDead8(mask);
    }
    return recorded;
}

// Runs use with the name converted to the thread's ANSI code page; code 12 when it does not convert.
template <typename Use>
int32_t WithAnsiName(COvilux& session, const char16_t* wideName, Use use) {
    char name[kFileNameBytes];
    if (wideName == nullptr || platform::WideToAnsi(wideName, name, kFileNameBytes) == 0) {
        session.RecordError(code::kConversion);
        return 0;
    }
    return use(name);
}

}  // namespace

image::mask::DefectMask* COvilux::DefectMaskLocked() {
    if (!defects_) {
        defects_ = image::mask::MakeBlankDefectMask();
    }
    return defects_.get();
}

void COvilux::RunDefectSteps(image::DibImage& raw) {
    const bool maskFilter = maskFilter_ != 0;
    const bool dotFilter = dotFilter_ != 0;
    if (!maskFilter && !dotFilter) {
        return;
    }
    platform::CriticalSectionLock masks(maskLock_);
    image::mask::DefectMask* mask = DefectMaskLocked();
    if (mask == nullptr) {
        return;  // without the memory for the references the frame goes on uncorrected
    }
    const image::mask::FramePlacement placement{prepared_.left, prepared_.top,
                                                prepared_.spansSensor ? kSpanMargin : 0};
    if (maskFilter) {
        image::mask::ApplyMaskFilter(raw, mask->references, placement);
    }
    if (dotFilter) {
        image::mask::ApplyDotFilter(raw, *mask, placement);
    }
}

int32_t COvilux::UpdateMaskData(int32_t selector) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    int32_t failure = 0;
    {
        platform::CriticalSectionLock images(imageLock_);
        const image::DibImage& raw = images_.RawOf(colourMode_);
        if (raw.Bits() == nullptr || !images_.Holds(raw)) {
            // A buffer that holds no frame would record zeros as a reference.
            failure = code::kNoCamera;
        } else {
            platform::CriticalSectionLock masks(maskLock_);
            image::mask::DefectMask* mask = DefectMaskLocked();
            if (mask == nullptr) {
                failure = code::kMemory;
            } else if (!RecordReference(raw, selector, *mask)) {
                failure = code::kConversion;
            }
        }
    }
    if (failure != 0) {
        RecordError(failure);
        return 0;
    }
    return 1;
}

int32_t COvilux::LoadMaskFile(const char* fileName) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    // Read into buffers of its own, so that a file refused half way leaves the references and
    // the frames corrected with them as they were.
    std::unique_ptr<image::mask::DefectReferences> loaded = image::ReadMaskFile(fileName);
    if (!loaded) {
        RecordError(code::kMaskFile);
        return 0;
    }
    platform::CriticalSectionLock masks(maskLock_);
    image::mask::DefectMask* mask = DefectMaskLocked();
    if (mask == nullptr) {
        RecordError(code::kMaskFile);
        return 0;
    }
    mask->references = std::move(*loaded);
    // Rebuilt before the lock is left, so no frame is corrected with new references and old masks.
    image::mask::RebuildAllMarks(*mask);
    return 1;
}

int32_t COvilux::SaveMaskFile(const char* fileName) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock masks(maskLock_);
    const image::mask::DefectMask* mask = DefectMaskLocked();
    if (mask == nullptr || !image::WriteMaskFile(fileName, mask->references)) {
        RecordError(code::kMaskFile);
        return 0;
    }
    return 1;
}

int32_t COvilux::LoadMaskFileW(const char16_t* fileName) {
    return WithAnsiName(*this, fileName, [this](const char* name) { return LoadMaskFile(name); });
}

int32_t COvilux::SaveMaskFileW(const char16_t* fileName) {
    return WithAnsiName(*this, fileName, [this](const char* name) { return SaveMaskFile(name); });
}

}  // namespace ovilux::session
