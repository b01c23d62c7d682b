"""A private desktop for running the real harklet: an X server, a tray host, the accessibility
bus, and helpers to find its windows and read it over AT-SPI.

Run under dbus-run-session, so the session bus is private too. Every wait has a deadline and
every process started here is ended when the desktop closes.
"""

import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

import pyatspi
from Xlib import X, display, protocol

t0 = time.monotonic()


def log(message):
    print(f"[{time.monotonic() - t0:6.1f}s] {message}", flush=True)


def run_test(test, passed):
    """Runs test(harklet_path) on the program named on the command line; exit 1 on failure."""
    try:
        test(os.path.abspath(sys.argv[1]))
    except AssertionError as failure:
        log(f"FAILED: {failure}")
        sys.exit(1)
    log(passed)


def wait_for(what, probe, timeout):
    """Polls probe until it returns something truthy, and returns that; raises at the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            log(f"ok: {what}")
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout}s waiting for: {what}")
        time.sleep(0.2)


def run(argv, timeout=10, env=None):
    return subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=timeout, env=env)


def free_port(preferred=()):
    """The first of the preferred loopback ports that is free, else one the system picks."""
    for port in preferred:
        with socket.socket() as s:
            try:
                s.bind(("127.0.0.1", port))
                return port
            except OSError:
                pass
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def accepts(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


# X windows


def window_info(window):
    """Whether an X window is docked (has a parent other than the root) and viewable, and its
    absolute geometry; None when it is gone."""
    tree = run(["xwininfo", "-tree", "-id", str(window)])
    info = run(["xwininfo", "-id", str(window)])
    if tree.returncode or info.returncode:
        return None
    root = re.search(r"Root window id: (0x[0-9a-f]+)", tree.stdout).group(1)
    parent = re.search(r"Parent window id: (0x[0-9a-f]+)", tree.stdout).group(1)

    def number(label):
        return int(re.search(label + r":\s+(-?\d+)", info.stdout).group(1))

    return {
        "docked": parent != root,
        "viewable": "IsViewable" in info.stdout,
        "x": number("Absolute upper-left X"), "y": number("Absolute upper-left Y"),
        "width": number("Width"), "height": number("Height"),
    }


def harklet_windows():
    found = run(["xdotool", "search", "--class", "harklet"])
    windows = {}
    for line in found.stdout.split():
        info = window_info(int(line))
        if info:
            windows[int(line)] = info
    return windows


def docked_icons():
    return [w for w, i in harklet_windows().items() if i["docked"] and i["viewable"]]


def panel_window():
    """The open panel's X window, or None while it is closed."""
    for window, info in harklet_windows().items():
        if not info["docked"] and info["viewable"] and info["width"] >= 300:
            return window
    return None


def settled_geometry(window):
    """The window's geometry once two looks a moment apart agree; a tray may still move a
    freshly docked icon into place."""
    def settled():
        before = window_info(window)
        time.sleep(0.3)
        return before if before == window_info(window) else None
    return wait_for("window in place", settled, 15)


def click(window):
    info = settled_geometry(window)
    x, y = info["x"] + info["width"] // 2, info["y"] + info["height"] // 2
    run(["xdotool", "mousemove", str(x), str(y)])
    run(["xdotool", "click", "1"])


def ask_to_close(window):
    """What a window manager's close button does: a WM_DELETE_WINDOW message."""
    connection = display.Display()
    target = connection.create_resource_object("window", window)
    protocols = connection.intern_atom("WM_PROTOCOLS")
    delete = connection.intern_atom("WM_DELETE_WINDOW")
    target.send_event(protocol.event.ClientMessage(window=target, client_type=protocols,
                                                   data=(32, [delete, X.CurrentTime, 0, 0, 0])))
    # A round trip before closing: a connection closed right after the request sometimes
    # takes the message with it under load, and the window never hears of it.
    connection.sync()
    connection.close()


# AT-SPI


def harklet_accessibles():
    # With the GTK platform theme the process registers a second, empty application: GTK's.
    return [app for app in pyatspi.Registry.getDesktop(0)
            if app is not None and app.name.lower() == "harklet"]


def find_named(root, pattern, depth=0):
    """The first accessible under root whose whole name matches the pattern."""
    if root is None or depth > 25:
        return None
    try:
        if re.fullmatch(pattern, root.name or ""):
            return root
        children = list(root)
    except Exception:  # a node that went away while we walked
        return None
    for child in children:
        hit = find_named(child, pattern, depth + 1)
        if hit is not None:
            return hit
    return None


def named(pattern):
    """A probe for wait_for: the harklet accessible whose name matches the pattern."""
    return lambda: next(filter(None, (find_named(app, pattern) for app in harklet_accessibles())),
                        None)


def dump(root, depth=0):
    """The accessible tree under root as indented "role: name" lines."""
    if root is None or depth > 25:
        return ""
    try:
        text = "  " * depth + f"{root.getRoleName()}: {root.name!r}\n"
        return text + "".join(dump(child, depth + 1) for child in root)
    except Exception:
        return ""


def do_action(accessible, name):
    actions = accessible.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if name not in names:
        raise AssertionError(f"no action {name!r} among {names}")
    actions.doAction(names.index(name))


class Desktop:
    """X server, accessibility bus and tray host, up for the life of a with-block."""

    def __init__(self, tray=True, composited=False):
        self.work = tempfile.mkdtemp(prefix="harklet-desktop-")
        self.started = []
        self.tray = tray
        self.composited = composited

    def __enter__(self):
        try:
            self._start_x_server()
            if self.composited:
                # Translucent windows show as such only under a compositor.
                self.start("compositor", ["xcompmgr"])
            self.start("a11y-bus", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            wait_for("accessibility bus", self._a11y_bus_up, 20)
            if self.tray:
                self.start("trayer", ["trayer", "--edge", "top", "--align", "right",
                                      "--widthtype", "request", "--height", "24",
                                      "--transparent", "false", "--SetDockType", "true"])
                wait_for("tray host",
                         lambda: run(["xdotool", "search", "--class", "trayer"]).stdout, 20)
        except BaseException:
            self.report()
            self.close()
            raise
        return self

    def __exit__(self, kind, failure, trace):
        if failure is not None:
            self.report()
        self.close()
        return False

    def start(self, name, argv, **kwargs):
        out = open(os.path.join(self.work, f"{name}.log"), "wb")
        proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, start_new_session=True, **kwargs)
        self.started.append(proc)
        return proc

    def start_listener(self, port, cwd=None):
        """A real dev server: python3's http.server on a loopback port, started in cwd."""
        proc = self.start(f"listener-{port}", ["/usr/bin/python3", "-m", "http.server",
                                               "--bind", "127.0.0.1", str(port)],
                          cwd=cwd or self.work)
        wait_for(f"listener on port {port}", lambda: accepts(port), 20)
        return proc

    def harklet_env(self):
        return dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    def start_harklet(self, path):
        return self.start("harklet", [path], env=self.harklet_env())

    def output(self, name):
        with open(os.path.join(self.work, f"{name}.log"), errors="replace") as log_file:
            return log_file.read()

    def report(self):
        try:
            log("--- accessible tree:\n" + "".join(map(dump, harklet_accessibles())))
        except Exception as failure:
            log(f"--- no accessible tree: {failure}")
        for name in ("harklet", "trayer", "a11y-bus", "xvfb"):
            if os.path.exists(os.path.join(self.work, f"{name}.log")) and self.output(name):
                log(f"--- {name} output:\n" + self.output(name)[-4000:])

    def close(self):
        for proc in reversed(self.started):
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGTERM)
        for proc in reversed(self.started):
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait(timeout=5)
        shutil.rmtree(self.work, ignore_errors=True)

    def _start_x_server(self):
        read_end, write_end = os.pipe()
        # -noreset: by default the server resets whenever its last client leaves, and a client
        # that connects during the reset (trayer, right after the AT-SPI launcher) is refused.
        self.start("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start")
        os.environ["DISPLAY"] = f":{number}"
        log(f"X server on :{number}")

    @staticmethod
    def _a11y_bus_up():
        # Asks without activating, so the launcher started here stays the only one.
        reply = run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                     "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                     "string:org.a11y.Bus"])
        return "boolean true" in reply.stdout
