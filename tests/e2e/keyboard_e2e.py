"""The listener list driven by keyboard and read by a screen reader, in the real harklet.

In a private X server with a tray and the desktop scaled by 2: the panel opens named "Harklet"
with the focus in the filter, so typing filters at once; Down enters the list and Up from its
first line goes back; over AT-SPI the focused line is the focused list item of a list, at its
index among the list's lines; each line's extents are where it shows (a click there focuses it);
Enter opens the browser, Ctrl+C copies, the Menu key and Shift+F10 open the line's menu; the
actions "Copy address" and "Stop server" work as the menu's do; a locked system line offers
only the copy; the System header's action expands and collapses it and its state says so.
"""

import os
import re
import signal
import stat

import pyatspi

from virtual_desktop import (Desktop, accepts, click, do_action, docked_icons, find_named,
                             free_port, harklet_accessibles, harklet_windows, named, panel_window,
                             run, run_test, wait_for, window_info)


def consecutive_free_ports(count):
    """Ports base..base+count-1, all free, whose numbers share all but their last digit."""
    while True:
        base = free_port()
        if base % 10 + count <= 10 and all(free_port([p]) == p for p in range(base, base + count)):
            return list(range(base, base + count))


def has_state(accessible, state):
    accessible.clear_cache()
    return accessible.getState().contains(state)


def actions(accessible):
    offered = accessible.queryAction()
    return [offered.getName(i) for i in range(offered.nActions)]


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def key(*names):
    run(["xdotool", "key", "--delay", "60", *names])


def clipboard():
    return run(["xclip", "-o", "-selection", "clipboard"]).stdout


def popups(panel):
    """Harklet's open windows besides the panel and the tray icon: its menus."""
    return [w for w, i in harklet_windows().items()
            if w != panel and not i["docked"] and i["viewable"]]


def start_named_listener(desktop, name, port):
    """A listener whose process the kernel calls `name`: python3's http.server, started
    through a link of that name."""
    link = os.path.join(desktop.work, name)
    os.symlink(os.path.realpath("/usr/bin/python3"), link)
    proc = desktop.start(f"listener-{port}", [link, "-m", "http.server", "--bind", "127.0.0.1",
                                              str(port)], cwd=desktop.work)
    wait_for(f"{name} listening on port {port}", lambda: accepts(port), 20)
    return proc


def browser_script(desktop):
    """A stand-in browser that notes the addresses it is asked to open."""
    script = os.path.join(desktop.work, "browser")
    opened = os.path.join(desktop.work, "opened")
    with open(script, "w") as out:
        out.write(f'#!/bin/sh\necho "$1" >> {opened}\n')
    os.chmod(script, stat.S_IRWXU)
    return script, lambda: open(opened).read().split() if os.path.exists(opened) else []


def main(harklet_path):
    with Desktop() as desktop:
        port_a, port_b, port_locked = consecutive_free_ports(3)
        server_a = desktop.start_listener(port_a)
        server_b = desktop.start_listener(port_b)
        # KDE's desktop sharing counts as a system listener even when it is the user's own.
        start_named_listener(desktop, "krfb", port_locked)
        browser, opened = browser_script(desktop)
        env = dict(desktop.harklet_env(), QT_SCALE_FACTOR="2", BROWSER=browser,
                   DEFAULT_BROWSER=browser)
        desktop.start("harklet", [harklet_path], env=env)

        icon = wait_for("tray icon docks", docked_icons, 30)[0]
        click(icon)
        panel = wait_for("click opens the panel", panel_window, 15)
        app = wait_for("harklet on the accessibility bus", harklet_accessibles, 15)[0]
        frames = [(child.getRoleName(), child.name) for child in app]
        assert ("frame", "Harklet") in frames, f"no frame named Harklet among {frames}"

        # The focus starts in the filter: typing needs nothing before it.
        field = wait_for("filter field", named("Filter"), 15)
        wait_for("the filter has the focus", lambda: has_state(field, pyatspi.STATE_FOCUSED), 10)
        query = str(port_a)[:-1]
        key(*query)
        wait_for(f"filter reads {query!r}",
                 lambda: field.queryText().getText(0, -1) == query, 15)
        row_a = wait_for("row of the first listener",
                         named(f"Port {port_a}, python3, process {server_a.pid}"), 30)
        row_b = wait_for("row of the second listener",
                         named(f"Port {port_b}, python3, process {server_b.pid}"), 30)
        listing = row_a.parent
        assert listing.getRoleName() == "list", f"rows sit in a {listing.getRoleName()}"
        assert listing.name == "Listeners", f"the list is named {listing.name!r}"
        assert row_a.getRoleName() == "list item", f"a row is a {row_a.getRoleName()}"

        key("Down")
        first = wait_for("Down enters the list", lambda: listing.getChildAtIndex(0), 5)
        wait_for("the first line is focused", lambda: has_state(first, pyatspi.STATE_FOCUSED), 10)
        key("Up")
        wait_for("Up from the first line returns to the filter",
                 lambda: has_state(field, pyatspi.STATE_FOCUSED), 10)
        key("Down")
        index = row_a.getIndexInParent()
        assert 0 <= index < listing.childCount, f"index {index} of {listing.childCount}"
        assert listing.getChildAtIndex(index).name == row_a.name, "the index names another line"
        key(*["Down"] * index)
        wait_for("arrows reach the listener's row", lambda: has_state(row_a, pyatspi.STATE_FOCUSED),
                 10)

        # Extents in screen pixels: inside the panel, full width, and a click there lands on it.
        window = window_info(panel)
        for row in (row_a, row_b):
            x, y, width, height = extents(row)
            inside = (window["x"] <= x and x + width <= window["x"] + window["width"]
                      and window["y"] <= y and y + height <= window["y"] + window["height"])
            assert inside and width > window["width"] * 0.6, \
                f"{row.name}: extents {(x, y, width, height)} for a window at {window}"
        x, y, width, height = extents(row_b)
        run(["xdotool", "mousemove", str(x + width // 4), str(y + height // 2)])
        run(["xdotool", "click", "1"])
        wait_for("a click inside the extents focuses that row",
                 lambda: has_state(row_b, pyatspi.STATE_FOCUSED), 10)
        key("Up")
        wait_for("Up moves to the row above", lambda: has_state(row_a, pyatspi.STATE_FOCUSED), 10)

        key("Return")
        wait_for("Enter opens the browser", lambda: f"http://localhost:{port_a}" in opened(), 15)
        key("ctrl+c")
        wait_for("Ctrl+C copies", lambda: clipboard() == f"localhost:{port_a}", 10)

        do_action(row_b, "Copy address")
        wait_for("Copy address copies", lambda: clipboard() == f"localhost:{port_b}", 10)

        key("Menu")
        wait_for("the Menu key opens the row's menu", lambda: popups(panel), 10)
        key("Down", "Down", "Return")
        wait_for("the menu's copy item copies", lambda: clipboard() == f"localhost:{port_a}", 10)
        wait_for("the menu closes", lambda: not popups(panel), 10)
        key("shift+F10")
        wait_for("Shift+F10 opens the row's menu", lambda: popups(panel), 10)
        key("Escape")
        wait_for("Escape closes the menu", lambda: not popups(panel), 10)
        assert panel_window() == panel, "Escape in the menu closed the panel"

        header = wait_for("System header", lambda: find_named(listing, "System"), 10)
        assert has_state(header, pyatspi.STATE_EXPANDABLE), "the header is not expandable"
        assert has_state(header, pyatspi.STATE_COLLAPSED), "the header starts open"
        assert re.fullmatch(r"\d+ system listeners?, collapsed", header.description), \
            f"header description {header.description!r}"
        locked = f"Port {port_locked}, krfb, process \\d+, system process, locked"
        do_action(header, "Toggle")
        wait_for("the header's action expands it",
                 lambda: has_state(header, pyatspi.STATE_EXPANDED), 10)
        row_locked = wait_for("the locked row shows", lambda: find_named(listing, locked), 10)
        assert actions(row_locked) == ["Copy address"], f"locked row offers {actions(row_locked)}"
        do_action(header, "Toggle")
        wait_for("the header's action collapses it",
                 lambda: has_state(header, pyatspi.STATE_COLLAPSED), 10)
        wait_for("the locked row goes", lambda: not find_named(listing, locked), 10)

        name_b = re.escape(row_b.name)
        do_action(row_b, "Stop server")
        wait_for("Stop server ends the listener", lambda: server_b.poll() is not None, 15)
        assert server_b.returncode == -signal.SIGTERM, f"listener ended {server_b.returncode}"
        wait_for("its row goes", lambda: not named(name_b)(), 15)
        assert server_a.poll() is None, "the other listener ended too"


if __name__ == "__main__":
    run_test(main, "keyboard and screen reader test passed")
