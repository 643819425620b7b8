// DefectMask.cpp - blank references and mask building.
#include "image/mask/DefectMask.h"

#include <new>

#include "image/SampleScale.h"

namespace ovilux::image::mask {

namespace {

constexpr int32_t kUnmarkedBorder = 2;
constexpr uint8_t kHotAbove8 = 192;
constexpr uint8_t kDeadBelow8 = 64;
constexpr uint16_t kHotAbove16 = 3072;
constexpr uint16_t kDeadBelow16 = 1024;

template <typename T, typename Test>
void BuildMarks(const std::vector<T>& reference, std::vector<uint8_t>& marks, Test defective) {
    for (int32_t y = kUnmarkedBorder; y < kMaskHeight - kUnmarkedBorder; ++y) {
        const T* in = reference.data() + size_t{static_cast<uint32_t>(y)} * kMaskWidth;
        uint8_t* out = marks.data() + size_t{static_cast<uint32_t>(y)} * kMaskWidth;
        for (int32_t x = kUnmarkedBorder; x < kMaskWidth - kUnmarkedBorder; ++x) {
            out[x] = defective(in[x]) ? 1 : 0;
        }
    }
}

}  // namespace

std::unique_ptr<DefectReferences> MakeBlankReferences() {
    try {
        auto references = std::make_unique<DefectReferences>();
        references->dark8.assign(kMaskPixels, 0);
        references->bright8.assign(kMaskPixels, 255);
        references->dark16.assign(kMaskPixels, 0);
        references->bright16.assign(kMaskPixels, kSampleMax);
        return references;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<DefectMask> MakeBlankDefectMask() {
    std::unique_ptr<DefectReferences> references = MakeBlankReferences();
    if (!references) {
        return nullptr;
    }
    try {
        auto mask = std::make_unique<DefectMask>();
        mask->references = std::move(*references);
        for (DefectMarks* marks : {&mask->marks8, &mask->marks16}) {
            marks->hot.assign(kMaskPixels, 0);
            marks->dead.assign(kMaskPixels, 0);
        }
        return mask;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void RebuildHot8(DefectMask& mask) {
    BuildMarks(mask.references.dark8, mask.marks8.hot, [](uint8_t v) { return v > kHotAbove8; });
}

void RebuildDead8(DefectMask& mask) {
    BuildMarks(mask.references.bright8, mask.marks8.dead, [](uint8_t v) { return v < kDeadBelow8; });
}

void RebuildHot16(DefectMask& mask) {
    BuildMarks(mask.references.dark16, mask.marks16.hot, [](uint16_t v) { return v > kHotAbove16; });
}

void RebuildDead16(DefectMask& mask) {
    BuildMarks(mask.references.bright16, mask.marks16.dead, [](uint16_t v) { return v < kDeadBelow16; });
}

void RebuildAllMarks(DefectMask& mask) {
    RebuildHot8(mask);
    RebuildDead8(mask);
    RebuildHot16(mask);
    RebuildDead16(mask);
}

}  // namespace ovilux::image::mask
