"""Private Wayland desktops for running the real harklet: headless sway with waybar's tray, and
headless weston without a tray, with helpers for the status-notifier item on the session bus.

Run under in_private_session.sh (a private session bus) as a user other than root: sway
refuses root, see as_test_user.sh. Every process started here ends with the desktop.
"""

import os
import re
import signal
import subprocess
import time

import dbus

from virtual_desktop import Desktop, log, run, wait_for

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
MENU_INTERFACE = "com.canonical.dbusmenu"


class HostDidNotStart(Exception):
    """The compositor or its bar could not start here; the test skips rather than fails."""


class WaylandDesktop(Desktop):
    """A headless compositor plus the accessibility bus; the subclasses choose which."""

    name = "compositor"

    def __init__(self):
        super().__init__(tray=False)
        self.runtime = os.environ["XDG_RUNTIME_DIR"]
        self.wayland_display = None
        self.x_display = None

    def __enter__(self):
        try:
            self._start_compositor()
            self.start("a11y-bus", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            wait_for("accessibility bus", self._a11y_bus_up, 20)
        except BaseException:
            self.report()
            self.close()
            raise
        return self

    def harklet_env(self, wayland=True, x11=True):
        """What a start inside this session carries; either display may be left out."""
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        for name in ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        if wayland:
            env["WAYLAND_DISPLAY"] = self.wayland_display
        if x11 and self.x_display:
            env["DISPLAY"] = self.x_display
        return env

    def report(self):
        super().report()
        for name in (self.name, "waybar"):
            if os.path.exists(os.path.join(self.work, f"{name}.log")) and self.output(name):
                log(f"--- {name} output:\n" + self.output(name)[-4000:])

    def _wait_for_socket(self, proc, timeout=30):
        """The compositor's Wayland socket; HostDidNotStart when it exits or never listens."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if proc.poll() is not None:
                raise HostDidNotStart(f"{self.name} exited with {proc.returncode}: "
                                      + self.output(self.name)[-1500:])
            sockets = [n for n in os.listdir(self.runtime)
                       if re.fullmatch(r"wayland-\d+", n)]
            if sockets:
                return sockets[0]
            time.sleep(0.2)
        raise HostDidNotStart(f"{self.name} opened no Wayland socket in {timeout}s: "
                              + self.output(self.name)[-1500:])


class Sway(WaylandDesktop):
    """Headless sway (pixman renderer, no input devices, Xwayland on demand) with waybar
    showing only its tray, which is also the session's status-notifier watcher."""

    name = "sway"

    def _start_compositor(self):
        config = os.path.join(self.work, "sway.conf")
        env_file = os.path.join(self.work, "sway-env")
        with open(config, "w") as out:
            out.write("xwayland enable\n"
                      "output HEADLESS-1 resolution 1280x800\n"
                      "default_border none\n"
                      f"exec env > {env_file}.part && mv {env_file}.part {env_file}\n")
        proc = self.start("sway", ["sway", "-c", config], env=dict(
            os.environ, WLR_BACKENDS="headless", WLR_RENDERER="pixman",
            WLR_LIBINPUT_NO_DEVICES="1"))
        self.wayland_display = self._wait_for_socket(proc)
        os.environ["SWAYSOCK"] = wait_for("sway's IPC socket", lambda: next(
            (os.path.join(self.runtime, n) for n in os.listdir(self.runtime)
             if n.startswith("sway-ipc.")), None), 20)
        wait_for("sway's own environment", lambda: os.path.exists(env_file), 20)
        with open(env_file) as lines:
            for line in lines:
                if line.startswith("DISPLAY="):
                    self.x_display = line.strip().split("=", 1)[1]
        log(f"sway on {self.wayland_display}, Xwayland on {self.x_display}")

        bar = os.path.join(self.work, "waybar.json")
        with open(bar, "w") as out:
            out.write('{"layer": "top", "position": "top", "height": 30,'
                      ' "modules-right": ["tray"], "tray": {"icon-size": 20, "spacing": 8}}')
        style = os.path.join(self.work, "waybar.css")
        with open(style, "w") as out:
            out.write("* { font-family: sans-serif; font-size: 13px; }\n")
        waybar = self.start("waybar", ["waybar", "-c", bar, "-s", style],
                            env=dict(os.environ, WAYLAND_DISPLAY=self.wayland_display))

        def tray_up():
            if waybar.poll() is not None:
                raise HostDidNotStart(f"waybar exited with {waybar.returncode}: "
                                      + self.output("waybar")[-1500:])
            try:
                return bool(watcher().Get(WATCHER, "IsStatusNotifierHostRegistered",
                                          dbus_interface=dbus.PROPERTIES_IFACE))
            except dbus.DBusException:
                return False
        wait_for("waybar's tray watches for items", tray_up, 30)

    def tree(self):
        return __import__("json").loads(run(["swaymsg", "-t", "get_tree", "-r"]).stdout)

    def windows(self):
        """Sway's view of the visible windows: pid, app_id, shell (xdg_shell or xwayland),
        whether it has the keyboard focus, its rect."""
        found = []

        def walk(node):
            if node.get("pid") and node.get("visible"):
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        walk(self.tree())
        return found

    def harklet_windows(self, pid):
        return [w for w in self.windows() if w["pid"] == pid]

    def pointer_click(self, x, y):
        """Sway's own cursor: moves there and clicks, which moves the keyboard focus. With no
        input devices the seat offers clients no pointer, so they see none of it."""
        for command in (f"cursor set {x} {y}", "cursor press button1",
                        "cursor release button1"):
            run(["swaymsg", "seat", "-", *command.split()])

    def screenshot(self, path):
        return run(["grim", path], env=dict(os.environ, WAYLAND_DISPLAY=self.wayland_display))


class Weston(WaylandDesktop):
    """Headless weston with its desktop shell and no tray at all."""

    name = "weston"

    def _start_compositor(self):
        proc = self.start("weston", ["weston", "--backend=headless-backend.so", "--use-pixman",
                                     "--width=1280", "--height=800", "--idle-time=0",
                                     "--debug"], cwd=self.work)
        self.wayland_display = self._wait_for_socket(proc)
        log(f"weston on {self.wayland_display}")

    def screenshot(self, path):
        """weston-screenshooter writes into its working directory; moved to path."""
        before = set(os.listdir(self.work))
        result = subprocess.run(["weston-screenshooter"], stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=20, cwd=self.work,
                                env=dict(os.environ, WAYLAND_DISPLAY=self.wayland_display))
        shots = [n for n in set(os.listdir(self.work)) - before if n.endswith(".png")]
        if result.returncode or not shots:
            raise AssertionError(f"no screenshot: {result.stderr}")
        os.replace(os.path.join(self.work, shots[0]), path)


# The status-notifier item on the session bus


def bus():
    return dbus.SessionBus()


def watcher():
    return bus().get_object(WATCHER, "/StatusNotifierWatcher")


def registered_items():
    """The items the tray's watcher lists, as (bus name, object path) pairs."""
    try:
        items = watcher().Get(WATCHER, "RegisteredStatusNotifierItems",
                              dbus_interface=dbus.PROPERTIES_IFACE)
    except dbus.DBusException:
        return []
    pairs = []
    for item in items:
        service, _, path = str(item).partition("/")
        pairs.append((service, "/" + path if path else "/StatusNotifierItem"))
    return pairs


def owner_pid(service):
    return int(bus().get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
               .GetConnectionUnixProcessID(service, dbus_interface="org.freedesktop.DBus"))


def unique_name(service):
    return str(bus().get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
               .GetNameOwner(service, dbus_interface="org.freedesktop.DBus"))


class Item:
    """One registered status-notifier item."""

    def __init__(self, service, path):
        self.service, self.path = service, path
        self.proxy = bus().get_object(service, path)

    def properties(self):
        return self.proxy.GetAll(ITEM_INTERFACE, dbus_interface=dbus.PROPERTIES_IFACE)

    def tool_tip(self):
        # (icon name, icon pixmaps, title, description)
        return str(self.properties()["ToolTip"][2])

    def activate(self):
        self.proxy.Activate(0, 0, dbus_interface=ITEM_INTERFACE)

    def menu(self):
        return bus().get_object(self.service, str(self.properties()["Menu"]))

    def menu_items(self):
        """The labels and ids of the item's dbusmenu, top level only."""
        _, layout = self.menu().GetLayout(0, -1, ["label", "type"],
                                          dbus_interface=MENU_INTERFACE)
        items = []
        for child in layout[2]:
            ident, props = int(child[0]), child[1]
            if str(props.get("type", "")) != "separator":
                items.append((str(props.get("label", "")), ident))
        return items

    def click_menu_item(self, ident):
        self.menu().Event(ident, "clicked", dbus.String("", variant_level=1), 0,
                          dbus_interface=MENU_INTERFACE)


class BusMonitor:
    """Counts the session-bus messages that a connection sends or receives: signals it
    emits and method calls it gets (property reads among them), from dbus-monitor."""

    def __init__(self, desktop, name):
        self.name = name
        self.path = os.path.join(desktop.work, "dbus-monitor.log")
        self.proc = desktop.start("dbus-monitor", [
            "dbus-monitor", "--session", "--profile", f"sender='{name}'",
            f"destination='{name}'"])
        # Its header comes once it has become a monitor.
        wait_for("dbus-monitor listening", lambda: os.path.getsize(self.path) > 0, 10)

    def messages(self):
        """(kind, member) for each signal the connection sent and each method call it got."""
        with open(self.path) as log_file:
            lines = log_file.read().splitlines()
        seen = []
        for line in lines:
            # --profile: type, time, serial, sender, destination, then path, interface and
            # member for signals and calls
            fields = line.split("\t")
            if len(fields) == 8 and (fields[0], self.name) in (("sig", fields[3]),
                                                                ("mc", fields[4])):
                seen.append((fields[0], fields[-1]))
        return seen

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            self.proc.wait(timeout=5)

