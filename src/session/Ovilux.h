// Ovilux.h - the session object behind one handle: it owns the camera device object and the
// image buffers, keeps the settings, reports errors, and runs capture and the live-view worker.
//
// Threads: the application's threads call the public operations; the capture-control ones
// (start, stop, snapshot, selection, close) are serialised by the capture lock. The live-view
// worker shares the image buffers, the destination and the frame record with them under the
// image lock; every setting it reads is an atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/files/AviWriter.h"
#include "image/mask/DefectMask.h"
#include "platform/CriticalSection.h"
#include "platform/DeviceNotification.h"
#include "platform/Event.h"
#include "platform/MessageWindow.h"
#include "platform/PreviewWindow.h"
#include "platform/Thread.h"
#include "session/DialogRefresh.h"
#include "session/ErrorStack.h"
#include "session/FrameConversion.h"
#include "session/ImageBuffers.h"
#include "session/KeptSettings.h"
#include "session/SettingsLayout.h"
#include "session/StreamStory.h"

namespace ovilux::camera {
class COviluxUXBase;
}

namespace ovilux::session {

// The camera's limits as the camera-information export hands them out.
struct CameraInfoLimits {
    int32_t globalGainMin = 0, globalGainMax = 0, colorGainMin = 0, colorGainMax = 0, exposureMin = 0, exposureMax = 0;
    double exposureSecondsMin = 0.0, exposureSecondsMax = 0.0;
};

// The record whose address each frame message carries (the public OviluxFrameInfo).
struct FrameInformation {
    int32_t reserved;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    int32_t frameRateX10;
    int32_t padding;
    void* buffer;
};

class COvilux;

// The sessions whose recording is open, for the library's unloading: a process that ends
// without releasing its sessions still leaves finalised recordings where the system lets the
// library run at its end.
class CRecordingSessions {
public:
    CRecordingSessions() = default;
    CRecordingSessions(const CRecordingSessions&) = delete;
    CRecordingSessions& operator=(const CRecordingSessions&) = delete;
    void Add(COvilux* session);
    void Remove(COvilux* session);
    // Finalises the recordings still open; run as the library unloads.
    void FinishAll();

private:
    platform::CriticalSection lock_;
    std::vector<COvilux*> sessions_;
};

// The process's one set, made at its first use; its recordings are finalised as the library
// unloads.
CRecordingSessions& OpenRecordings();

class COvilux {
public:
    COvilux();
    // Stores the selected camera's settings, closes capture and the camera, frees the buffers.
    virtual ~COvilux();
    COvilux(const COvilux&) = delete;
    COvilux& operator=(const COvilux&) = delete;

    // ---- Lifecycle, errors, shared state ----
    // Creates the device object, loads the settings, selects the camera when exactly one is
    // attached. 1 / 0 (code 5 when an object could not be made).
    // With useStore false the session runs on the factory settings and neither reads nor
    // writes the settings store; so does every session while OVILUX_SETTINGS=defaults.
    int32_t Initialize(platform::WindowHandle notifyWindow, bool useStore = true);
    bool UsesStore() const { return usesStore_; }
    // Stores and posts a code; posts a code without storing it; pops the newest code.
    void RecordError(int32_t code) { errors_.Record(code); }
    void PostCode(int32_t code) { errors_.Post(code); }
    int32_t GetLastError() { return errors_.Pop(); }
    // Null until Initialize has made it; never changes afterwards.
    camera::COviluxUXBase* Camera() const { return camera_.get(); }
    // The opened camera's sensor array; the sensor of the product the library is built for
    // while no camera is open.
    int32_t SensorWidth() const;
    int32_t SensorHeight() const;
    ImageFilterSettings& ImageFilter() { return filter_; }
    AnalogSettings& Analog() { return analog_; }
    KeptInt& DotFilterFlag() { return dotFilter_; }
    KeptInt& MaskFilterFlag() { return maskFilter_; }

    // ---- Devices ----
    int32_t EnumDevice(char* names);
    int32_t EnumDeviceW(char16_t* names);
    int32_t GetDeviceName(int32_t index, char* buffer, int32_t length);
    int32_t GetDeviceNameW(int32_t index, char16_t* buffer, int32_t length);
    int32_t SetDeviceNumber(int32_t index);
    int32_t Close();

    // ---- Format ----
    int32_t SetCaptureWindow(int32_t width, int32_t height);
    int32_t SetCaptureWindowEx(int32_t hTotal, int32_t hStart, int32_t hEffective, int32_t vTotal, int32_t vStart,
                               int32_t vEffective);
    int32_t GetCaptureWindowEx(int32_t* hTotal, int32_t* hStart, int32_t* hEffective, int32_t* vTotal, int32_t* vStart,
                               int32_t* vEffective);
    int32_t Width() const { return window_.EH.load(); }
    int32_t Height() const { return window_.EV.load(); }
    int32_t SetColorMode(int32_t bits);
    int32_t GetColorMode() const;
    int32_t SetSubSample(int32_t code);
    int32_t GetSubSample() const { return subSample_.load(); }
    int32_t SetMirrorH(int32_t on);
    int32_t SetMirrorV(int32_t on);
    int32_t GetMirrorH();
    int32_t GetMirrorV();
    int32_t SetSamplingRate(int32_t value);
    int32_t SetPreviewWindow(platform::WindowHandle parent, int32_t x, int32_t y, int32_t width, int32_t height);
    int32_t SetAutoIris(int32_t mode);
    // Balances white on the next frame and then switches the automatic balance off again.
    void RequestOneShotWhiteBalance();
    // Balances white on every frame (on) or not at all (off); a pending one-shot request ends.
    void SetContinuousWhiteBalance(bool on);
    int32_t GetAutoIris(int32_t* ok);

    // ---- Exposure ----
    int32_t SetExposureTimeEx(double seconds);
    double GetExposureTimeEx(int32_t* ok);
    int32_t SetRealExposureTime(int32_t microseconds);
    int32_t GetRealExposureTime(int32_t* ok);
    // Keeps an exposure value (0.1 ms units, already range-checked), sends it to the camera and
    // re-reads the exposure in seconds where the camera has one; code 6 when refused.
    int32_t ApplyExposure(int32_t value);
    // The camera's exposure limits; false (code 2 recorded) when no camera is open to ask.
    bool ExposureLimits(int32_t* minimum, int32_t* maximum);

    // ---- Filter values, registers and camera information ----
    // One index selects a kept image setting, a camera gain, the exposure or a camera feature;
    // *ok (when given) is 1 for a reading and 0 on every failure, whose code is recorded.
    int32_t GetFilterValue(int32_t index, int32_t* ok);
    // 1 when the value was taken; 0 with the index's code otherwise.
    int32_t SetFilterValue(int32_t index, int32_t value);
    // Registers: code 1 without a camera, 6 when the camera refuses.
    int32_t ReadSensorRegister(uint32_t address, int32_t* ok);
    int32_t WriteSensorRegister(uint32_t address, uint32_t value);
    int32_t ReadFpgaRegister(uint8_t address, int32_t* ok);
    int32_t WriteFpgaRegister(uint8_t address, uint8_t value);
    int32_t GetIOPort(uint8_t* value);
    int32_t SetIOPort(uint8_t value);
    // One byte of the configuration memory; false without a camera or when the camera fails.
    bool SromRead(uint16_t address, uint8_t* value);
    bool SromWrite(uint16_t address, uint8_t value);
    // The camera's gain and exposure limits (the exposure in seconds too when asked); false with
    // code 1 without a camera, 2 when the camera has no sensor model to ask.
    bool ReadCameraLimits(CameraInfoLimits& limits, bool seconds);
    // The camera's temperature: 1 read (code 0), 0 with code 1, 11 (no sensor) or 12 (failed).
    int32_t ReadTemperature(double* celsius);

    // ---- Analog settings of the analog and format dialogs ----
    // Each is sent to the camera and kept only when the camera took it; none records a code.
    bool TakesExposureSeconds() const;
    // The camera's gain and exposure limits (in seconds too where it takes seconds); zeros
    // where it has none.
    CameraInfoLimits AnalogLimits() const;
    // Reads the camera's exposure in seconds into the kept one.
    void RereadExposureSeconds();
    // Sends the global gain with the four colour gains it sets and keeps them all.
    bool SendGlobalGain(int32_t value);
    // Keeps the time and the exposure value the camera made of it.
    bool ApplyExposureSeconds(double seconds);
    bool ApplyBlackLevel(int32_t level);
    bool ApplyCooler(int32_t on);
    bool ApplyPreset(int32_t on);
    bool ApplyGainMode(int32_t mode);
    // The camera's defaults for gains and exposure; level default, cooler on, preset off and
    // gain mode 0 where the camera has them.
    void ApplyAnalogDefaults();
    // Sends the kept level, cooler, preset and gain mode again.
    void PushAnalogSwitches();
    // The selected camera's device number and whether its window width and height are free.
    int32_t SelectedDeviceNumber() const;
    bool WidthFree() const;
    bool HeightFree() const;

    // ---- Capture ----
    int32_t Preview();
    int32_t CallBackPreview(platform::WindowHandle callbackWindow, void* buffer, int32_t size, int32_t rowOrder);
    int32_t StartPreview();
    int32_t StopPreview();
    int32_t Capture();
    int32_t SnapShot(void* buffer, int32_t size, int32_t rowOrder);
    int32_t GetImage(void* buffer, int32_t size, int32_t rowOrder);
    int32_t SetWaitTime(int32_t milliseconds);
    int32_t GetWaitTime() const { return waitTime_.load(); }
    // The frame delivered last, if any; counts of frames delivered and lost (reset to 0).
    std::optional<DeliveredFrame> LastFrame();
    StreamStatistics Statistics() const;
    void ResetStatistics();
    // 0 idle, 1 live view, 2 prepared for single captures.
    int32_t CaptureState() const { return captureState_.load(); }
    // Reads the selected size preset and the format group from the settings store again (the
    // format dialog changed them there).
    void ReloadSizeAndFormat();

    // ---- Open dialogs ----
    // The dialog told of what the frame chain changes by itself; null when none is open. The
    // call returns only when no frame is telling the previous one any more.
    void SetDialogRefresh(CDialogRefresh* refresh);

    // ---- Recording ----
    // Starts live view and records its frames into an AVI file (ANSI name) for durationMs from
    // the first frame; files that would pass 2 GiB continue in NAME_001.avi, NAME_002.avi, ...
    // 1 when recording has started. Stopping capture ends the recording with its files
    // finalised; a failed write does too and posts code 12.
    int32_t Record(const char* fileName, int32_t durationMs, int32_t showWindow);
    int32_t RecordW(const char16_t* fileName, int32_t durationMs, int32_t showWindow);
    // Only for tests of splitting: the size no recorded file may pass.
    void SetRecordFileLimit(uint64_t bytes) { recordFileLimit_ = bytes; }
    // Ends the recording and sees its file finalised, as the library unloads: by its thread
    // when that still runs, else here; a thread that does not end in time keeps the file.
    void FinishRecordingAtUnload();

    // ---- Image files ----
    // Saves the current image of the colour mode in a file format (0 to 6); 1 / 0.
    int32_t SaveImage(const char* fileName, int32_t format);
    // The same with a UTF-16 name, converted with the thread's ANSI code page.
    int32_t SaveImageW(const char16_t* fileName, int32_t format);

    // ---- Configuration files ----
    // Replaces the configuration pairs with those of a file; 0 without a code when the file
    // cannot be read.
    int32_t LoadConfigFile(const char* fileName);
    // The same with a UTF-16 name (code 12 when it does not convert).
    int32_t LoadConfigFileW(const char16_t* fileName);

    // ---- Defect mask ----
    // Makes the raw frame now held the dark (selector 0) or bright (1) reference of its depth
    // and rebuilds the hot or dead mask; a frame of another size than the sensor's records
    // nothing. 1 / 0 (code 1 without a camera or a frame, 12 for another selector).
    int32_t UpdateMaskData(int32_t selector);
    // Replaces all four references with a mask file's and rebuilds the masks; a file that is
    // not one whole mask file changes nothing (code 14).
    int32_t LoadMaskFile(const char* fileName);
    int32_t LoadMaskFileW(const char16_t* fileName);
    // Writes the four references as a mask file; a failed save keeps the old file (code 14).
    int32_t SaveMaskFile(const char* fileName);
    int32_t SaveMaskFileW(const char16_t* fileName);

private:
    int32_t ReadRegisterThrough(bool fpga, uint32_t address, int32_t* ok);
    int32_t WriteRegisterThrough(bool fpga, uint32_t address, uint32_t value);

    // The format a capture was prepared for; the worker converts in it until capture restarts.
    struct PreparedFormat {
        int32_t colourMode = -1;
        int32_t width = 0;
        int32_t height = 0;
        // Where the window lies on the sensor, and whether it spans the sensor's full width or
        // height (the mask filter then leaves the frame's border alone).
        int32_t left = 0;
        int32_t top = 0;
        bool spansSensor = false;
    };

    // The settings store: the capture window and format of the camera key (1 when read), and
    // the Gain, Filter and Gray groups of the device now selected.
    int32_t LoadSize();
    int32_t LoadFormat();
    void LoadDeviceSettings();
    void StoreDeviceSettings();
    // The filter switches the store does not keep, off for a camera without stored filters.
    void ResetUnkeptFilterSwitches();
    // A camera selected for the first time gets the camera key of a first run.
    void GiveCameraKeyFirstRunValues(int32_t device);
    // The selected camera's size preset of that effective size (the factory one when the
    // session does not use the store).
    std::optional<StoredKey> FindSizePreset(int32_t width, int32_t height);
    void PushSelectionSettings();
    void PushCaptureSettings();
    // Gives the camera the session's window and sub-sampling while no live view holds one: the
    // longest exposure a camera advertises may depend on them (the M03's rows last longer as
    // the window widens), so it must know them before an exposure is checked or sent. A window
    // the camera refuses is reported when a capture prepares it.
    void ShowCameraTheWindow();
    void SendExposure();

    // One reading of the capture window. Setters change it under the capture lock, so a
    // reading under that lock is one consistent window.
    struct WindowValues {
        int32_t TH, TV, EH, EV, EHS, EVS;
    };
    WindowValues StoredWindow() const;
    // A kept window that does not fit the opened camera's sensor (the first run's on a small
    // sensor, or one stored for a larger product) gives way to the product's first-run window.
    void FitWindowToSensor();
    void StoreWindow(const WindowValues& window);
    bool IsWindowValid(const WindowValues& window) const;
    bool HasPreviewPlacement() const;
    // The preview window: made when a placement asks for one and none is open (0, or code 4
    // when it could not be made); painted with the converted frame under the image lock;
    // removed once capture has stopped.
    int32_t OpenPreviewWindow();
    void PaintPreview();
    void ClosePreviewWindow();
    // Sizes the buffers and programs the camera; 0 or the code of the failure.
    int32_t Prepare();
    bool SizeBuffers(int32_t mode, int32_t width, int32_t height);
    // Live view in the library's window or windowless; shared by Preview and CallBackPreview.
    int32_t StartLiveView();
    bool SameFormatPrepared();
    void LiveViewWorker();
    // The camera's frame wait, continued until a frame is ready, the camera is lost or the time
    // is up (0).
    int32_t WaitForFrame(uint32_t timeoutMs);
    // Reads the ready frame into the prepared raw buffer and converts it; under the image lock.
    bool TakeFrame();
    ConversionSettings CurrentConversion(int32_t colourMode) const;
    // Scales the camera's exposure or global gain by what the frame's regions ask, when auto
    // iris is on; on the thread that converts the frame, under the image lock.
    void RunAutoIris(const image::DibImage& raw);
    // The mask filter and the dot filter, as switched on, under the mask lock.
    void RunDefectSteps(image::DibImage& raw);
    // The references and masks, made at the first need; null when the memory cannot be had.
    // Under the mask lock.
    image::mask::DefectMask* DefectMaskLocked();
    // Keeps the Bayer and gray gains the chain measured, and counts the measurement.
    void KeepMeasurements(const RawMeasurements& measured, const ConversionSettings& settings);
    // The image of the current colour mode if it holds a frame, else null with the code to
    // record; under the image lock.
    const image::DibImage* CurrentFrameImage(int32_t& failure);
    void CountFrame();
    // Counts the frame just taken as delivered (and keeps its metadata) or as one the
    // application's buffer could not hold; under the image lock.
    void AccountFrame(bool delivered);
    // The frame just taken into the application's buffer (none when it gave none), counted;
    // false when the buffer could not hold it. Under the image lock.
    bool DeliverTaken(void* buffer, int32_t size, int32_t rowOrder);
    // Copy into the application's buffer, with the failure posted and recorded.
    bool DeliverTo(const image::DibImage& source, void* buffer, int32_t size, int32_t rowOrder);
    void PostFrameMessage(uintptr_t wParam, intptr_t lParam);
    void RecordingThread(uint32_t durationMs);
    // Ends the file being written; false (code 12 recorded) when it could not be made whole.
    bool FinishRecordFile(uint32_t partFrames, uint32_t spanMs);
    void StopRecording();

    std::unique_ptr<camera::COviluxUXBase> camera_;
    ImageBuffers images_;
    CaptureWindow window_;
    ImageFilterSettings filter_;
    AnalogSettings analog_;
    platform::CriticalSection imageLock_;
    // Serialises starting and stopping capture between application threads; never taken by
    // the worker, so StopPreview may wait for the worker while holding it.
    platform::CriticalSection captureLock_;

    // Worker-thread block.
    std::atomic<int32_t> runFlag_{0};
    // Set by a stop: the worker sleeps out the wait time on it, so no wait time delays a stop.
    platform::Event stopRequested_{platform::EventReset::Manual, false};
    platform::Thread captureThread_;

    // Preview placement (a window wanted when any is set).
    std::atomic<platform::WindowHandle> previewParent_{nullptr};
    KeptInt previewX_{0};
    KeptInt previewY_{0};
    KeptInt previewWidth_{0};
    KeptInt previewHeight_{0};
    // The window and its display copy, under the image lock.
    std::unique_ptr<platform::PreviewWindow> previewWindow_;
    image::DibImage displayCopy_;

    std::atomic<platform::WindowHandle> callbackWindow_{nullptr};
    // Delivery, under the image lock.
    void* destination_ = nullptr;
    int32_t destinationSize_ = 0;
    int32_t rowOrder_ = 0;
    FrameInformation frameInfo_{};
    PreparedFormat prepared_;
    // The frames' story: counts written under the image lock, read anywhere; the last frame's
    // metadata under its own lock, so that a reader never waits for a conversion.
    std::atomic<uint64_t> delivered_{0};
    std::atomic<uint64_t> bufferTooSmall_{0};
    uint64_t lostAtLastFrame_ = 0;
    platform::CriticalSection storyLock_;
    std::optional<DeliveredFrame> lastFrame_;

    std::atomic<int32_t> captureState_{0};
    std::atomic<int32_t> colourMode_{0};
    std::atomic<int32_t> subSample_{0};
    std::atomic<int32_t> waitTime_{0};
    std::atomic<int32_t> clockMode_{0};
    // Rate bookkeeping: the worker's own.
    int32_t frameCounter_ = 0;
    uint32_t lastRateTime_;

    // Recording: the worker counts converted frames; the recording thread owns the writer and
    // its rows image between Record and its end (joined by StopPreview).
    std::atomic<int32_t> recording_{0};
    std::atomic<uint32_t> frameSerial_{0};
    platform::Thread recordThread_;
    std::unique_ptr<image::CAviWriter> avi_;
    image::DibImage aviRows_;
    std::string recordName_;
    uint64_t recordFileLimit_ = image::kAviFileLimit;

    CErrorStack errors_;
    // Device-change messages for the notification window while the session lives.
    platform::DeviceNotificationRegistration arrivals_;
    std::atomic<int32_t> selectedDevice_{0};
    // The product id this session asks the camera device for, fixed at Initialize.
    int32_t productId_ = kProductId;
    // Set once a camera has been opened: from then on the settings kept are a camera's, and
    // they belong to the device number they were loaded for.
    std::atomic<int32_t> deviceSelected_{0};
    std::atomic<int32_t> settingsDevice_{0};
    bool usesStore_ = true;  // fixed at initialisation
    // Integer pairs of the last configuration file, under the image lock; nothing in the
    // library reads them, they are kept for the camera's own use.
    std::vector<std::pair<int32_t, int32_t>> configPairs_;
    // The defect references and masks (some 55 MB), made only once a session uses them. The
    // mask lock guards them; the frame chain takes it inside the image lock, so anything
    // holding both takes the image lock first.
    platform::CriticalSection maskLock_;
    std::unique_ptr<image::mask::DefectMask> defects_;
    KeptInt maskFilter_{0};
    KeptInt dotFilter_{0};
    // Whether the camera mirrors by itself, read when capture is prepared; the chain mirrors
    // in software what it cannot.
    std::atomic<bool> cameraMirrorsH_{true};
    std::atomic<bool> cameraMirrorsV_{true};
    // The two requests of a one-shot white balance; with both set the next measurement also
    // switches the automatic balance off.
    static constexpr int32_t kBothWhiteBalanceRequests = 3;
    KeptInt whiteBalanceRequests_{0};
    // The open dialog to tell, and the lock that keeps it alive while it is told.
    platform::CriticalSection refreshLock_;
    CDialogRefresh* dialogRefresh_ = nullptr;
    template <typename Tell>
    void TellDialog(Tell tell);
};

}  // namespace ovilux::session
