/* OviluxCodes.h - a text for every notification code of the Ovilux SDK library, for messages
 * that say what a failure was.
 *
 * A failing operation stores its code on the session's error stack, where codes of earlier
 * calls stay until Ovilux_GetLastError pops them. To report a call's own code, read the stack
 * empty first (pop until Ovilux_GetLastError returns 0), make the call, and pop once when it
 * failed: 0 then means the call recorded no code (a few failures carry none, such as
 * Ovilux_SetSubSample with a code outside 0 to 2, or a file writer's failure). */
#ifndef OVILUX_CODES_H
#define OVILUX_CODES_H

#include "OviluxSdk.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One line of English for code, without a final full stop: for 0 "no code recorded" (what
 * Ovilux_GetLastError returns from an empty stack), for 1 to 14 what the failure was (see
 * OVILUX_CODE_ in OviluxSdk.h), and "an unknown code" for any other value. The text is static:
 * never freed, valid for the life of the process, the same on every thread. */
OVILUX_API const char* OviluxCode_Text(int32_t code);

#ifdef __cplusplus
}
#endif

#endif /* OVILUX_CODES_H */
