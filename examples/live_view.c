/* live_view.c - live view with every frame copied into the program's buffer: count 30 frames. */
#include <stdio.h>
#include <stdlib.h>

#include "OviluxSdk.h"

int main(void) {
    uint32_t camera = Ovilux_Initialize(NULL);
    OVILUX_HWND window = OviluxWnd_CreateMessageWindow();
    if (camera == 0 || window == NULL) {
        fprintf(stderr, "no session or no message window\n");
        return 1;
    }
    /* 8-bit monochrome: rows of width bytes, padded to a multiple of 4. */
    Ovilux_SetColorMode(camera, 8);
    int32_t size = ((Ovilux_Width(camera) + 3) & ~3) * Ovilux_Height(camera);
    unsigned char* frame = malloc((size_t)size);
    if (frame == NULL || !Ovilux_CallBackPreview(camera, window, frame, size, 1)) {
        fprintf(stderr, "live view did not start: code %d\n", (int)Ovilux_GetLastError(camera));
        free(frame);
        OviluxWnd_DestroyWindow(window);
        Ovilux_Release(camera);
        return 1;
    }
    int frames = 0;
    while (frames < 30) {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
        if (!OviluxWnd_GetMessage(window, 5000, &message, &wParam, &lParam)) {
            break; /* no frame for 5 s */
        }
        if (message != OVILUX_WM_FRAME) {
            continue;
        }
        if (wParam == 0) {
            fprintf(stderr, "live view stopped: code %d\n", (int)lParam);
            break;
        }
        /* The record is rewritten by the next frame: read it now. */
        const OviluxFrameInfo* info = (const OviluxFrameInfo*)wParam;
        if (++frames % 10 == 0) {
            printf("frame %d: %d x %d, first pixel %u, %.1f fps\n", frames, (int)info->width, (int)info->height,
                   frame[0], info->frameRateX10 / 10.0);
        }
    }
    Ovilux_StopPreview(camera);
    printf("%d frames\n", frames);
    free(frame);
    OviluxWnd_DestroyWindow(window);
    Ovilux_Release(camera);
    return frames == 30 ? 0 : 1;
}
