// What the frames show: the Bayer phase and how window, binning and mirroring change size,
// content and phase; exposure and gain; 8- and 16-bit packing; fixed defects; the moving part.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <thread>

#include "SimFixture.h"

using namespace ovilux::simtest;

namespace {

constexpr int32_t kNoiseTolerance = 8;  // two frames' noise apart
// A binned sample against the average of its four: both noises and two roundings apart.
constexpr double kBinnedTolerance = 12;
constexpr uint32_t kPixelClock = 96000000;

struct Frame {
    uint32_t width = 0, height = 0;
    std::vector<uint16_t> samples;
    int32_t At(uint32_t row, uint32_t column) const { return samples[static_cast<size_t>(row) * width + column]; }
};

// Reads one frame of width x height 16-bit samples.
Frame Grab(SimHost& host, uint32_t width, uint32_t height) {
    Frame frame;
    std::vector<uint8_t> header, payload;
    if (!host.ReadFrame(header, payload) || payload.size() != static_cast<size_t>(width) * height * 2) {
        ADD_FAILURE() << "no frame of " << width << " x " << height;
        return frame;
    }
    frame.width = width;
    frame.height = height;
    frame.samples.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < frame.samples.size(); ++i) {
        frame.samples[i] = Le16(&payload[2 * i]);
    }
    return frame;
}

// Samples of a 2 x 2 Bayer position (rowPhase, columnPhase) in the block of size rows at the top left.
double PhaseMean(const Frame& frame, uint32_t rowPhase, uint32_t columnPhase, uint32_t size = 16) {
    double sum = 0;
    int count = 0;
    for (uint32_t r = rowPhase; r < size; r += 2) {
        for (uint32_t c = columnPhase; c < size; c += 2) {
            sum += frame.At(r, c);
            ++count;
        }
    }
    return sum / count;
}

double RegionMean(const Frame& frame, uint32_t top, uint32_t bottom) {
    double sum = 0;
    for (uint32_t r = top; r < bottom; ++r) {
        for (uint32_t c = 0; c < frame.width; ++c) {
            sum += frame.At(r, c);
        }
    }
    return sum / ((bottom - top) * frame.width);
}

class Image : public SimCameraTest {
protected:
    void SetUp() override {
        SimCameraTest::SetUp();
        ASSERT_TRUE(host_->StartPll());
        ASSERT_TRUE(host_->SetPixelWidth16(true));
    }

    // Window plus the shutter that exposes for the scene's reference time at gain 2x.
    void Configure(SimHost& host, uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t subsample,
                   double exposureScale = 1.0) {
        static constexpr uint32_t kOverhead[3] = {956, 1555, 2888};
        ASSERT_TRUE(host.SetWindow(x, y, width, height, subsample));
        const uint32_t lineLength = (width >> subsample) + 2 + kOverhead[subsample];
        const double lines = 0.0666 * exposureScale * kPixelClock / lineLength;
        ASSERT_TRUE(host.SensorWrite(0x09, static_cast<uint16_t>(std::lround(lines))));
        ASSERT_TRUE(host.SensorWrite(0x35, 16));
    }
};

TEST_F(Image, RedSitsAtTheTopLeftAndMirroringMovesTheBayerPhase) {
    struct Case {
        bool rows, columns;
        uint32_t x, y;           // a window whose first pixel read lies in the scene's orange frame
        uint32_t redRow, redColumn;  // where red lands in the 2 x 2 block
    };
    const Case cases[] = {{false, false, 0, 0, 0, 0},
                          {false, true, 1952, 0, 0, 1},
                          {true, false, 0, 1464, 1, 0},
                          {true, true, 1952, 1464, 1, 1}};
    for (const Case& c : cases) {
        Configure(*host_, c.x, c.y, 640, 480, 0);
        ASSERT_TRUE(host_->SetMirror(c.rows, c.columns, c.y));
        const Frame frame = Grab(*host_, 640, 480);
        ASSERT_FALSE(frame.samples.empty());
        const double red = PhaseMean(frame, c.redRow, c.redColumn);
        const double blue = PhaseMean(frame, 1 - c.redRow, 1 - c.redColumn);
        const double green1 = PhaseMean(frame, c.redRow, 1 - c.redColumn);
        const double green2 = PhaseMean(frame, 1 - c.redRow, c.redColumn);
        SCOPED_TRACE(testing::Message() << "mirror rows " << c.rows << " columns " << c.columns);
        EXPECT_NEAR(red, 2800, 60);
        EXPECT_NEAR(green1, 1500, 60);
        EXPECT_NEAR(green2, 1500, 60);
        EXPECT_NEAR(blue, 400, 60);
    }
}

TEST_F(Image, MirroredColumnsReadTheWindowBackwards) {
    Configure(*host_, 0, 0, 640, 480, 0);
    const Frame straight = Grab(*host_, 640, 480);
    ASSERT_TRUE(host_->SetMirror(false, true, 0));
    const Frame mirrored = Grab(*host_, 640, 480);
    ASSERT_FALSE(mirrored.samples.empty());
    int mismatches = 0;
    for (uint32_t r = 0; r < 480; ++r) {
        if (r >= 200 && r < 280) {
            continue;  // the moving part
        }
        for (uint32_t c = 2; c < 640; ++c) {
            mismatches += std::abs(mirrored.At(r, c) - straight.At(r, 641 - c)) > kNoiseTolerance;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Image, AWindowShowsItsPartOfTheArray) {
    Configure(*host_, 0, 600, 1280, 960, 0);
    const Frame large = Grab(*host_, 1280, 960);
    Configure(*host_, 400, 900, 640, 480, 0);
    const Frame small = Grab(*host_, 640, 480);
    ASSERT_FALSE(small.samples.empty());
    int mismatches = 0;
    for (uint32_t r = 0; r < 480; ++r) {
        if ((r >= 140 && r < 220) || (r >= 200 && r < 280)) {
            continue;  // where either frame has its moving part
        }
        for (uint32_t c = 0; c < 640; ++c) {
            mismatches += std::abs(small.At(r, c) - large.At(r + 300, c + 400)) > kNoiseTolerance;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Image, BinningAveragesSameColouredPixelsAndKeepsThePhase) {
    Configure(*host_, 0, 600, 1280, 960, 0);
    const Frame full = Grab(*host_, 1280, 960);
    Configure(*host_, 0, 600, 1280, 960, 1);
    const Frame binned = Grab(*host_, 640, 480);
    ASSERT_FALSE(binned.samples.empty());
    int mismatches = 0;
    for (uint32_t k = 0; k < 480; ++k) {
        if (k >= 200 && k < 280) {
            continue;
        }
        const uint32_t row = (k / 2) * 4 + k % 2;
        for (uint32_t j = 0; j < 640; ++j) {
            const uint32_t column = (j / 2) * 4 + j % 2;
            const double average = (full.At(row, column) + full.At(row + 2, column) + full.At(row, column + 2) +
                                    full.At(row + 2, column + 2)) /
                                   4.0;
            mismatches += std::abs(binned.At(k, j) - average) > kBinnedTolerance;
        }
    }
    EXPECT_LE(mismatches, 8) << "only where a defect sits in a binned group";
    // 4 x 4 binning: a quarter of the size, red still first.
    Configure(*host_, 0, 0, 2592, 1944, 2);
    const Frame quarter = Grab(*host_, 648, 486);
    ASSERT_FALSE(quarter.samples.empty());
    EXPECT_NEAR(PhaseMean(quarter, 0, 0, 8), 2800, 60);
    EXPECT_NEAR(PhaseMean(quarter, 1, 1, 8), 400, 60);
}

TEST_F(Image, ExposureAndGainScaleTheSamples) {
    Configure(*host_, 400, 640, 640, 480, 0);
    const double reference = RegionMean(Grab(*host_, 640, 480), 20, 100);
    Configure(*host_, 400, 640, 640, 480, 0, 2.0);
    EXPECT_NEAR(RegionMean(Grab(*host_, 640, 480), 20, 100) / reference, 2.0, 0.05);
    Configure(*host_, 400, 640, 640, 480, 0);
    ASSERT_TRUE(host_->SensorWrite(0x35, 8));  // unity gain: half the reference
    EXPECT_NEAR(RegionMean(Grab(*host_, 640, 480), 20, 100) / reference, 0.5, 0.03);
    ASSERT_TRUE(host_->SensorWrite(0x35, 0x7F00 | 63));
    const Frame saturated = Grab(*host_, 640, 480);
    EXPECT_EQ(*std::max_element(saturated.samples.begin(), saturated.samples.end()), 4095);
    EXPECT_GT(RegionMean(saturated, 20, 100), 4000);
}

TEST_F(Image, EightBitSamplesAreTheTop8OfThe12Bits) {
    std::unique_ptr<SimHost> other;
    const int32_t otherPort = AttachSecond(other);
    ASSERT_GE(otherPort, 0);
    ASSERT_TRUE(other->StartPll());
    Configure(*host_, 0, 0, 640, 480, 0);
    Configure(*other, 0, 0, 640, 480, 0);
    ASSERT_TRUE(other->SetPixelWidth16(false));
    std::vector<uint8_t> header16, wide, header8, narrow;
    ASSERT_TRUE(host_->ReadFrame(header16, wide));
    ASSERT_TRUE(other->ReadFrame(header8, narrow));
    ASSERT_EQ(wide.size(), 2 * narrow.size());
    int outOfRange = 0, differing = 0;
    for (size_t i = 0; i < narrow.size(); ++i) {
        const uint16_t sample = Le16(&wide[2 * i]);
        outOfRange += sample > 4095;
        differing += narrow[i] != (sample >> 4);
    }
    EXPECT_EQ(outOfRange, 0);
    EXPECT_EQ(differing, 0);
    bus_.Detach(otherPort);
}

TEST_F(Image, HotAndDeadPixelsStayPut) {
    auto find = [](const Frame& frame, uint16_t value) {
        std::vector<size_t> places;
        for (size_t i = 0; i < frame.samples.size(); ++i) {
            if (frame.samples[i] == value) {
                places.push_back(i);
            }
        }
        return places;
    };
    Configure(*host_, 0, 0, 1280, 960, 0, 0.0);  // no exposure: only hot pixels light up
    const std::vector<size_t> hot = find(Grab(*host_, 1280, 960), 4095);
    EXPECT_EQ(hot.size(), 3u);
    EXPECT_EQ(find(Grab(*host_, 1280, 960), 4095), hot);
    Configure(*host_, 0, 0, 1280, 960, 0, 20.0);  // bright: dead pixels stay black
    const std::vector<size_t> dead = find(Grab(*host_, 1280, 960), 0);
    EXPECT_EQ(dead.size(), 2u);
    EXPECT_EQ(find(Grab(*host_, 1280, 960), 0), dead);
}

TEST_F(Image, ThePartThatMovesChangesEveryFrame) {
    Configure(*host_, 0, 600, 640, 480, 0);
    const Frame first = Grab(*host_, 640, 480);
    const Frame second = Grab(*host_, 640, 480);
    ASSERT_FALSE(second.samples.empty());
    int32_t quietDifference = 0;
    int movedPixels = 0;
    for (uint32_t r = 0; r < 480; ++r) {
        const bool band = r >= 208 && r < 272;
        for (uint32_t c = 0; c < 640; ++c) {
            const int32_t difference = std::abs(first.At(r, c) - second.At(r, c));
            if (band) {
                movedPixels += difference > 500;
            } else {
                quietDifference = std::max(quietDifference, difference);
            }
        }
    }
    EXPECT_LE(quietDifference, kNoiseTolerance);
    EXPECT_GT(movedPixels, 500);
}

// Cameras configured alike send the same bytes for the same frame number, noise and moving part
// included, also when both are read at once: they share the rendering of their frames, which
// either may be the first to ask for.
TEST_F(Image, CamerasConfiguredAlikeSendTheSameFramesWhenReadAtOnce) {
    std::unique_ptr<SimHost> second;
    const int32_t secondPort = AttachSecond(second);
    ASSERT_GE(secondPort, 0);
    ASSERT_TRUE(second->StartPll());
    ASSERT_TRUE(second->SetPixelWidth16(true));
    Configure(*host_, 0, 0, 1280, 960, 0);
    Configure(*second, 0, 0, 1280, 960, 0);
    std::map<uint32_t, std::vector<uint8_t>> frames[2];
    const auto read = [](SimHost& host, std::map<uint32_t, std::vector<uint8_t>>& into) {
        for (int i = 0; i < 4; ++i) {
            std::vector<uint8_t> header, payload;
            if (!host.ReadFrame(header, payload)) {
                return;
            }
            into[Le32(header.data() + 32)] = std::move(payload);
        }
    };
    std::thread other([&] { read(*second, frames[1]); });
    read(*host_, frames[0]);
    other.join();
    int compared = 0;
    for (const auto& [number, payload] : frames[0]) {
        const auto same = frames[1].find(number);
        if (same != frames[1].end()) {
            EXPECT_TRUE(payload == same->second) << "frame " << number;
            ++compared;
        }
    }
    EXPECT_GE(compared, 2) << "frames of the same numbers from both cameras";
    second.reset();
    bus_.Detach(secondPort);
}

}  // namespace
