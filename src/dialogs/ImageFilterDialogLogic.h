// ImageFilterDialogLogic.h - the image filter dialog without its window: the software filters of
// every frame, edited in the session in place so the live image follows at the next frame, the
// rows a colour mode leaves enabled, the white balance buttons, Default and Cancel.
#pragma once

#include <cstdint>

#include "dialogs/FilterSnapshot.h"
#include "dialogs/SliderRow.h"

namespace ovilux::session {
class COvilux;
}

namespace ovilux::dialogs {

enum class FilterRow : int32_t { Brightness, Contrast, Hue, Saturation, Sharpness, RedGain, GreenGain, BlueGain, Gamma };
constexpr int32_t kFilterRowCount = 9;

class CImageFilterDialogLogic {
public:
    // Remembers the filter settings; the colour mode now chosen decides the enabled rows and
    // whether the gray filter page is there.
    explicit CImageFilterDialogLogic(session::COvilux& session);
    // Not confirmed: every filter and gray setting goes back to what it was.
    void Finish(bool confirmed);

    static SliderRow Range(FilterRow row);
    // The gray filter page is the dialog's second tab, for monochrome modes only.
    bool HasGrayPage() const { return monochrome_; }
    bool RowEnabled(FilterRow row) const;
    bool WhiteBalanceEnabled() const { return !monochrome_; }
    bool BayerModeEnabled() const { return !monochrome_; }

    int32_t Value(FilterRow row) const;
    // A trackbar or edit changed; values outside the row's range are held at its ends.
    void SetValue(FilterRow row, int32_t value);
    int32_t BayerMode() const;
    void SetBayerMode(int32_t mode);

    // "Once": the next frame is balanced and the balance then switches itself off; the "All
    // frames" box is unchecked.
    void PressWhiteBalanceOnce();
    void CheckWhiteBalanceAllFrames(bool checked);
    bool WhiteBalanceAllFrames() const;

    // "Default(&D)": neutral filters, unity gains and gamma, Bayer mode 1; with the gray page
    // also unity gray gains and offsets (its modes stay).
    void Default();

private:
    session::COvilux& session_;
    CFilterSnapshot before_;
    bool monochrome_;
};

}  // namespace ovilux::dialogs
