// AnalogDialogLogic.h - the analog dialog without its window: gains, exposure (as a value in
// 0.1 ms units, or in seconds where the camera takes that), mirroring and auto iris, each change
// sent to the camera at once and kept in the session; Cancel puts the camera back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/ExposureUnits.h"
#include "dialogs/SliderRow.h"

namespace ovilux::session {
class COvilux;
}

namespace ovilux::dialogs {

enum class AnalogRow : int32_t { GlobalGain, ColorGainG1, ColorGainR, ColorGainB, ColorGainG2, Exposure };
constexpr int32_t kAnalogRowCount = 6;

class CAnalogDialogLogic {
public:
    // Remembers the session's analog settings and Bayer mode and reads the camera's current
    // values into the session; the session must have a camera device object.
    explicit CAnalogDialogLogic(session::COvilux& session);

    // Not confirmed: the remembered values go back to the camera and the session.
    void Finish(bool confirmed);

    SliderRow Range(AnalogRow row) const { return ranges_[static_cast<size_t>(row)]; }
    int32_t Value(AnalogRow row) const;
    // A row's edit changed. The global gain also sets the four colour gains (the caller moves
    // their rows to Value()). A programmatic exposure change is only kept, not sent.
    void SetValue(AnalogRow row, int32_t value, bool programmatic = false);

    bool MirrorV() const;
    bool MirrorH() const;
    void SetMirrorV(bool on);
    void SetMirrorH(bool on);

    // The "Auto Iris" pair: checking one unchecks the other; unchecking leaves auto iris off.
    bool AutoIrisGainChecked() const;
    bool AutoIrisExposureChecked() const;
    void CheckAutoIrisGain(bool checked);
    void CheckAutoIrisExposure(bool checked);

    // The exposure-in-seconds row, shown instead of the exposure row for cameras taking seconds.
    bool TakesSeconds() const { return takesSeconds_; }
    const std::vector<ExposureUnit>& Units() const { return units_; }
    std::string RangeText() const;
    ExposureUnit ChosenUnit() const { return unit_; }
    void ChooseUnit(ExposureUnit unit);
    // The session's exposure in seconds in the chosen unit, as the edit shows it.
    std::string SecondsText() const;
    // The user typed a time in the chosen unit: false (nothing sent) when it is not a number.
    bool SetSecondsText(const std::string& text);
    // "=12.50ms": the exposure value in milliseconds.
    std::string MillisecondsText() const;

    // "Default(&D)": the camera's defaults for gains, exposure and the switches it has.
    void Default();

private:
    void SendRow(AnalogRow row, int32_t value);

    session::COvilux& session_;
    std::array<SliderRow, kAnalogRowCount> ranges_{};
    bool takesSeconds_ = false;
    std::vector<ExposureUnit> units_;
    double minimumSeconds_ = 0.0;
    double maximumSeconds_ = 0.0;
    ExposureUnit unit_ = kMilliseconds;
    // The analog settings and Bayer mode from before the dialog, for Cancel.
    std::vector<int32_t> remembered_;
    double rememberedSeconds_ = 0.0;
    int32_t rememberedBayerMode_ = 0;
};

}  // namespace ovilux::dialogs
