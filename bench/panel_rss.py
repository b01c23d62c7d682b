"""Resident memory of the real harklet with many listeners and the panel open.

In a private X server with a tray (tools/desktop/virtual_desktop.py): bench_load opens the
listeners, harklet starts, its icon is clicked, and once the icon counts them all and the panel
has been open a few seconds, VmRSS and VmHWM are read from /proc.
  tools/desktop/in_private_session.sh bench/panel_rss.py <harklet> <bench_load> [listeners=200]
"""

import re
import subprocess
import sys
import time

from virtual_desktop import Desktop, click, docked_icons, log, panel_window, run, wait_for


def memory(pid):
    with open(f"/proc/{pid}/status") as status:
        fields = dict(line.split(":", 1) for line in status if ":" in line)
    mib = {name: int(fields[name].split()[0]) / 1024
           for name in ("VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem")}
    return mib


def main(harklet_path, load_path, listeners):
    load = subprocess.Popen([load_path, str(listeners), "1", str(listeners), "300"],
                            stdout=subprocess.PIPE, text=True)
    try:
        assert load.stdout.readline().startswith("ready"), "bench_load did not get ready"
        with Desktop() as desktop:
            harklet = desktop.start_harklet(harklet_path)
            icon = wait_for("tray icon docks", docked_icons, 30)[0]
            counted = re.compile(r"Harklet, (\d+) servers? listening")

            def all_counted():
                name = run(["xdotool", "getwindowname", str(icon)]).stdout
                match = counted.search(name)
                return match and int(match.group(1)) >= listeners
            wait_for(f"icon counts {listeners} listeners", all_counted, 60)
            click(icon)
            wait_for("click opens the panel", panel_window, 15)
            time.sleep(3)
            mib = memory(harklet.pid)
            print(f"listeners {listeners} panel open: VmRSS {mib['VmRSS']:.1f} MiB, "
                  f"VmHWM {mib['VmHWM']:.1f} MiB (anonymous {mib['RssAnon']:.1f}, files "
                  f"{mib['RssFile']:.1f}, shared {mib['RssShmem']:.1f})", flush=True)
    finally:
        load.terminate()
        load.wait()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 200)
