// Software mirroring of raw frames, and the Bayer mode the demosaic reads afterwards: a frame
// of one colour must come out as that colour whichever way and whatever size it is mirrored.
#include <gtest/gtest.h>

#include <cstring>

#include "image/BayerMode.h"
#include "image/Demosaic.h"
#include "image/DibImage.h"
#include "image/RawMirror.h"

using namespace ovilux::image;

namespace {

const char* const kPattern[4][2] = {{"GB", "RG"}, {"RG", "GB"}, {"BG", "GR"}, {"GR", "BG"}};

uint16_t Sample(const DibImage& raw, int x, int y) {
    const auto* row = static_cast<const uint8_t*>(raw.Bits()) + y * raw.Stride();
    return raw.BitsPerPixel() == 8 ? row[x] : static_cast<uint16_t>(row[2 * x] | (row[2 * x + 1] << 8));
}

void SetSample(DibImage& raw, int x, int y, uint16_t v) {
    auto* row = static_cast<uint8_t*>(raw.Bits()) + y * raw.Stride();
    if (raw.BitsPerPixel() == 8) {
        row[x] = static_cast<uint8_t>(v);
    } else {
        row[2 * x] = static_cast<uint8_t>(v);
        row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
    }
}

}  // namespace

TEST(RawMirror, ReversesWhatTheCameraCannotMirror) {
    for (uint16_t bits : {8, 16}) {
        DibImage raw, before;
        ASSERT_EQ(raw.Create(5, 3, bits), 1);
        ASSERT_EQ(before.Create(5, 3, bits), 1);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) SetSample(before, x, y, static_cast<uint16_t>(300 * y + x));
        }
        struct Case {
            MirrorState state;
            bool columns, rows;
        };
        const Case cases[] = {
            {{true, false, false, false}, true, false},  {{false, true, false, false}, false, true},
            {{true, true, false, false}, true, true},    {{true, true, true, false}, false, true},
            {{true, true, false, true}, true, false},    {{true, true, true, true}, false, false},
            {{false, false, false, false}, false, false},
        };
        for (const Case& c : cases) {
            std::memcpy(raw.Bits(), before.Bits(), static_cast<size_t>(raw.ImageBytes()));
            ASSERT_EQ(MirrorRawBuffer(raw, c.state), 1);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    ASSERT_EQ(Sample(raw, x, y), Sample(before, c.columns ? 4 - x : x, c.rows ? 2 - y : y))
                        << bits << " bits, case h=" << c.state.mirrorH << " v=" << c.state.mirrorV;
                }
            }
        }
    }
    DibImage colour;
    ASSERT_EQ(colour.Create(4, 4, 24), 1);
    EXPECT_EQ(MirrorRawBuffer(colour, MirrorState{true, false, false, false}), 0);
    EXPECT_EQ(MirrorRawBuffer(colour, MirrorState{true, false, true, false}), 1) << "nothing to do in software";
}

TEST(RawMirror, BayerModeExchangesFollowTheMirrors) {
    const int32_t vertical[4] = {1, 0, 3, 2};
    const int32_t horizontal[4] = {2, 3, 0, 1};
    for (int32_t mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(AdjustBayerModeForMirror(mode, false, false), mode);
        EXPECT_EQ(AdjustBayerModeForMirror(mode, false, true), vertical[mode]);
        EXPECT_EQ(AdjustBayerModeForMirror(mode, true, false), horizontal[mode]);
        EXPECT_EQ(AdjustBayerModeForMirror(mode, true, true), horizontal[vertical[mode]]);
        // The camera's own mirror always exchanges; ours only where the dimension is even.
        EXPECT_EQ(BayerModeAfterMirroring(mode, MirrorState{true, true, true, true}, 5, 7), horizontal[vertical[mode]]);
        EXPECT_EQ(BayerModeAfterMirroring(mode, MirrorState{true, true, false, false}, 6, 8), horizontal[vertical[mode]]);
        EXPECT_EQ(BayerModeAfterMirroring(mode, MirrorState{true, true, false, false}, 5, 7), mode);
        EXPECT_EQ(BayerModeAfterMirroring(mode, MirrorState{true, true, false, false}, 5, 8), vertical[mode]);
    }
    EXPECT_EQ(AdjustBayerModeForMirror(7, true, true), 7);
}

TEST(RawMirror, OneColourSurvivesSoftwareMirroringOfEvenAndOddFrames) {
    const uint8_t level[3] = {40, 120, 200};  // blue, green, red samples
    for (int32_t mode = 0; mode < 4; ++mode) {
        for (int width : {8, 9}) {
            for (int height : {6, 7}) {
                for (const MirrorState& state : {MirrorState{true, false, false, false}, MirrorState{false, true, false, false},
                                                 MirrorState{true, true, false, false}}) {
                    DibImage raw, colour;
                    ASSERT_EQ(raw.Create(width, height, 8), 1);
                    ASSERT_EQ(colour.Create(width, height, 24), 1);
                    for (int y = 0; y < height; ++y) {
                        for (int x = 0; x < width; ++x) {
                            const char c = kPattern[mode][y & 1][x & 1];
                            SetSample(raw, x, y, level[c == 'B' ? 0 : c == 'G' ? 1 : 2]);
                        }
                    }
                    ASSERT_EQ(MirrorRawBuffer(raw, state), 1);
                    GainRecord gains{BayerModeAfterMirroring(mode, state, width, height), 100, 100, 100};
                    ASSERT_EQ(DibImage::ConvertBlit(&colour, DemosaicInner8, &raw, nullptr, &gains, nullptr), 1);
                    ASSERT_EQ(DibImage::ConvertBlit(&colour, DemosaicBorder8, &raw, nullptr, &gains, nullptr), 1);
                    const auto* p = static_cast<const uint8_t*>(colour.Bits());
                    for (int y = 0; y < height; ++y) {
                        for (int x = 0; x < width; ++x) {
                            ASSERT_EQ(std::memcmp(p + y * colour.Stride() + 3 * x, level, 3), 0)
                                << "mode " << mode << " " << width << "x" << height << " h=" << state.mirrorH
                                << " v=" << state.mirrorV << " at " << x << "," << y;
                        }
                    }
                }
            }
        }
    }
}
