// DefectMask.h - the defect references of the full sensor and the masks built from them: a
// dark and a bright reference per sample depth, hot pixels (bright in the dark reference) and
// dead pixels (dark in the bright reference), and the dot filter's per-frame marks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ovilux::image::mask {

constexpr int32_t kMaskWidth = 2592;
constexpr int32_t kMaskHeight = 1944;
constexpr size_t kMaskPixels = size_t{kMaskWidth} * kMaskHeight;

// The four references, rows of kMaskWidth samples, first sensor row first. 16-bit samples are
// 12-bit, right-aligned.
struct DefectReferences {
    std::vector<uint8_t> dark8;
    std::vector<uint8_t> bright8;
    std::vector<uint16_t> dark16;
    std::vector<uint16_t> bright16;
};

// Marks of one sample depth: 1 = defective, 0 = good.
struct DefectMarks {
    std::vector<uint8_t> hot;
    std::vector<uint8_t> dead;
};

struct DefectMask {
    DefectReferences references;
    DefectMarks marks8;
    DefectMarks marks16;
    // The dot filter's marks of the frame it is correcting, one byte per sample of the frame.
    std::vector<uint8_t> work;
};

// References as they are before any is recorded: dark 0, bright at the depth's full scale.
// Null when the memory cannot be had.
std::unique_ptr<DefectReferences> MakeBlankReferences();
// Blank references with empty masks; null when the memory cannot be had.
std::unique_ptr<DefectMask> MakeBlankDefectMask();

// Rebuilds the hot marks of a depth from its dark reference, or the dead marks from its bright
// one. The two outermost rows and columns are never marked.
void RebuildHot8(DefectMask& mask);
void RebuildDead8(DefectMask& mask);
void RebuildHot16(DefectMask& mask);
void RebuildDead16(DefectMask& mask);
void RebuildAllMarks(DefectMask& mask);

}  // namespace ovilux::image::mask
