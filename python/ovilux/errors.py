"""The library's notification codes and the exception that carries them."""

MEANINGS = {
    0: "success",
    1: "no camera object, wrong capture state, or no image yet",
    2: "the camera is not present, or a device index out of range",
    3: "a worker thread or its event could not be created",
    4: "the preview window could not be made; no matching size preset",
    5: "an image buffer could not be allocated, or a buffer is too small",
    6: "the camera refused a register or feature operation",
    7: "the capture window is invalid or the camera refused it",
    8: "a frame could not be taken or the live view could not start",
    9: "an argument is out of range or null",
    11: "the function or feature is not supported (or not built)",
    12: "a name could not be converted; temperature or file failure",
    13: "the camera was lost during live view",
    14: "a defect-mask file could not be read or written",
}

NO_CAMERA = 1
NOT_PRESENT = 2
BAD_ARGUMENT = 9


class OviluxError(RuntimeError):
    """A library call failed: .call names it, .code is the library's code, .meaning explains it."""

    def __init__(self, call, code, detail=""):
        self.call = call
        self.code = code
        self.meaning = MEANINGS.get(code, "unknown code")
        text = f"{call} failed: code {code} ({self.meaning})"
        super().__init__(text + (f"; {detail}" if detail else ""))
