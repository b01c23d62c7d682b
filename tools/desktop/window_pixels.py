"""Finding a new window in two screenshots of a desktop, and whether the desktop shows
through its corners. Pictures are read with ImageMagick."""

import subprocess

# Where weston's panel and its clock sit; they change by themselves.
TOP_BAR = 40


class Picture:
    """A screenshot's pixels, three bytes (r, g, b) each."""

    def __init__(self, path):
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                              text=True, check=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"],
                                  capture_output=True, check=True).stdout

    def row(self, y):
        return self.raw[y * self.width * 3:(y + 1) * self.width * 3]

    def at(self, x, y):
        start = (y * self.width + x) * 3
        return self.raw[start:start + 3]


def changed_box(before, after):
    """(left, top, right, bottom), inclusive, of the pixels below the top bar that differ;
    None when none do."""
    left = top = right = bottom = None
    for y in range(TOP_BAR, min(before.height, after.height)):
        old, new = before.row(y), after.row(y)
        if old == new:
            continue
        differing = [x for x in range(min(before.width, after.width))
                     if old[x * 3:x * 3 + 3] != new[x * 3:x * 3 + 3]]
        top = y if top is None else top
        bottom = y
        left = differing[0] if left is None else min(left, differing[0])
        right = differing[-1] if right is None else max(right, differing[-1])
    return None if top is None else (left, top, right, bottom)


def see_through_corners(before, after, box, inset=1, reach=10):
    """The pixels near the window's two lower corners where the desktop still shows:
    unchanged from the picture without the window. A translucent window with rounded
    corners leaves some inside its frame there; an opaque one none. (The upper corners
    belong to the title bar, which may round its own.)"""
    left, _, right, bottom = box
    seen = []
    for corner_x, step_x in ((left, 1), (right, -1)):
        for dy in range(inset, inset + reach):
            for dx in range(inset, inset + reach):
                x, y = corner_x + step_x * dx, bottom - dy
                if before.at(x, y) == after.at(x, y):
                    seen.append((x, y))
    return seen
