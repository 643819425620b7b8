// CameraSession.h - one library session with a selected camera, released on scope exit, and
// the tool's way of reporting a failed library call.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ovilux_tool {

// Attaches simulated cameras (hex product ids separated by commas, empty for one M03) unless
// the library already simulates some; false with a message when an id is not accepted.
bool StartSimulation(const std::string& productIds);

// False, with a message, when OVILUX_SIMULATE is set but names no camera the simulation has.
bool CheckSimulationEnvironment();

// The ways this build reaches cameras, for messages.
const char* CameraTransports();

// Reports a failure of what with its code (0: none recorded) and the code's text.
void ReportCode(const char* what, int32_t code);

// Says that no camera was found, how this build reaches cameras, and how to try the simulated one.
void ReportNoCamera(bool simulating);

class CameraSession {
public:
    CameraSession() = default;
    // Every session made afterwards runs on the factory settings (--defaults), or a single one.
    static void UseFactorySettings() { factoryDefault_ = true; }
    explicit CameraSession(bool factorySettings) : factorySettings_(factorySettings) {}
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    // Creates the session only; false with a message when the library refuses.
    bool Create();
    // Creates the session and selects camera index; false with a message (and, when no camera
    // is found at all, the hint to try the simulated one) otherwise.
    bool OpenCamera(int32_t index, bool simulating);
    uint32_t Handle() const { return handle_; }
    // The cameras present, as (device number, name), after the library looked for them afresh:
    // every one of the device table's 32, where Ovilux_EnumDevice names ten at most.
    std::vector<std::pair<int32_t, std::string>> PresentCameras() const;
    // The handle, with the session's code stack read empty first: codes of earlier calls stay
    // on the stack until popped, so a call whose failure is reported takes its handle from
    // here, and the code Fail then reads is that call's own.
    uint32_t Fresh() const;

    // Reports that a library call failed, with the session's newest code and its text, or that
    // it recorded none. Always false, so callers can write:
    //     if (!Ovilux_X(session.Fresh(), ...)) return session.Fail("Ovilux_X");
    bool Fail(const char* call) const;

private:
    static inline bool factoryDefault_ = false;
    bool factorySettings_ = factoryDefault_;
    uint32_t handle_ = 0;
};

}  // namespace ovilux_tool
