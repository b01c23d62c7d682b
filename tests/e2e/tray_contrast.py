"""The tray icon stands out from dark and light bars whatever the application's theme.

In a private X server: trayer, tinted #1e1e1e and then #f0f0f0 (the icon re-docks in the new
tray), under a dark and a light application palette (given by the qt6ct platform theme, as a
user's would be). Each time the docked icon's pixels are grabbed from the screen and at least a
solid dot's worth of them must contrast 3:1 or more with the bar's own pixels beside it.
Last, a colour hint set on the tray recolours the icon.
"""

import os
import signal
import tempfile

from Xlib import Xatom, display

from virtual_desktop import (Desktop, docked_icons, log, run, run_test, settled_geometry,
                             wait_for)
from window_pixels import Picture

BARS = {"dark bar": "0x1e1e1e", "light bar": "0xf0f0f0"}
PALETTES = {"dark theme": "darker.conf", "light theme": "airy.conf"}
BAR_WIDTH, BAR_HEIGHT = 96, 24
SCREEN_WIDTH = 1280  # the virtual desktop's; the tray sits at its top right
# About the area of the mark's solid centre dot at 16 px.
VISIBLE_PIXELS = 12


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    dark, light = sorted((luminance(a), luminance(b)))
    return (light + 0.05) / (dark + 0.05)


def start_tray(desktop, tint):
    tray = desktop.start(f"trayer-{tint}", [
        "trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
        "--width", str(BAR_WIDTH), "--height", str(BAR_HEIGHT), "--transparent", "true",
        "--alpha", "0", "--tint", tint, "--SetDockType", "true"])
    wait_for(f"tray tinted {tint}", lambda: tray_bar(), 20)
    return tray


def tray_bar():
    """The tray's visible window."""
    for line in run(["xdotool", "search", "--onlyvisible", "--class", "trayer"]).stdout.split():
        info = run(["xwininfo", "-id", line]).stdout
        if f"Width: {BAR_WIDTH}" in info:
            return int(line)
    return None


def stop(proc):
    os.killpg(proc.pid, signal.SIGTERM)
    proc.wait(timeout=10)


def grab(path):
    """The bar's strip of the screen once two grabs agree (the icon repaints in its colour)."""
    def strip():
        run(["import", "-window", "root", "-crop", f"{SCREEN_WIDTH}x{BAR_HEIGHT}+0+0",
             "+repage", path])
        return Picture(path).raw

    def settled():
        first = strip()
        return first if first and strip() == first else None
    wait_for("bar drawn", settled, 15)
    return Picture(path)


def measure(picture, icon):
    """The bar's colour beside the icon, the icon's most distinct colour, and how many of its
    pixels reach 3:1 against the bar."""
    inside = {(x, y) for x in range(icon["x"], icon["x"] + icon["width"])
              for y in range(icon["y"], icon["y"] + icon["height"])}
    bar_pixels = [tuple(picture.at(x, y)) for x in range(SCREEN_WIDTH - BAR_WIDTH, SCREEN_WIDTH)
                  for y in range(BAR_HEIGHT) if (x, y) not in inside]
    bar = max(set(bar_pixels), key=bar_pixels.count)
    icon_pixels = [tuple(picture.at(x, y)) for x, y in inside]
    strongest = max(icon_pixels, key=lambda p: contrast(p, bar))
    reaching = sum(contrast(p, bar) >= 3 for p in icon_pixels)
    return bar, strongest, reaching


def icon_stroke(pictures, name):
    icon = wait_for("icon docks", docked_icons, 30)[0]
    geometry = settled_geometry(icon)
    picture = grab(os.path.join(pictures, f"{name}.png"))
    bar, strongest, reaching = measure(picture, geometry)
    log(f"{name}: bar #{bytes(bar).hex()}, strokes #{bytes(strongest).hex()}, contrast "
        f"{contrast(strongest, bar):.2f}:1, {reaching} pixels at 3:1 or more")
    return bar, strongest, reaching


def theme_config(work, scheme):
    """An XDG config home whose qt6ct palette is the given colour scheme."""
    home = tempfile.mkdtemp(dir=work)
    os.makedirs(os.path.join(home, "qt6ct"))
    with open(os.path.join(home, "qt6ct", "qt6ct.conf"), "w") as conf:
        conf.write("[Appearance]\ncustom_palette=true\nstyle=Fusion\n"
                   f"color_scheme_path=/usr/share/qt6ct/colors/{scheme}\n")
    return home


def window_icon_centre(window):
    """The centre pixel of the window icon Qt sets from the application palette's text."""
    connection = display.Display()
    target = connection.create_resource_object("window", window)
    reply = target.get_full_property(connection.intern_atom("_NET_WM_ICON"), Xatom.CARDINAL)
    connection.close()
    if not reply:
        return None
    width, height, pixels = reply.value[0], reply.value[1], reply.value[2:]
    argb = pixels[(height * 19 // 36) * width + width // 2]
    return ((argb >> 16) & 0xff, (argb >> 8) & 0xff, argb & 0xff)


def set_tray_hint(rgb):
    connection = display.Display()
    owner = connection.get_selection_owner(connection.intern_atom("_NET_SYSTEM_TRAY_S0"))
    channels = [c * 257 for c in rgb] + [0] * 9
    owner.change_property(connection.intern_atom("_NET_SYSTEM_TRAY_COLORS"), Xatom.CARDINAL,
                          32, channels)
    connection.sync()
    connection.close()


def main(harklet_path):
    pictures = os.environ.get("HARKLET_E2E_PICTURES") or tempfile.mkdtemp(prefix="tray-")
    with Desktop(tray=False) as desktop:
        for theme, scheme in PALETTES.items():
            tray = start_tray(desktop, BARS["dark bar"])
            env = dict(desktop.harklet_env(), QT_QPA_PLATFORMTHEME="qt6ct",
                       XDG_CONFIG_HOME=theme_config(desktop.work, scheme))
            harklet = desktop.start("harklet", [harklet_path], env=env)
            for index, (bar_name, tint) in enumerate(BARS.items()):
                if index:
                    # A new tray: the icon docks again and looks at the new bar.
                    stop(tray)
                    tray = start_tray(desktop, tint)
                name = f"{theme}, {bar_name}".replace(" ", "-").replace(",", "")
                bar, _, reaching = icon_stroke(pictures, name)
                assert contrast(bar, tuple(int(tint[i:i + 2], 16) for i in (2, 4, 6))) < 1.1, \
                    f"bar #{bytes(bar).hex()} is not the tint {tint}"
                assert reaching >= VISIBLE_PIXELS, \
                    f"{theme} on the {bar_name}: only {reaching} pixels reach 3:1"
                # Then it takes the colour that suits this bar best, well beyond 3:1.
                wait_for("strokes suited to the bar",
                         lambda: contrast(*icon_stroke(pictures, name)[:2]) >= 7, 15)
            # The theme was in force: it draws the window icon in its own text colour.
            text = window_icon_centre(docked_icons()[0])
            assert text and (luminance(text) > 0.5) == (theme == "dark theme"), \
                f"window icon in {text} under the {theme}: the palette did not apply"

            if theme == "light theme":
                hint = (0x00, 0x50, 0xa0)
                set_tray_hint(hint)
                wait_for("icon takes the tray's colour hint",
                         lambda: max(abs(a - b) for a, b in
                                     zip(icon_stroke(pictures, "hint")[1], hint)) <= 16,
                         15)
            stop(harklet)
            stop(tray)
    log(f"pictures in {pictures}")


if __name__ == "__main__":
    run_test(main, "tray contrast test passed")
