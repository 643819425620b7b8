// CameraStream.h - one simulated camera streamed as a multi-camera application streams it: a
// session of its own, its own picture on the camera, live view into its own buffer, and its frame
// messages read on a thread of its own, each delivered picture checked against what the camera
// was shown. What went wrong comes back as text, so that a child process can report it too.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "OviluxSdk.h"
#include "OviluxStream.h"
#include "support/PictureCheck.h"

namespace ovilux::test {

// Every count of frames lost, whatever the reason.
uint64_t Lost(const OviluxStreamStatistics& s);

// Plugs in a simulated M03 camera on each port, in turn, and returns the device number each got
// (in port order); empty when a camera could not be plugged in or found. No other camera may be
// plugged in then. The table is shared with other processes, so a camera's number is the one that
// became present when it came.
std::vector<int32_t> AttachNumbered(const std::vector<int32_t>& ports);

// The exposure of the rigs' cameras: long enough that every camera's frames are taken in time
// at the machine's pace, so that a frame lost is the library's doing, not the machine's.
int32_t RigExposureMicroseconds();

// Watches how late a thread that only sleeps wakes up, from construction on: a stall of the
// whole process (a machine starved by its neighbours), which no library could stream through. A
// library's lock held across cameras stalls the cameras' threads, never this one.
class StallWatch {
public:
    StallWatch();
    ~StallWatch();
    StallWatch(const StallWatch&) = delete;
    StallWatch& operator=(const StallWatch&) = delete;
    uint32_t LongestStallMs() const { return longest_.load(); }

private:
    std::atomic<bool> stopping_{false};
    std::atomic<uint32_t> longest_{0};
    std::thread watcher_;
};

class CameraStream {
public:
    // The camera on port shows a picture of blocks block pixels wide; a different block size per
    // camera gives each camera a picture of its own.
    CameraStream(int32_t port, int32_t block);
    ~CameraStream();
    CameraStream(const CameraStream&) = delete;
    CameraStream& operator=(const CameraStream&) = delete;

    int32_t Port() const { return port_; }
    uint32_t Handle() const { return handle_; }
    OVILUX_HWND NotifyWindow() const { return notify_; }

    // Shows the camera its picture (again after a replug: a camera plugged in starts afresh).
    bool ShowPicture();
    // A session on device number with a quarter of the default window in 24 bits, and a first
    // picture that shows the camera's own scene.
    bool Open(int32_t number, int32_t exposureMicroseconds);
    // Selects the camera again (after a replug) and starts live view with counts from zero.
    bool Start();
    bool Reselect(int32_t number);
    // Waits until the stream has delivered frames messages since Start (or the limit passed).
    bool AwaitFrames(uint64_t frames, uint32_t limitMs);
    // Waits until the camera-lost failure came (or the limit passed).
    bool AwaitCameraLost(uint32_t limitMs);
    void Stop();

    // What the last stream got wrong for a camera that stayed plugged in: any frame lost, a
    // frame the camera sent and the session did not deliver, a gap or a step back in the
    // frame numbers, a picture not exactly the camera's own.
    std::vector<std::string> SteadyProblems() const;
    // What went wrong with pictures and frame numbers in any stream so far (a replugged camera's
    // losses are its unplugs').
    const std::vector<std::string>& PictureProblems() const { return problems_; }
    // The snapshot found to show the camera's own scene; every frame streamed equals it.
    const std::vector<uint8_t>& Reference() const { return reference_; }
    uint64_t Messages() const { return messages_.load(); }

private:
    bool TakeReference();
    void Consume();
    void CheckFrame();
    void Problem(const std::string& text);

    const int32_t port_;
    const BlockPicture picture_;
    uint32_t handle_ = 0;
    OVILUX_HWND notify_ = nullptr;
    OVILUX_HWND callback_ = nullptr;
    std::vector<uint8_t> buffer_;  // the callback buffer
    std::vector<uint8_t> image_;   // each frame as Ovilux_GetImage hands it out
    std::vector<uint8_t> reference_;

    std::thread consumer_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<uint64_t> messages_{0};
    bool cameraLost_ = false;              // under mutex_
    std::vector<std::string> problems_;    // under mutex_ while the consumer runs
    uint32_t sentAtStart_ = 0;
    uint32_t sentAtStop_ = 0;
    OviluxStreamStatistics running_{};  // the counts just before the stream stopped
    OviluxStreamStatistics stopped_{};
    bool haveNumber_ = false;
    uint32_t lastNumber_ = 0;
};

}  // namespace ovilux::test
