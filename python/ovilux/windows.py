"""The rules a capture window keeps, and the first one a window breaks."""
from typing import Optional

# sub-sampling code: (said as, width multiple, height multiple, origin multiple)
_STEPS = {0: ("at full size", 16, 2, 2), 1: ("at subsample 1", 32, 8, 4), 2: ("at subsample 2", 64, 16, 8)}
MINIMUM = (320, 8)


def broken_rule(x: int, y: int, width: int, height: int, subsample: int, sensor: tuple) -> Optional[str]:
    """The first rule the window breaks at that sub-sampling on a sensor of (width, height),
    said with the window's own numbers; None when it keeps them all."""
    said, width_step, height_step, origin_step = _STEPS.get(subsample, _STEPS[0])
    if width < MINIMUM[0] or height < MINIMUM[1]:
        return f"a window is at least {MINIMUM[0]} x {MINIMUM[1]} pixels; this one is {width} x {height}"
    if x < 0 or y < 0 or x + width > sensor[0] or y + height > sensor[1]:
        return (f"a window lies inside the {sensor[0]} x {sensor[1]} sensor; this one is {width} x {height} "
                f"at ({x}, {y})")
    if width % width_step:
        return f"{said} the width is a multiple of {width_step}; this one is {width}"
    if height % height_step:
        return f"{said} the height is a multiple of {height_step}; this one is {height}"
    if x % origin_step or y % origin_step:
        return f"{said} x and y are multiples of {origin_step}; this one is at ({x}, {y})"
    return None
