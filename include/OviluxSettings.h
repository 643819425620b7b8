/* OviluxSettings.h - the settings the Ovilux SDK keeps for each camera between runs, as a
 * text that people can read, keep, share and put under version control, and sessions that
 * leave them alone.
 *
 * Settings live per camera (device number 0 to 31): on Windows in the registry under
 * HKEY_CURRENT_USER\Software\Tesmor\OviluxM03UXSdk, elsewhere in an SQLite database at
 * $OVILUX_REGISTRY, else $XDG_CONFIG_HOME/ovilux/registry.sqlite3, else
 * ~/.config/ovilux/registry.sqlite3. On Windows OVILUX_REGISTRY names another key below
 * HKEY_CURRENT_USER instead. A session loads them when it starts and when a camera is
 * selected, and stores them when a camera is left and when the session is released.
 *
 * The text has a [section] per key, named by its path below the settings root
 * ("[Camera_00\Gain]"), and a line per value: "Name=dword:N" for 32-bit values and
 * "ExposureEx=double:SECONDS". Lines starting with ; or # are comments.
 *
 * A store that cannot be written (a read-only file or folder) is still read; a damaged store
 * is renamed aside (registry.sqlite3.corrupt-DATE-TIME-PID) and a fresh one started. Values
 * outside the range their setter takes are refused on import and replaced by the default on
 * loading.
 *
 * To start from the factory settings without losing the stored ones, set the environment
 * variable OVILUX_SETTINGS=defaults (every session of the process then neither reads nor writes
 * the store), or create the session with OviluxSettings_InitializeWithFactorySettings.
 *
 * These functions need no session and may be called from any thread; stores by running
 * sessions and by other processes are never mixed with them half-way. */
#ifndef OVILUX_SETTINGS_H
#define OVILUX_SETTINGS_H

#include "OviluxSdk.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OVILUX_SETTINGS_DEVICE_COUNT 32

/* Writes the text of camera device's stored settings into text (with a terminating NUL) when
 * capacity holds it. Returns the text's length without the NUL, whether or not it fitted (call
 * with capacity 0 to learn it), or -1 for a device number out of range or a null text with a
 * non-zero capacity. */
OVILUX_API int32_t OviluxSettings_Export(int32_t device, char* text, int32_t capacity);

/* Replaces camera device's stored settings with those of a settings text; the text may have
 * been exported from another camera. Every section, value name, type and value is checked
 * first, each value against the range its setter takes (the camera's own for gains, exposure
 * and black level): on any fault nothing is changed and message (when given) names the line,
 * the value and its allowed range. Returns 1 when stored,
 * 0 otherwise. */
OVILUX_API int32_t OviluxSettings_Import(int32_t device, const char* text, char* message, int32_t messageCapacity);

/* Puts camera device's settings back to those of a first run: the default format and size
 * preset; gains, exposure and filters return to the camera's defaults when it is next selected.
 * Returns 1 when stored, 0 otherwise. */
OVILUX_API int32_t OviluxSettings_Reset(int32_t device);

/* Ovilux_Initialize for a session on the factory settings: it neither reads nor writes the
 * settings store, so the stored settings stay exactly as they are; Ovilux_SetCaptureWindow
 * finds only the factory size preset, and Ovilux_SetCameraDlg (whose presets are the stored
 * ones) is refused with OVILUX_CODE_NOT_SUPPORTED. Returns the handle, 0 when no session could be made. */
OVILUX_API uint32_t OviluxSettings_InitializeWithFactorySettings(OVILUX_HWND notifyWindow);

#ifdef __cplusplus
}
#endif

#endif /* OVILUX_SETTINGS_H */
