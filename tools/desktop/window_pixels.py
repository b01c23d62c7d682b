"""Finding a new window in two screenshots of a desktop, and whether the desktop shows
through its corners. Pictures are read with ImageMagick, as rows of (r, g, b)."""

import subprocess

# Where weston's panel and its clock sit; they change by themselves.
TOP_BAR = 40


def load_rgb(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          text=True, check=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    return [[tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]


def changed_box(before, after):
    """(left, top, right, bottom), inclusive, of the pixels below the top bar that differ;
    None when none do."""
    xs, ys = [], []
    for y in range(TOP_BAR, min(len(before), len(after))):
        old, new = before[y], after[y]
        for x in range(min(len(old), len(new))):
            if old[x] != new[x]:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def see_through_corners(before, after, box, inset=2, reach=8):
    """The pixels near the window's four corners, inside its frame, where the desktop still
    shows: unchanged from the picture without the window. A translucent window with rounded
    corners leaves some there; an opaque one none. The title bar's own rounded corners at the
    very edge are left out by starting `inset` pixels in."""
    left, top, right, bottom = box
    seen = []
    for corner_x, step_x in ((left, 1), (right, -1)):
        for corner_y, step_y in ((bottom, -1),):
            for dy in range(inset, inset + reach):
                for dx in range(inset, inset + reach):
                    x, y = corner_x + step_x * dx, corner_y + step_y * dy
                    if before[y][x] == after[y][x]:
                        seen.append((x, y))
    return seen
