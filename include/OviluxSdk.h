/* OviluxSdk.h - the public C interface of the Ovilux M03 camera SDK (OviluxSdk_M03_UX). */
#ifndef OVILUX_SDK_H
#define OVILUX_SDK_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
typedef HWND OVILUX_HWND;
#else
/* An opaque window: a message window made by OviluxWnd_CreateMessageWindow or a library window. */
typedef struct OviluxWindow_* OVILUX_HWND;
#endif

#if defined(_WIN32)
#if defined(OVILUX_BUILDING_SDK)
#define OVILUX_API
#else
#define OVILUX_API __declspec(dllimport)
#endif
#else
#define OVILUX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Version code: high 16 bits the camera model the library is built for (3 for the M03),
 * low 16 bits 0x0520. Never fails; may be called from any thread without a session. */
OVILUX_API uint32_t Ovilux_GetDllVersion(void);

/* Message windows, so that an application (or a test) on any platform can receive the
 * notifications and frame messages the library posts. On Windows the window is a
 * message-only window of the calling thread, and OviluxWnd_GetMessage must be called
 * from that thread; elsewhere it is a thread-safe queue. */

/* A new message window, or null when none could be made. */
OVILUX_API OVILUX_HWND OviluxWnd_CreateMessageWindow(void);
/* 1 when a message posted to window arrived within timeoutMs, 0 on timeout or a bad window */
OVILUX_API int32_t OviluxWnd_GetMessage(OVILUX_HWND window, uint32_t timeoutMs, uint32_t* message,
                                        uintptr_t* wParam, intptr_t* lParam);
/* Destroys the window and drops its queued messages; later posts to it fail. */
OVILUX_API void OviluxWnd_DestroyWindow(OVILUX_HWND window);

#ifdef __cplusplus
}
#endif

#endif /* OVILUX_SDK_H */
