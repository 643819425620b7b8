// GstCamera.h - what the GStreamer tests share: the plugin's element and provider registered in
// this program, a simulated camera showing a still picture, and waits on a pipeline's bus.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <string>

#include "support/PictureCheck.h"

namespace ovilux::test {

// GStreamer started and oviluxsrc and the device provider registered from this program (the
// ASan build's tests hold the sanitizer runtime themselves, which a plugin loaded by GStreamer's
// scanner would lack).
void StartGstreamer();

// A simulated camera plugged in for one test, showing a block picture with nothing moving and
// fixed levels, unplugged at the end.
class StillCamera {
public:
    explicit StillCamera(bool fast = true);
    ~StillCamera();
    StillCamera(const StillCamera&) = delete;
    StillCamera& operator=(const StillCamera&) = delete;
    int32_t Port() const { return port_; }
    const BlockPicture& Picture() const { return picture_; }
    void Unplug();

private:
    int32_t port_ = -1;
    BlockPicture picture_;
};

// The name the library gives the camera at index now ("" when there is none).
std::string CameraName(int32_t index);

// The next message of one of the types on the bus within ms (scaled with the machine's pace);
// null on time-out. The caller unrefs it.
GstMessage* WaitMessage(GstElement* pipeline, GstMessageType types, uint32_t ms);

// A pipeline from text; fails the test when it does not parse.
GstElement* Pipeline(const std::string& text);

// Runs a pipeline to its end of stream within ms; false (with the error in *failure) otherwise.
bool RunToEnd(GstElement* pipeline, uint32_t ms, std::string* failure);

}  // namespace ovilux::test
