/* settings.c - read the camera's ranges, set a window, exposure and gain, and check each refusal. */
#include <stdio.h>

#include "OviluxSdk.h"

static int check(uint32_t camera, int32_t result, const char* what) {
    if (!result) {
        fprintf(stderr, "%s refused: code %d\n", what, (int)Ovilux_GetLastError(camera));
    }
    return result != 0;
}

int main(void) {
    uint32_t camera = Ovilux_Initialize(NULL);
    if (camera == 0) {
        fprintf(stderr, "the library could not create a session\n");
        return 1;
    }
    OviluxCameraInfo info = {0};
    info.size = sizeof(info);
    int ok = check(camera, Ovilux_GetCameraInfo(camera, &info), "Ovilux_GetCameraInfo");
    if (ok) {
        printf("sensor %d x %d, global gain %d..%d, exposure %d..%d us\n", (int)info.maxWidth, (int)info.maxHeight,
               (int)info.globalGainMin, (int)info.globalGainMax, (int)info.exposureMin * 100,
               (int)info.exposureMax * 100);
        /* A 1280 x 720 window in the middle: width a multiple of 16, height of 2, origin even. */
        ok = check(camera, Ovilux_SetCaptureWindowEx(camera, info.maxWidth, 656, 1280, info.maxHeight, 612, 720),
                   "Ovilux_SetCaptureWindowEx") &&
             check(camera, Ovilux_SetRealExposureTime(camera, 20000), "Ovilux_SetRealExposureTime") &&
             check(camera, Ovilux_SetGlobalGain(camera, info.globalGainMax / 2), "Ovilux_SetGlobalGain");
    }
    if (ok) {
        int32_t read = 0;
        printf("window %d x %d, exposure %d us, global gain %d\n", (int)Ovilux_Width(camera),
               (int)Ovilux_Height(camera), (int)Ovilux_GetRealExposureTime(camera, &read),
               (int)Ovilux_GetGlobalGain(camera, &read));
    }
    Ovilux_Release(camera);
    return ok ? 0 : 1;
}
