// KeptSettings.h - the settings a session keeps for the image pipeline and the camera. The
// application's threads set them while the live-view worker reads them, so every field is an
// atomic: a setter never tears a value the worker is using.
#pragma once

#include <atomic>
#include <cstdint>

#include "session/SessionConstants.h"

namespace ovilux::session {

using KeptInt = std::atomic<int32_t>;

// The capture window: total and effective size, start of the effective part, buffer count.
struct CaptureWindow {
    KeptInt TH{kSensorWidth};
    KeptInt TV{kSensorHeight};
    KeptInt EH{2560};
    KeptInt EV{1920};
    KeptInt EHS{0};
    KeptInt EVS{0};
    KeptInt Buf{4};
};

// The image-filter and gray-filter settings (filter indices 1 to 12, 19 to 28).
struct ImageFilterSettings {
    KeptInt brightness{0};
    KeptInt contrast{0};
    KeptInt hue{0};
    KeptInt saturation{0};
    KeptInt sharpness{0};
    KeptInt bayerGainRed{0};
    KeptInt bayerGainGreen{0};
    KeptInt bayerGainBlue{0};
    KeptInt gamma{0};
    KeptInt bayerMode{0};
    KeptInt grayMode{0};
    KeptInt grayGainR{0};
    KeptInt grayGainG1{0};
    KeptInt grayGainG2{0};
    KeptInt grayGainB{0};
    KeptInt grayOffsetR{0};
    KeptInt grayOffsetG1{0};
    KeptInt grayOffsetG2{0};
    KeptInt grayOffsetB{0};
    KeptInt bayerGainAuto{0};
    KeptInt grayGainCounter{0};  // gray-gain measurements still to make; negative: every frame
};

// The analog settings: what the camera is given whenever a device is selected or capture starts.
struct AnalogSettings {
    KeptInt globalGain{0};
    KeptInt colorGainGreen1{0};
    KeptInt colorGainRed{0};
    KeptInt colorGainBlue{0};
    KeptInt colorGainGreen2{0};
    KeptInt exposure{0};  // units of 0.1 ms
    KeptInt mirrorV{0};
    KeptInt mirrorH{0};
    KeptInt autoIris{0};
    KeptInt blackLevel{0};
    KeptInt coolerOn{0};
    KeptInt presetState{0};
    KeptInt gainMode{0};
    std::atomic<double> exposureSeconds{0.0};
    KeptInt lastExposureMicroseconds{0};
};

// The global gain sets every colour gain of the sensor; the kept colour gains follow it.
inline void KeepGlobalGain(AnalogSettings& analog, int32_t value) {
    analog.globalGain = value;
    analog.colorGainRed = value;
    analog.colorGainGreen1 = value;
    analog.colorGainGreen2 = value;
    analog.colorGainBlue = value;
}

constexpr int32_t kUnityBayerGain = 100;

// The colour modes as codes 0 to 5, exchanged with the application as bits per pixel.
constexpr int32_t kColourModeBits[] = {8, 16, 24, 32, 48, 64};
constexpr int32_t kColourModeCount = 6;

// Code of bits per pixel, or -1 for a depth that is no colour mode.
constexpr int32_t ColourModeOfBits(int32_t bits) {
    for (int32_t mode = 0; mode < kColourModeCount; ++mode) {
        if (kColourModeBits[mode] == bits) {
            return mode;
        }
    }
    return -1;
}

// Modes 1, 4 and 5 take 16-bit samples from the camera; 0, 2 and 3 take 8-bit ones.
constexpr bool IsSixteenBitMode(int32_t mode) { return mode == 1 || mode == 4 || mode == 5; }

}  // namespace ovilux::session
