"""The real harklet in a private X server with a tray, read and driven over AT-SPI.

Checks that the icon docks and carries the count in its name, that a click opens the panel
with a listener started here as a row, and that a second click closes it. Without a tray, the
panel shows as a window whose closing quits. (Stopping from a row is keyboard_e2e's, a second
start beside a running one command_line's.)
"""

import re

from virtual_desktop import (Desktop, ask_to_close, click, docked_icons, free_port, named,
                             panel_window, run, run_test, wait_for)


def with_tray(harklet_path):
    with Desktop() as desktop:
        port = free_port()
        server = desktop.start_listener(port)
        harklet = desktop.start_harklet(harklet_path)

        icons = wait_for("tray icon docks", docked_icons, 30)
        assert len(icons) == 1, f"expected one tray icon, found {len(icons)}"
        icon = icons[0]
        label = re.compile(r"Harklet, [1-9][0-9]* servers listening")
        wait_for("tray icon named with the count",
                 lambda: label.fullmatch(run(["xdotool", "getwindowname", str(icon)]).stdout
                                         .strip()), 30)

        click(icon)
        wait_for("click opens the panel", panel_window, 15)

        wait_for("listener's row", named(re.escape(f"Port {port}, python3, process {server.pid}")),
                 30)
        click(icon)
        wait_for("second click closes the panel", lambda: not panel_window(), 15)
        assert harklet.poll() is None, f"harklet ended with {harklet.returncode}"


def without_tray(harklet_path):
    with Desktop(tray=False) as desktop:
        harklet = desktop.start_harklet(harklet_path)
        window = wait_for("panel shown as a window after waiting for a tray", panel_window, 60)
        assert "found no system tray" in desktop.output("harklet"), "no word about the tray"
        ask_to_close(window)
        wait_for("closing the window quits", lambda: harklet.poll() is not None, 15)
        assert harklet.returncode == 0, f"harklet ended with {harklet.returncode}"


if __name__ == "__main__":
    run_test(lambda harklet: (with_tray(harklet), without_tray(harklet)), "end-to-end test passed")
