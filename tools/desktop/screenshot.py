"""Saves a picture of the real panel: harklet in a private desktop with a few dev servers
running, its panel opened from the tray icon, the pointer resting on the first row."""

import os
import subprocess
import sys

import pyatspi

from virtual_desktop import (Desktop, click, docked_icons, free_port, named, panel_window, run,
                             wait_for, window_info)


def main(harklet_path, picture):
    with Desktop(composited=True) as desktop:
        ports = []
        # Each server in a project of its own, as a developer's checkouts are.
        for wanted, project in ((3000, "shop-frontend"), (5173, "admin-dashboard/web"),
                                (8000, "billing-api")):
            checkout = os.path.join(desktop.work, "src", project.split("/")[0])
            folder = os.path.join(desktop.work, "src", project)
            os.makedirs(folder, exist_ok=True)
            subprocess.run(["git", "init", "-q", checkout], check=True)
            port = free_port((wanted,))
            desktop.start_listener(port, cwd=folder)
            ports.append(port)
        desktop.start_harklet(harklet_path)

        icon = wait_for("tray icon docks", docked_icons, 30)[0]
        click(icon)
        panel = wait_for("panel opens", panel_window, 15)
        first = wait_for("rows listed", lambda: all(named(f"Port {p}, .*")() for p in ports)
                         and named(f"Port {min(ports)}, .*")(), 30)

        # Hovering shows the row's open and stop buttons.
        x, y, width, height = first.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2)])
        # From the top of the screen, so the tray icon shows above its panel, with some
        # desktop around the panel's rounded, translucent edge.
        box = window_info(panel)
        margin = 16
        left = max(0, box["x"] - margin)
        right = box["x"] + box["width"] + margin
        crop = f"{right - left}x{box['y'] + box['height'] + margin}+{left}+0"
        wait_for("picture saved", lambda: run(["import", "-window", "root", "-crop", crop,
                                               "+repage", f"png:{picture}"]).returncode == 0, 15)


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))
    print(f"Saved {sys.argv[2]}")
