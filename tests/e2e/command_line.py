"""The real harklet's command line: --help and --version answer on standard output with status
0, anything else is refused in one line on standard error with status 2, and none of them
needs a display, starts the tray app or touches a running Harklet. A plain start beside a
running Harklet that does not answer gives up rather than add a second tray icon.
"""

import os
import signal
import subprocess
import sys
import time

from virtual_desktop import Desktop, docked_icons, log, panel_window, run, run_test, wait_for

ANSWERS = [["--help"], ["-h"], ["--version"], ["-v"], ["-hv"]]
# Toolkit options such as -platform are refused too: the program has no options of its own.
REFUSALS = [["--bogus"], ["-x"], ["--version=2"], ["--help-all"], ["-platform", "offscreen"],
            ["foo"], [""], ["--"], ["--", "--help"], ["--help", "--bogus"], ["--bo\ngus\x1b[2J"]]


def check(harklet, arguments, version, env):
    # Long enough for any answer; a tray app that started would still be running at the end.
    result = run([harklet] + arguments, timeout=20, env=env)
    shown = f"harklet {arguments!r}"
    if arguments in REFUSALS:
        assert result.returncode == 2, f"{shown} exited {result.returncode}: {result.stderr!r}"
        assert result.stdout == "", f"{shown} wrote {result.stdout!r}"
        lines = result.stderr.splitlines()
        assert len(lines) == 1 and lines[0].startswith("harklet: "), f"{shown}: {lines!r}"
        assert "\x1b" not in result.stderr, f"{shown} passed a terminal escape through"
        return
    assert result.returncode == 0, f"{shown} exited {result.returncode}: {result.stderr!r}"
    assert result.stderr == "", f"{shown} complained: {result.stderr!r}"
    if arguments in (["--version"], ["-v"]):
        assert result.stdout == f"harklet {version}\n", f"{shown} said {result.stdout!r}"
    else:
        assert result.stdout.startswith("Usage: ") and "--version" in result.stdout, \
            f"{shown} said {result.stdout!r}"


def without_display(harklet, version):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    for arguments in ANSWERS + REFUSALS:
        check(harklet, arguments, version, env)
    # Offscreen, a started tray app would run on until the timeout.
    for arguments in ANSWERS + REFUSALS:
        check(harklet, arguments, version, dict(env, QT_QPA_PLATFORM="offscreen"))
    log("ok: answers and refusals without a display")


def with_running_instance(harklet, version):
    with Desktop() as desktop:
        running = desktop.start_harklet(harklet)
        wait_for("tray icon docks", docked_icons, 30)
        for arguments in ANSWERS + REFUSALS:
            check(harklet, arguments, version, desktop.harklet_env())
        # A start that reached the running one would have its panel mapped by now or soon.
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            assert panel_window() is None, "an option made the running Harklet show its panel"
            time.sleep(0.2)
        assert len(docked_icons()) == 1, "an option added a tray icon"
        assert running.poll() is None, f"the running Harklet ended with {running.returncode}"

        # The same start without arguments does reach it, so the silence above means something.
        plain = run([harklet], timeout=30, env=desktop.harklet_env())
        assert plain.returncode == 0, f"a plain start exited {plain.returncode}: {plain.stderr}"
        wait_for("a plain start shows the running panel", panel_window, 15)

        # One that holds its place but does not answer (stopped, or busy) is not replaced.
        os.kill(running.pid, signal.SIGSTOP)
        try:
            stuck = run([harklet], timeout=20, env=desktop.harklet_env())
        except subprocess.TimeoutExpired:
            raise AssertionError("a start beside a stopped Harklet ran on as a second one")
        finally:
            os.kill(running.pid, signal.SIGCONT)
        assert stuck.returncode == 1 and \
            stuck.stderr == "Harklet is already running but does not answer.\n", \
            f"a start beside a stopped Harklet exited {stuck.returncode}: {stuck.stderr!r}"
        assert len(docked_icons()) == 1, "a start beside a stopped Harklet added a tray icon"
    log("ok: a running Harklet left alone, a stopped one not replaced")


if __name__ == "__main__":
    version = sys.argv[2]
    run_test(lambda harklet: (without_display(harklet, version),
                              with_running_instance(harklet, version)), "command-line test passed")
