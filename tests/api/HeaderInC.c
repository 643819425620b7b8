/* HeaderInC.c - the public header compiled as C99: it must parse, and its records must have the
 * layout a C compiler gives them, which the C++ side compares with its own. */
#include <stddef.h>

#include "OviluxCodes.h"
#include "OviluxSdk.h"
#include "OviluxSettings.h" /* parses as C99 too */
#include "OviluxStream.h"

/* Offsets of the frame record's and camera-info record's fields as C lays them out. */
size_t OviluxTestCOffset(int field) {
    switch (field) {
        case 0:
            return offsetof(OviluxFrameInfo, frameRateX10);
        case 1:
            return offsetof(OviluxFrameInfo, buffer);
        case 2:
            return sizeof(OviluxFrameInfo);
        case 3:
            return offsetof(OviluxCameraInfo, exposureMax);
        case 4:
            return offsetof(OviluxCameraInfo, exposureSecondsMin);
        default:
            return sizeof(OviluxCameraInfo);
    }
}

/* A C caller can take the address of every kind of export. */
int OviluxTestCCanReferenceExports(void) {
    int32_t (*release)(uint32_t) = Ovilux_Release;
    double (*temperature)(uint32_t, int32_t*) = Ovilux_GetTemperatureEx;
    int32_t (*enumerateWide)(uint32_t, OVILUX_WCHAR*) = Ovilux_EnumDeviceW;
    return release != NULL && temperature != NULL && enumerateWide != NULL;
}

/* A C caller reads the code texts. */
const char* OviluxTestCCodeText(int32_t code) { return OviluxCode_Text(code); }
