"""A panel that opens under a resting pointer lights no row until the pointer moves.

In a private X server with a tray: the pointer rests on a row when the panel closes; a second
start opens the panel at the same place, under the pointer that did not move (as under
Xwayland, whose server keeps the pointer where it last saw it while the user is on a Wayland
surface). The row must look as it does with the pointer elsewhere, and light once it moves.
"""

import subprocess
import time

import pyatspi

from virtual_desktop import (Desktop, click, docked_icons, free_port, log, named, panel_window,
                             run, run_test, wait_for)


def row_pixels(box):
    """The screen's pixels in the box once two grabs agree."""
    x, y, width, height = box

    def grab():
        return subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                               "+repage", "rgb:-"], capture_output=True, timeout=20).stdout

    def settled():
        first = grab()
        return first if first and grab() == first else None
    return wait_for("row drawn", settled, 15)


def settled_box(accessible):
    def box():
        extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (extents.x, extents.y, extents.width, extents.height)
    first = box()
    time.sleep(0.3)
    return first if box() == first else None


def show_only(port):
    """Filters the list down to the given port. Other listeners on the machine would otherwise
    share the list: enough of them scroll the row out of the list's view, and ones that come
    and go move it between looks."""
    field = wait_for("filter field", named("Filter"), 15)
    assert field.queryEditableText().setTextContents(str(port)), "the filter field took no text"


def main(harklet_path):
    with Desktop() as desktop:
        port = free_port()
        server = desktop.start_listener(port)
        desktop.start_harklet(harklet_path)
        icon = wait_for("tray icon docks", docked_icons, 30)[0]
        click(icon)
        wait_for("click opens the panel", panel_window, 15)
        show_only(port)
        row = wait_for("row", named(f"Port {port}, python3, process {server.pid}"), 30)
        # The panel grows and moves as rows come in; the row is where two looks agree.
        box = wait_for("row in place", lambda: settled_box(row), 15)
        unlit = row_pixels(box)

        x, y, width, height = box
        run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2)])
        wait_for("row lights under the moving pointer", lambda: row_pixels(box) != unlit, 15)
        run(["xdotool", "key", "Escape"])
        wait_for("Escape closes the panel", lambda: not panel_window(), 15)

        second = run([harklet_path], timeout=30, env=desktop.harklet_env())
        assert second.returncode == 0, f"second start exited {second.returncode}"
        wait_for("the panel opens again under the resting pointer", panel_window, 15)
        assert row_pixels(box) == unlit, "the row opened lit under a pointer that did not move"
        log("ok: unlit under the resting pointer")
        run(["xdotool", "mousemove_relative", "--", "3", "0"])
        wait_for("row lights once the pointer moves", lambda: row_pixels(box) != unlit, 15)


if __name__ == "__main__":
    run_test(main, "hover test passed")
