// GrayFilterPageLogic.h - the gray filter page of the image filter dialog, without its window:
// the gray mode, a gain and an offset per Bayer position, the Bayer mode and the gray automatic
// gain, edited in the session in place (the frame's Cancel restores them).
#pragma once

#include <cstdint>

#include "dialogs/SliderRow.h"

namespace ovilux::session {
class COvilux;
}

namespace ovilux::dialogs {

enum class GrayRow : int32_t { GainR, GainG1, GainG2, GainB, OffsetR, OffsetG1, OffsetG2, OffsetB };
constexpr int32_t kGrayRowCount = 8;
constexpr int32_t kUnityGray = 128;

class CGrayFilterPageLogic {
public:
    explicit CGrayFilterPageLogic(session::COvilux& session) : session_(session) {}

    static SliderRow Range(GrayRow row);
    int32_t Value(GrayRow row) const;
    void SetValue(GrayRow row, int32_t value);
    int32_t GrayMode() const;
    void SetGrayMode(int32_t mode);
    int32_t BayerMode() const;
    void SetBayerMode(int32_t mode);

    // The automatic gray gain: 0 off, 1 once, -1 every frame. "Once" measures on the next frame;
    // "All frames" toggles between off and every frame (from "once" it goes off).
    int32_t AutoGain() const;
    void PressAutoGainOnce();
    void ToggleAutoGainAllFrames();
    // The box shows whether every frame is measured.
    bool AutoGainAllFramesChecked() const { return AutoGain() < 0; }

    // The frame's "Default(&D)": every gain and offset to 128.
    void Default();

private:
    session::COvilux& session_;
};

}  // namespace ovilux::dialogs
