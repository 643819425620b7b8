// CameraOptions.cpp - the shared capture options and the messages of their refusal.
#include "CameraOptions.h"

#include <climits>

#include "CameraSession.h"
#include "Commands.h"
#include "OviluxSdk.h"
#include "SettingLimits.h"

namespace ovilux_tool {

namespace {

std::optional<int32_t> TakeInteger(Arguments& args, const std::string& option, int64_t minimum, int64_t maximum) {
    const auto value = args.TakeValue(option);
    const auto number = value ? ParseNumber(*value, minimum, maximum, option) : std::nullopt;
    return number ? std::optional<int32_t>(static_cast<int32_t>(*number)) : std::nullopt;
}

struct StoredWindow {
    int32_t hTotal = 0, hStart = 0, hEffective = 0, vTotal = 0, vStart = 0, vEffective = 0;
};

StoredWindow ReadWindow(uint32_t handle) {
    StoredWindow w;
    Ovilux_GetCaptureWindowEx(handle, &w.hTotal, &w.hStart, &w.hEffective, &w.vTotal, &w.vStart, &w.vEffective);
    return w;
}

void PutBack(uint32_t handle, const StoredWindow& w, int32_t subsample) {
    Ovilux_SetCaptureWindowEx(handle, w.hTotal, w.hStart, w.hEffective, w.vTotal, w.vStart, w.vEffective);
    if (subsample >= 0) {
        Ovilux_SetSubSample(handle, subsample);
    }
}

}  // namespace

OptionTaken TakeCameraOption(const std::string& option, Arguments& args, CameraOptions& options) {
    std::optional<int32_t> number;
    if (option == "--window") {
        const auto value = args.TakeValue(option);
        options.window = value ? ParseWindow(*value) : std::nullopt;
        return options.window ? OptionTaken::Yes : OptionTaken::Wrong;
    }
    // Only the form is checked here: the camera says what it accepts when it refuses.
    if (option == "--subsample") {
        options.subsample = number = TakeInteger(args, option, 0, 2);
    } else if (option == "--exposure-us") {
        options.exposureUs = number = TakeInteger(args, option, 0, INT32_MAX);
    } else if (option == "--gain") {
        options.gain = number = TakeInteger(args, option, 0, INT32_MAX);
    } else {
        return OptionTaken::NotOurs;
    }
    return number ? OptionTaken::Yes : OptionTaken::Wrong;
}

bool ApplyCameraOptions(const CameraSession& session, const CameraOptions& options) {
    const uint32_t handle = session.Handle();
    const StoredWindow before = ReadWindow(handle);
    const int32_t subsampleBefore = Ovilux_GetSubSample(handle);
    // The window first: a sub-sampling's rules are the stricter, so a window that meets them
    // meets the full size's too.
    if (options.window) {
        const WindowSpec& w = *options.window;
        if (!Ovilux_SetCaptureWindowEx(session.Fresh(), kSensorColumns, w.x, w.width, kSensorRows, w.y, w.height)) {
            session.Fail("Ovilux_SetCaptureWindowEx");
            PutBack(handle, before, subsampleBefore);
            Complain(RefusedWindow(w.x, w.y, w.width, w.height, subsampleBefore < 0 ? 0 : subsampleBefore));
            return false;
        }
    }
    if (options.subsample && !Ovilux_SetSubSample(session.Fresh(), *options.subsample)) {
        session.Fail("Ovilux_SetSubSample");
        PutBack(handle, before, subsampleBefore);
        return false;
    }
    if (options.exposureUs && !Ovilux_SetRealExposureTime(session.Fresh(), *options.exposureUs)) {
        session.Fail("Ovilux_SetRealExposureTime");
        ExplainExposureRange(handle);
        return false;
    }
    if (options.gain && !Ovilux_SetGlobalGain(session.Fresh(), *options.gain)) {
        session.Fail("Ovilux_SetGlobalGain");
        ExplainGainRange(handle);
        return false;
    }
    return true;
}

}  // namespace ovilux_tool
