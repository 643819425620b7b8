/* ovilux - the command-line tool of the Ovilux SDK. So far it only reports the library's version. */
#include <stdio.h>
#include <string.h>

#include "OviluxSdk.h"

int main(int argc, char** argv) {
    unsigned long version = (unsigned long)Ovilux_GetDllVersion();
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("OviluxSdk_M03_UX version 0x%08lX (model %lu, interface %lX.%02lX)\n", version, version >> 16,
               (version >> 8) & 0xFFu, version & 0xFFu);
        return 0;
    }
    fprintf(stderr, "usage: ovilux --version\n(the camera commands are not built yet)\n");
    return 2;
}
