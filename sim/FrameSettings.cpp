// FrameSettings.cpp - the register snapshot of a frame.
#include "sim/FrameSettings.h"

#include <algorithm>

#include "sim/Fpga.h"
#include "sim/ImageSensor.h"

namespace ovilux::sim {

CFrameSettings CFrameSettings::FromRegisters(const CImageSensor& sensor, const CFpga& fpga) {
    CFrameSettings settings;
    settings.readout = sensor.Readout();
    settings.width = fpga.FrameWidth();
    settings.height = fpga.FrameHeight();
    settings.bytesPerSample = fpga.BytesPerSample();
    const double exposure = sensor.ExposureSeconds();
    settings.exposureMicroseconds = static_cast<uint32_t>(std::min(exposure * 1e6, 4.0e9));
    for (int channel = kRed; channel <= kBlue; ++channel) {
        const double factor = std::min(exposure / kReferenceExposureSeconds *
                                           sensor.ChannelGain(static_cast<BayerChannel>(channel)) / kReferenceGain,
                                       kMaximumMultiplier);
        settings.multiplier[channel] = static_cast<uint32_t>(factor * 65536.0 + 0.5);
    }
    return settings;
}

}  // namespace ovilux::sim
