// FormatDialogLogic.h - the camera format dialog without its window: the stored size presets
// with "Custom" after them, the colour mode, sub-sampling, clock and wait time, which edits the
// camera lets the user change, and Apply storing it all under the camera's key.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"

namespace ovilux::session {
class COvilux;
}

namespace ovilux::dialogs {

// The six edits of a size: total, effective and start, horizontal then vertical by pairs.
enum class SizeEdit : int32_t { HTotal, VTotal, HEffective, VEffective, HStart, VStart };
constexpr int32_t kSizeEditCount = 6;

struct SizePreset {
    std::array<uint32_t, kSizeEditCount> edits;  // TH, TV, EH, EV, EHS, EVS
    uint32_t buffers;
};

// The clock list is always shown on its third entry, "High(48MHz)", and cannot be changed.
constexpr int32_t kShownClockEntry = 2;

enum class ApplyResult {
    Stored,
    // "Custom" with all presets the store can number already taken: nothing was added or stored.
    PresetTableFull,
    StoreFailed,
};

class CFormatDialogLogic {
public:
    static constexpr int32_t kMaxPresets = 100;

    CFormatDialogLogic(int32_t deviceNumber, bool widthFree, bool heightFree);

    // Reads the camera key: its presets from Size_00 upward, then the format values. A missing
    // key leaves the defaults; a stored selection outside the list selects the first preset.
    void Load(platform::SettingsStore& store);

    int32_t PresetCount() const { return static_cast<int32_t>(presets_.size()); }
    // "2560 x 1920" for each preset; the window adds "Custom" as the last entry.
    std::vector<std::string> PresetNames() const;
    int32_t SelectedSize() const { return selectedSize_; }
    bool CustomSelected() const { return selectedSize_ == PresetCount(); }
    int32_t ColourMode() const { return colourMode_; }
    int32_t SubSample() const { return subSample_; }
    int32_t WaitTime() const { return waitTime_; }
    uint32_t Edit(SizeEdit edit) const { return edits_[static_cast<size_t>(edit)]; }

    // Which controls the camera's sensor lets the user change.
    bool WidthEditsEnabled() const { return widthFree_; }
    bool HeightEditsEnabled() const { return heightFree_; }
    bool SizeListEnabled() const { return widthFree_ || heightFree_; }
    bool ApplyEnabled() const { return applyEnabled_; }

    // User changes; each enables Apply. Choosing a preset shows its values, "Custom" keeps the
    // edits as they are; an index outside the list is ignored.
    void SelectSize(int32_t index);
    void SetColourMode(int32_t code);
    void SetSubSample(int32_t code);
    void SetWaitTime(uint32_t milliseconds);
    void SetEdit(SizeEdit edit, uint32_t value);

    // OK and Apply: "Custom" adds the edits as a new preset and selects it, a preset is
    // overwritten by them; then every preset and the format values go to the store.
    ApplyResult Apply(platform::SettingsStore& store);

private:
    void ShowPreset(int32_t index);

    int32_t device_;
    bool widthFree_;
    bool heightFree_;
    std::vector<SizePreset> presets_;
    int32_t selectedSize_ = 0;
    int32_t colourMode_ = 2;
    int32_t subSample_ = 0;
    int32_t waitTime_ = 1;
    std::array<uint32_t, kSizeEditCount> edits_{};
    bool applyEnabled_ = false;
};

// The frame around the dialog: capture is stopped while it is open; after OK the session takes
// the new size and format from the store; capture comes back as it was.
class CFormatDialogRun {
public:
    explicit CFormatDialogRun(session::COvilux& session);
    void Finish(bool confirmed);

private:
    session::COvilux& session_;
    int32_t captureState_;
};

}  // namespace ovilux::dialogs
