// FilterSnapshot.h - the image-filter and gray-filter settings as they were when a dialog
// opened, put back when it is cancelled.
#pragma once

#include <cstdint>
#include <vector>

#include "session/KeptSettings.h"

namespace ovilux::dialogs {

class CFilterSnapshot {
public:
    explicit CFilterSnapshot(const session::ImageFilterSettings& settings);
    void RestoreInto(session::ImageFilterSettings& settings) const;

private:
    std::vector<int32_t> values_;
};

}  // namespace ovilux::dialogs
