// GrayGains.cpp - gray mode 1 and the automatic gray gain.
//
// An 8-bit frame goes through one 256-entry table per channel, built from the formula for the
// call; 16-bit samples are few enough per table entry that the formula is applied directly.
#include "image/filters/GrayGains.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "image/BayerMode.h"
#include "image/SampleScale.h"
#include "image/filters/RawPlane.h"

namespace ovilux::image::filters {

namespace {

using detail::RawPlane;

enum Channel : uint8_t { kR, kG1, kG2, kB, kChannelCount };

// [Bayer mode][row parity][column parity], the gray filter's own naming.
constexpr Channel kChannelAt[4][2][2] = {
    {{kG1, kR}, {kB, kG2}}, {{kB, kG2}, {kG1, kR}}, {{kR, kG1}, {kG2, kB}}, {{kG2, kB}, {kR, kG1}}};

struct ChannelSettings {
    std::array<int64_t, kChannelCount> gain;
    std::array<int64_t, kChannelCount> offset;
    int64_t max;
};

int64_t LargestValue(int32_t significantBits) {
    switch (significantBits) {
        case 10:
            return 1023;
        case 12:
            return 4095;
        case 14:
            return 16383;
        default:
            return 65535;
    }
}

ChannelSettings SettingsOf(const GrayRecord& r, int sampleBytes) {
    return {{r.gainR, r.gainG1, r.gainG2, r.gainB},
            {r.offsetR, r.offsetG1, r.offsetG2, r.offsetB},
            sampleBytes == 1 ? 255 : LargestValue(r.significantBits)};
}

bool AllOffsetsAre(const GrayRecord& r, int32_t offset) {
    return r.offsetR == offset && r.offsetG1 == offset && r.offsetG2 == offset && r.offsetB == offset;
}

// Unity gains leave the frame alone with zero offsets, and also with offsets of 128: that is
// the neutral setting stored and restored by "Default", which has always meant "no change".
bool LeavesFrameAlone(const GrayRecord& r) {
    return r.gainR == kGrayUnityGain && r.gainG1 == kGrayUnityGain && r.gainG2 == kGrayUnityGain &&
           r.gainB == kGrayUnityGain && (AllOffsetsAre(r, 0) || AllOffsetsAre(r, kGrayNeutralOffset));
}

// In 64 bits, so no gain or offset a record can hold overflows.
int64_t Adjusted(const ChannelSettings& s, Channel c, int64_t value) {
    return std::clamp(s.offset[c] + s.gain[c] * value / kGrayUnityGain, int64_t{0}, s.max);
}

template <typename T>
void ApplyByFormula(const RawPlane<T>& plane, const ChannelSettings& s, int32_t bayerMode) {
    for (int32_t y = 0; y < plane.height; ++y) {
        T* row = plane.Row(y);
        for (int32_t x = 0; x < plane.width; ++x) {
            row[x] = static_cast<T>(Adjusted(s, kChannelAt[bayerMode][y & 1][x & 1], row[x]));
        }
    }
}

void ApplyByTable(const RawPlane<uint8_t>& plane, const ChannelSettings& s, int32_t bayerMode) {
    std::array<std::array<uint8_t, 256>, kChannelCount> tables;
    for (int c = 0; c < kChannelCount; ++c) {
        for (int v = 0; v < 256; ++v) {
            tables[c][v] = static_cast<uint8_t>(Adjusted(s, static_cast<Channel>(c), v));
        }
    }
    for (int32_t y = 0; y < plane.height; ++y) {
        uint8_t* row = plane.Row(y);
        const auto& even = tables[kChannelAt[bayerMode][y & 1][0]];
        const auto& odd = tables[kChannelAt[bayerMode][y & 1][1]];
        int32_t x = 0;
        for (; x + 1 < plane.width; x += 2) {
            row[x] = even[row[x]];
            row[x + 1] = odd[row[x + 1]];
        }
        if (x < plane.width) {
            row[x] = even[row[x]];
        }
    }
}

template <bool Tables>
bool Apply(DibImage& raw, const GrayRecord& record) {
    if (!IsValidBayerMode(record.bayerMode)) {
        return false;
    }
    if (const auto plane = detail::PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        if (!LeavesFrameAlone(record)) {
            const ChannelSettings s = SettingsOf(record, 1);
            Tables ? ApplyByTable(plane, s, record.bayerMode) : ApplyByFormula(plane, s, record.bayerMode);
        }
        return true;
    }
    if (const auto plane = detail::PlaneOf<uint16_t>(raw); plane.bits != nullptr) {
        if (!LeavesFrameAlone(record)) {
            ApplyByFormula(plane, SettingsOf(record, 2), record.bayerMode);
        }
        return true;
    }
    return false;
}

struct ChannelSums {
    std::array<uint64_t, kChannelCount> sum{};
    std::array<uint64_t, kChannelCount> count{};
};

template <typename T, typename Level>
ChannelSums SumMidLevels(const RawPlane<T>& plane, int32_t bayerMode, Level level) {
    ChannelSums sums;
    for (int32_t y = 0; y < plane.height; ++y) {
        const T* row = plane.Row(y);
        // Even and odd columns apart, each a channel of its own in this row.
        std::array<uint64_t, 2> sum{}, count{};
        for (int32_t x = 0; x < plane.width; ++x) {
            const uint32_t v = level(row[x]);
            const bool counted = v > 0 && v < 255;
            sum[x & 1] += counted ? v : 0;
            count[x & 1] += counted ? 1 : 0;
        }
        for (int parity = 0; parity < 2; ++parity) {
            const Channel c = kChannelAt[bayerMode][y & 1][parity];
            sums.sum[c] += sum[parity];
            sums.count[c] += count[parity];
        }
    }
    return sums;
}

int32_t GainTowards(float reference, float mean) {
    const float gain = std::trunc(reference / mean * static_cast<float>(kGrayUnityGain));
    return static_cast<int32_t>(std::min(gain, static_cast<float>(kMaxGrayGain)));
}

}  // namespace

bool ApplyGrayGains(DibImage& raw, const GrayRecord& record) { return Apply<true>(raw, record); }

bool ApplyGrayGainsReference(DibImage& raw, const GrayRecord& record) { return Apply<false>(raw, record); }

bool MeasureGrayGains(const DibImage& raw, GrayRecord& record) {
    if (!IsValidBayerMode(record.bayerMode)) {
        return false;
    }
    ChannelSums sums;
    if (const auto plane = detail::PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        sums = SumMidLevels(plane, record.bayerMode, [](uint8_t v) { return uint32_t{v}; });
    } else if (const auto plane16 = detail::PlaneOf<uint16_t>(raw); plane16.bits != nullptr) {
        sums = SumMidLevels(plane16, record.bayerMode, [](uint16_t v) { return uint32_t{Sample12To8(v)}; });
    } else {
        return false;
    }
    std::array<float, kChannelCount> mean{};
    for (int c = 0; c < kChannelCount; ++c) {
        if (sums.count[c] == 0) {
            return false;
        }
        // The quotient in double first: a frame's sum has more digits than a float keeps.
        mean[c] = static_cast<float>(static_cast<double>(sums.sum[c]) / static_cast<double>(sums.count[c]));
    }
    record.gainR = GainTowards(mean[kG1], mean[kR]);
    record.gainG1 = kGrayUnityGain;
    record.gainG2 = GainTowards(mean[kG1], mean[kG2]);
    record.gainB = GainTowards(mean[kG1], mean[kB]);
    return true;
}

}  // namespace ovilux::image::filters
