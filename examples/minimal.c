/* minimal.c - take one picture and save it. */
#include <stdio.h>
#include <stdlib.h>

#include "OviluxSdk.h"

int main(void) {
    /* A session; with exactly one camera attached it is selected at once. */
    uint32_t camera = Ovilux_Initialize(NULL);
    if (camera == 0) {
        fprintf(stderr, "the library could not create a session\n");
        return 1;
    }
    /* 24-bit colour: rows of width x 3 bytes, padded to a multiple of 4. */
    Ovilux_SetColorMode(camera, 24);
    int32_t stride = (Ovilux_Width(camera) * 3 + 3) & ~3;
    int32_t size = stride * Ovilux_Height(camera);
    unsigned char* image = malloc((size_t)size);
    if (image == NULL || !Ovilux_SnapShot(camera, image, size, 1)) {
        fprintf(stderr, "no picture: code %d\n", (int)Ovilux_GetLastError(camera));
        free(image);
        Ovilux_Release(camera);
        return 1;
    }
    printf("took a %d x %d picture; its first pixel is B %u, G %u, R %u\n", (int)Ovilux_Width(camera),
           (int)Ovilux_Height(camera), image[0], image[1], image[2]);
    if (!Ovilux_SaveImage(camera, "snapshot.png", OVILUX_SAVE_PNG)) {
        fprintf(stderr, "could not save: code %d\n", (int)Ovilux_GetLastError(camera));
    }
    free(image);
    Ovilux_Release(camera);
    return 0;
}
