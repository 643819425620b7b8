// CodeTextExports.cpp - OviluxCode_Text: a line of English for every notification code.
#include "OviluxCodes.h"

extern "C" const char* OviluxCode_Text(int32_t code) {
    switch (code) {
        case 0:
            return "no code recorded";
        case OVILUX_CODE_NO_CAMERA:
            return "no camera, the wrong capture state, or no image taken yet";
        case OVILUX_CODE_NOT_PRESENT:
            return "the camera is not present, or the device index is out of range";
        case OVILUX_CODE_THREAD:
            return "a worker thread or its event could not be created";
        case OVILUX_CODE_WINDOW:
            return "the preview window could not be made, or no stored size matches";
        case OVILUX_CODE_MEMORY:
            return "an image buffer could not be allocated, or a buffer is too small";
        case OVILUX_CODE_REFUSED:
            return "the camera refused the register or feature operation";
        case OVILUX_CODE_BAD_WINDOW:
            return "the capture window is invalid or the camera refused it";
        case OVILUX_CODE_NO_FRAME:
            return "a frame could not be taken, or live view could not start";
        case OVILUX_CODE_BAD_ARGUMENT:
            return "an argument is out of range or missing";
        case OVILUX_CODE_NOT_SUPPORTED:
            return "the function or feature is not supported by this camera or library";
        case OVILUX_CODE_CONVERSION:
            return "a name could not be converted, or a file could not be opened or written";
        case OVILUX_CODE_CAMERA_LOST:
            return "the camera was lost during live view";
        case OVILUX_CODE_MASK_FILE:
            return "a defect-mask file could not be read or written";
        default:
            return "an unknown code";
    }
}
