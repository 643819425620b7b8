"""The library's notification codes, their texts, and the exception that carries them."""
from ._library import lib

# A code the library records is one of these; 0 is what an empty stack gives.
CODES = (0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14)


def code_text(code: int) -> str:
    """The library's text for code: "no code recorded" for 0, "an unknown code" for no code."""
    return lib.OviluxCode_Text(int(code)).decode()


MEANINGS = {code: code_text(code) for code in CODES}

NO_CAMERA = 1
NOT_PRESENT = 2
BAD_ARGUMENT = 9


class OviluxError(RuntimeError):
    """A library call failed: .call names it, .code is the code that call recorded (0 when it
    recorded none), .meaning is the library's text for it."""

    def __init__(self, call: str, code: int, detail: str = "") -> None:
        self.call = call
        self.code = code
        self.meaning = code_text(code)
        text = f"{call} failed: " + (f"code {code} ({self.meaning})" if code else self.meaning)
        super().__init__(text + (f"; {detail}" if detail else ""))
