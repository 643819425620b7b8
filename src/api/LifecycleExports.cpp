// LifecycleExports.cpp - creating and releasing sessions, the error stack, the status.
#include <memory>
#include <new>

#include "OviluxSdk.h"
#include "OviluxSettings.h"
#include "api/Dispatch.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

namespace {

uint32_t CreateSession(OVILUX_HWND notifyWindow, bool useStore) {
    try {
        std::unique_ptr<COvilux> session(new (std::nothrow) COvilux());
        if (!session) {
            return 0;
        }
        // Initialised before it enters the table: no other thread can reach a half-made session.
        // Its result is not a reason to refuse the handle: the session reports its own codes.
        session->Initialize(notifyWindow, useStore);
        const uint32_t handle = ovilux::api::AddSession(ovilux::api::HandleTable(), session.get());
        session.release();
        return handle;
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" uint32_t Ovilux_Initialize(OVILUX_HWND notifyWindow) { return CreateSession(notifyWindow, true); }

extern "C" uint32_t OviluxSettings_InitializeWithFactorySettings(OVILUX_HWND notifyWindow) {
    return CreateSession(notifyWindow, false);
}

extern "C" int32_t Ovilux_Release(uint32_t handle) {
    try {
        COvilux* session = ovilux::api::RemoveSession(ovilux::api::HandleTable(), handle);
        if (session == nullptr) {
            return 0;
        }
        delete session;
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" int32_t Ovilux_GetLastError(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux& s) { return s.GetLastError(); });
}

extern "C" int32_t Ovilux_GetStatus(uint32_t handle) {
    return Dispatch(handle, kFailure, [](COvilux&) { return 0; });
}
