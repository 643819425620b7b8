// Sharpen.cpp - unsharp masking, the plain form and the separable one, which works row by row
// as rows become ready.
//
// The separable form sums each row's four-sample windows once (row sums), then adds four row
// sums per output sample (column sums). Row sums are taken before the row is changed, and a
// row is changed only after the last block that reads it below has been summed, so a ring of
// four row-sum lines stands in for the copy of the image. On the 12-bit scale a block sums to
// at most 16 x 4095 = 65520, so every sum fits 16 bits and the loops vectorise on 16-bit lanes.
#include "image/filters/Sharpen.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ovilux::image::filters {

namespace {

constexpr int32_t kBlock = 4;
constexpr int32_t kMargin = 2;  // the block reaches 2 samples back and 1 forward

bool Prepare(const DibImage& image, int32_t sharpness, SampleLayout& layout) {
    return LayoutOf(image, false, layout) && sharpness >= 0 && sharpness <= kMaxSharpness;
}

bool HasInterior(const DibImage& image) { return image.Width() > 2 * kMargin && image.Height() > 2 * kMargin; }

// old + trunc(s x d / 10), clipped; the division truncates toward zero like the table's.
inline int32_t Sharpened(int32_t old, int32_t blur, int32_t sharpness, int32_t max) {
    return std::clamp(old + sharpness * (old - blur) / 10, 0, max);
}

// The four-sample window sums of one row's interior samples.
template <typename T>
OVILUX_FILTER_CLONES void SumRow(const T* row, int32_t count, int32_t ch, uint16_t* out) {
    for (int32_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint16_t>(ReadSample(row[i - 2 * ch]) + ReadSample(row[i - ch]) + ReadSample(row[i]) +
                                       ReadSample(row[i + ch]));
    }
}

// Sharpens one row's interior samples from the four row sums of its block.
template <typename T>
OVILUX_FILTER_CLONES void SharpenRow(T* row, int32_t count, int32_t ch, const std::array<const uint16_t*, kBlock>& sums,
                                     int32_t sharpness, int32_t max, uint16_t* result) {
    const uint16_t* s0 = sums[0];
    const uint16_t* s1 = sums[1];
    const uint16_t* s2 = sums[2];
    const uint16_t* s3 = sums[3];
    for (int32_t i = 0; i < count; ++i) {
        const int32_t blur = static_cast<uint16_t>(s0[i] + s1[i] + s2[i] + s3[i]) >> 4;
        result[i] = static_cast<uint16_t>(Sharpened(ReadSample(row[i]), blur, sharpness, max));
    }
    for (int32_t i = 0; i < count; ++i) {
        if (ch != 4 || i % 4 != 3) {
            row[i] = static_cast<T>(result[i]);
        }
    }
}

template <typename T>
void SharpenPlain(const DibImage& image, const SampleLayout& layout, int32_t sharpness) {
    const int32_t max = layout.max;
    const int32_t ch = layout.channels;
    std::vector<int32_t> copy(static_cast<size_t>(image.Width()) * image.Height() * ch);
    auto at = [&](int32_t x, int32_t y, int32_t c) -> int32_t& {
        return copy[(static_cast<size_t>(y) * image.Width() + x) * ch + c];
    };
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width() * ch; ++x) {
            at(x / ch, y, x % ch) = ReadSample(RowOf<T>(image, y)[x]);
        }
    }
    std::vector<int32_t> differences(2 * static_cast<size_t>(max) + 1);
    for (int32_t d = -max; d <= max; ++d) {
        differences[static_cast<size_t>(d + max)] = sharpness * d / 10;
    }
    for (int32_t y = kMargin; y <= image.Height() - 3; ++y) {
        for (int32_t x = kMargin; x <= image.Width() - 3; ++x) {
            for (int32_t c = 0; c < layout.colourChannels; ++c) {
                int32_t sum = 0;
                for (int32_t by = y - 2; by <= y + 1; ++by) {
                    for (int32_t bx = x - 2; bx <= x + 1; ++bx) {
                        sum += at(bx, by, c);
                    }
                }
                const int32_t old = at(x, y, c);
                const int32_t value = old + differences[static_cast<size_t>(old - (sum >> 4) + max)];
                RowOf<T>(image, y)[x * ch + c] = static_cast<T>(std::clamp(value, 0, max));
            }
        }
    }
}

}  // namespace

RowSharpener::RowSharpener(DibImage& image, int32_t sharpness, const ToneTable* after, int32_t firstRow,
                           int32_t endRow)
    : image_(image),
      sharpness_(sharpness),
      after_(after),
      first_(std::clamp(firstRow, 0, image.Height())),
      end_(std::clamp(endRow, first_, image.Height())),
      nextRow_(first_),
      nextSum_(first_) {
    valid_ = Prepare(image, sharpness, layout_);
    if (!valid_ || sharpness == 0 || !HasInterior(image)) {
        return;
    }
    const auto count = static_cast<size_t>((image.Width() - 2 * kMargin) * layout_.channels);
    for (auto& line : sums_) {
        line.resize(count);
    }
    result_.resize(count);
}

void RowSharpener::RowsReady(int32_t endRow) {
    if (!valid_) {
        return;
    }
    if (layout_.sampleBytes == 1) {
        Advance<uint8_t>(std::min(endRow, end_));
    } else {
        Advance<uint16_t>(std::min(endRow, end_));
    }
}

bool RowSharpener::Inside(int32_t y) const {
    return !result_.empty() && y >= kMargin && y < image_.Height() - kMargin;
}

bool RowSharpener::OnSeam(int32_t y) const { return Inside(y) && (y - kMargin < first_ || y + 1 >= end_); }

// A row is finished (sharpened when inside, then passed through the table) once the sums that
// read it are taken: its own, and for a row inside the margin the row below's too. Only rows
// 0 .. height - 2 are ever summed. A seam row waits, unchanged, for FinishSeams; the sums of the
// rows next to the range's ends are kept for it.
template <typename T>
void RowSharpener::Advance(int32_t ready) {
    const int32_t height = image_.Height();
    const int32_t ch = layout_.channels;
    const auto count = static_cast<int32_t>(result_.size());
    while (nextRow_ < end_) {
        const int32_t y = nextRow_;
        const bool inside = Inside(y);
        const int32_t lastSummed =
            result_.empty() ? -1 : std::min(inside ? y + 1 : std::min(y, height - kMargin), end_ - 1);
        if (std::max(y, lastSummed) >= ready) {
            return;
        }
        for (; nextSum_ <= lastSummed; ++nextSum_) {
            std::vector<uint16_t>& line = sums_[static_cast<size_t>(nextSum_ % kBlock)];
            SumRow(RowOf<T>(image_, nextSum_) + kMargin * ch, count, ch, line.data());
            if (nextSum_ < first_ + kBlock - 1 || nextSum_ >= end_ - (kBlock - 1)) {
                edgeSums_.emplace_back(nextSum_, line);
            }
        }
        if (OnSeam(y)) {
            ++nextRow_;
            continue;
        }
        if (inside) {
            SharpenRow(RowOf<T>(image_, y) + kMargin * ch, count, ch,
                       {sums_[0].data(), sums_[1].data(), sums_[2].data(), sums_[3].data()}, sharpness_, layout_.max,
                       result_.data());
        }
        if (after_ != nullptr) {
            after_->ApplyRows(image_, y, y + 1);
        }
        ++nextRow_;
    }
}

const std::vector<uint16_t>* RowSharpener::EdgeSums(int32_t row) const {
    for (const auto& [summed, line] : edgeSums_) {
        if (summed == row) {
            return &line;
        }
    }
    return nullptr;
}

template <typename T>
void RowSharpener::FinishSeams(const std::vector<RowSharpener*>& ranges) {
    for (RowSharpener* range : ranges) {
        for (int32_t y = range->first_; y < range->end_; ++y) {
            if (!range->OnSeam(y)) {
                continue;
            }
            std::array<const uint16_t*, kBlock> sums{};
            for (int32_t k = 0; k < kBlock; ++k) {
                for (const RowSharpener* other : ranges) {
                    if (const std::vector<uint16_t>* line = other->EdgeSums(y - kMargin + k)) {
                        sums[static_cast<size_t>(k)] = line->data();
                    }
                }
            }
            const int32_t ch = range->layout_.channels;
            SharpenRow(RowOf<T>(range->image_, y) + kMargin * ch, static_cast<int32_t>(range->result_.size()), ch, sums,
                       range->sharpness_, range->layout_.max, range->result_.data());
            if (range->after_ != nullptr) {
                range->after_->ApplyRows(range->image_, y, y + 1);
            }
        }
    }
}

void RowSharpener::FinishSeams(const std::vector<RowSharpener*>& ranges) {
    if (ranges.empty() || !ranges.front()->valid_) {
        return;
    }
    if (ranges.front()->layout_.sampleBytes == 1) {
        FinishSeams<uint8_t>(ranges);
    } else {
        FinishSeams<uint16_t>(ranges);
    }
}

bool Sharpen(DibImage& image, int32_t sharpness) {
    RowSharpener sharpener(image, sharpness, nullptr);
    sharpener.RowsReady(image.Height());
    return sharpener.Valid();
}

bool SharpenReference(DibImage& image, int32_t sharpness) {
    SampleLayout layout{};
    if (!Prepare(image, sharpness, layout)) {
        return false;
    }
    if (sharpness != 0 && HasInterior(image)) {
        if (layout.sampleBytes == 1) {
            SharpenPlain<uint8_t>(image, layout, sharpness);
        } else {
            SharpenPlain<uint16_t>(image, layout, sharpness);
        }
    }
    return true;
}

}  // namespace ovilux::image::filters
