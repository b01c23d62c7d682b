"""The real harklet on Wayland desktops, read over the session bus and AT-SPI.

  sway:   headless sway with waybar's tray. The item registers with its title, icon name
          and pixmaps; Activate opens the panel as a native Wayland window; Escape and a click
          elsewhere close it; the dbusmenu offers Refresh and Quit; rows and their actions
          reach AT-SPI; for 20 s without change the item sends and is asked nothing on the
          bus; starts with and without DISPLAY, and a second start, add no second icon, while
          a start in another session runs on its own; "Quit Harklet" ends it.
  weston: headless weston without a tray. After waiting for one, the panel shows as an
          opaque framed window; a second start shows that window instead of adding one;
          where Qt lacks its Wayland plugin, the message names the session and the package.

Usage: wayland_e2e.py <harklet> sway|weston. Exits 77 (skipped) when the compositor or its
bar cannot start here, unless HARKLET_E2E_NO_SKIP is set, as in CI.
"""

import glob
import os
import re
import shutil
import signal
import sys
import threading
import time

import dbus

from virtual_desktop import do_action, free_port, log, named, run, wait_for
from wayland_desktop import (BusMonitor, HostDidNotStart, Item, Sway, Weston, owner_pid,
                             registered_items, unique_name)
from window_pixels import Picture, changed_box, see_through_corners

QUIET_SECONDS = 20
SKIPPED = 77


def row_pattern(port, server):
    return re.escape(f"Port {port}, python3, process {server.pid}")


def keep_picture(source, name):
    """Copies a screenshot where HARKLET_E2E_PICTURES asks, for a person to look at."""
    folder = os.environ.get("HARKLET_E2E_PICTURES")
    if folder:
        shutil.copy(source, os.path.join(folder, name))


def counted_tool_tip(item):
    match = re.fullmatch(r"Harklet \(([1-9][0-9]*) listening\)", item.tool_tip())
    return match and int(match.group(1))


def check_identity(item):
    props = item.properties()
    assert str(props["Title"]) == "Harklet", f"title {props['Title']!r}"
    assert str(props["IconName"]) == "harklet-symbolic", f"icon name {props['IconName']!r}"
    pixmaps = [(int(w), int(h), len(data)) for w, h, data in props["IconPixmap"]]
    assert pixmaps, "no icon pixmaps"
    assert all(w == h and n == w * h * 4 for w, h, n in pixmaps), f"pixmaps {pixmaps}"
    assert min(w for w, _, _ in pixmaps) <= 22, f"no small pixmap among {pixmaps}"
    assert str(props["Menu"]) == "/MenuBar", f"menu at {props['Menu']}"
    log(f"item: title {props['Title']}, icon {props['IconName']}, pixmaps "
        + ", ".join(f"{w}x{h}" for w, h, _ in pixmaps))


def panel_open(desktop, harklet):
    return desktop.harklet_windows(harklet.pid)


def panel_closed(desktop, harklet):
    return not desktop.harklet_windows(harklet.pid)


def open_panel(desktop, harklet, item, what):
    """Activates the item, as a click on it does, and again if the first came while the
    panel still ignored clicks right after it lost the focus."""
    def opened():
        item.activate()
        try:
            return wait_for("panel window maps", lambda: panel_open(desktop, harklet), 3)
        except AssertionError:
            return None
    return wait_for(what, opened, 15)[0]


def another_session_runs_its_own(desktop, harklet_path, main_pid, results):
    """A start with the same display names but another session bus: it must not hand over
    to the running Harklet; with no tray on its bus it shows its own window."""
    env = desktop.harklet_env()
    proc = desktop.start("other-session", ["dbus-run-session", "--", harklet_path], env=env)
    results["other session"] = (None, "not looked at")
    try:
        wait_for("a start in another session runs on its own",
                 lambda: "found no system tray" in desktop.output("other-session")
                 or proc.poll() is not None, 40)
        results["other session"] = (proc.poll(), desktop.output("other-session"))
        # Its tray-less window, framed by sway, for a person to look at.
        if proc.poll() is None:
            wait_for("its window maps", lambda: [w for w in desktop.windows()
                                                 if w["pid"] not in (main_pid, None)
                                                 and w.get("app_id") == "dev.harklet.Harklet"], 15)
            shot = os.path.join(desktop.work, "sway-window.png")
            if desktop.screenshot(shot).returncode == 0:
                keep_picture(shot, "sway-window.png")
    except AssertionError as failure:
        results["other session"] = (proc.poll(), str(failure))
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(timeout=10)


def on_sway(harklet_path):
    with Sway() as desktop:
        port = free_port()
        server = desktop.start_listener(port)
        harklet = desktop.start("harklet", [harklet_path], env=desktop.harklet_env())

        items = wait_for("item registers with waybar's watcher", registered_items, 30)
        assert len(items) == 1, f"expected one item, found {items}"
        item = Item(*items[0])
        assert owner_pid(item.service) == harklet.pid, "the item is not harklet's"
        check_identity(item)
        wait_for("tool tip counts the listener", lambda: counted_tool_tip(item), 30)

        window = open_panel(desktop, harklet, item, "Activate opens the panel")
        assert window["shell"] == "xdg_shell", f"panel runs through {window['shell']}"
        wait_for("panel has the keyboard focus",
                 lambda: any(w["focused"] for w in desktop.harklet_windows(harklet.pid)), 10)
        wait_for("listener's row on AT-SPI", named(row_pattern(port, server)), 30)
        shot = os.path.join(desktop.work, "sway-panel.png")
        if desktop.screenshot(shot).returncode == 0:
            keep_picture(shot, "sway-panel.png")

        # Quiet: with nothing changing, nothing goes over the session bus to or from the item
        # while Harklet polls. Meanwhile, things that do not touch the item.
        monitor = BusMonitor(desktop, unique_name(item.service))
        began = time.monotonic()
        results = {}
        other = threading.Thread(target=another_session_runs_its_own,
                                 args=(desktop, harklet_path, harklet.pid, results))
        other.start()
        run(["wtype", "-k", "Escape"], env=desktop.harklet_env())
        wait_for("Escape closes the panel", lambda: panel_closed(desktop, harklet), 10)
        other.join()
        time.sleep(max(0.0, QUIET_SECONDS - (time.monotonic() - began)))
        quiet = monitor.messages()
        log(f"{len(quiet)} messages to or from the item in {QUIET_SECONDS}s without change")
        assert harklet.poll() is None, f"harklet ended with {harklet.returncode}"
        assert not quiet, f"the item was not quiet: {quiet[:10]}"
        code, output = results["other session"]
        assert code is None and "found no system tray" in output, \
            f"a start in another session handed over (exit {code}): {output}"

        open_panel(desktop, harklet, item, "Activate opens the panel again")
        wait_for("panel has the keyboard focus",
                 lambda: any(w["focused"] for w in desktop.harklet_windows(harklet.pid)), 10)
        desktop.pointer_click(60, 700)
        wait_for("a click elsewhere closes the panel", lambda: panel_closed(desktop, harklet), 10)

        menu = item.menu_items()
        labels = [label for label, _ in menu]
        assert labels == ["Refresh", "Quit Harklet"], f"menu {labels}"

        # A change is announced: stopping the listener drops the count.
        open_panel(desktop, harklet, item, "panel opens")
        do_action(wait_for("row", named(row_pattern(port, server)), 15), "Stop server")
        wait_for("listener ends", lambda: server.poll() is not None, 15)
        assert server.returncode == -signal.SIGTERM, f"listener ended with {server.returncode}"
        wait_for("row disappears", lambda: not named(row_pattern(port, server))(), 15)
        wait_for("tool tip drops the count", lambda: item.tool_tip() == "Harklet", 15)
        run(["wtype", "-k", "Escape"], env=desktop.harklet_env())
        wait_for("Escape closes the panel", lambda: panel_closed(desktop, harklet), 10)
        changes = [m for m in monitor.messages() if m == ("sig", "NewToolTip")]
        assert len(changes) == 1, f"expected one NewToolTip for one change, saw {changes}"
        monitor.stop()

        for what, env in (("without DISPLAY", desktop.harklet_env(x11=False)),
                          ("through Xwayland, without WAYLAND_DISPLAY",
                           desktop.harklet_env(wayland=False))):
            second = run([harklet_path], timeout=30, env=env)
            assert second.returncode == 0, \
                f"start {what} exited {second.returncode}: {second.stderr}"
            assert registered_items() == items, \
                f"start {what} changed the items: {registered_items()}"
            log(f"ok: a start {what} hands over to the running Harklet")
        wait_for("a second start shows the running panel", lambda: panel_open(desktop, harklet), 15)

        item.click_menu_item(dict(menu)["Quit Harklet"])
        wait_for("Quit Harklet ends harklet", lambda: harklet.poll() is not None, 15)
        assert harklet.returncode == 0, f"harklet ended with {harklet.returncode}"
        wait_for("item leaves the tray", lambda: not registered_items(), 15)


def stable_picture(desktop, path, what):
    """A screenshot once the shell has drawn its background (black before) and two
    pictures taken one after the other agree below the top bar."""
    def settled():
        desktop.screenshot(path)
        first = Picture(path)
        desktop.screenshot(path)
        second = Picture(path)
        drawn = second.at(second.width // 2, second.height // 2) != bytes(3)
        return second if drawn and changed_box(first, second) is None else None
    return wait_for(what, settled, 30)


def without_wayland_plugin(desktop, harklet_path):
    """A copy of harklet whose Qt finds only the X11 and offscreen platform plugins, as on
    a machine without qt6-wayland."""
    folder = os.path.join(desktop.work, "no-wayland-plugin")
    platforms = os.path.join(folder, "plugins", "platforms")
    os.makedirs(platforms)
    for plugin in ("libqxcb.so", "libqoffscreen.so"):
        installed = glob.glob(f"/usr/lib/*/qt6/plugins/platforms/{plugin}")
        assert installed, f"no {plugin} installed"
        os.symlink(installed[0], os.path.join(platforms, plugin))
    with open(os.path.join(folder, "qt.conf"), "w") as conf:
        conf.write(f"[Paths]\nPlugins={folder}/plugins\n")
    copy = os.path.join(folder, "harklet")
    shutil.copy(harklet_path, copy)
    return copy


def on_weston(harklet_path):
    with Weston() as desktop:
        port = free_port()
        server = desktop.start_listener(port)
        before = os.path.join(desktop.work, "before.png")
        desktop_shown = stable_picture(desktop, before, "desktop drawn")
        harklet = desktop.start("harklet", [harklet_path], env=desktop.harklet_env())

        lacking = run([without_wayland_plugin(desktop, harklet_path)], timeout=30,
                      env=desktop.harklet_env())
        expected = (f"Harklet found a Wayland session (WAYLAND_DISPLAY={desktop.wayland_display})"
                    " but Qt's Wayland platform plugin is not installed (Debian package"
                    " qt6-wayland).\n")
        assert lacking.returncode == 1 and lacking.stderr == expected, \
            f"without the plugin: exit {lacking.returncode}, {lacking.stderr!r}"
        log("ok: without Qt's Wayland plugin, the message names the session and the package")

        wait_for("panel shown as a window after waiting for a tray",
                 lambda: "found no system tray" in desktop.output("harklet"), 60)
        wait_for("listener's row on AT-SPI", named(row_pattern(port, server)), 30)

        after = os.path.join(desktop.work, "after.png")
        window_shown = stable_picture(desktop, after, "window drawn")
        keep_picture(after, "weston-window.png")
        box = changed_box(desktop_shown, window_shown)
        assert box, "no window in the picture"
        corners = see_through_corners(desktop_shown, window_shown, box)
        assert not corners, f"the framed window at {box} shows the desktop at {corners}"
        log(f"window at {box}, opaque to its corners")

        second = run([harklet_path], timeout=30, env=desktop.harklet_env())
        assert second.returncode == 0, f"second start exited {second.returncode}"
        assert harklet.poll() is None, f"harklet ended with {harklet.returncode}"


if __name__ == "__main__":
    harklet, host = os.path.abspath(sys.argv[1]), sys.argv[2]
    try:
        {"sway": on_sway, "weston": on_weston}[host](harklet)
    except HostDidNotStart as reason:
        log(f"{host} could not start here: {reason}")
        if os.environ.get("HARKLET_E2E_NO_SKIP"):
            log("FAILED: this run may not skip")
            sys.exit(1)
        log("SKIPPED")
        sys.exit(SKIPPED)
    except (AssertionError, dbus.DBusException) as failure:
        log(f"FAILED: {failure}")
        sys.exit(1)
    log(f"end-to-end test on {host} passed")
