#!/usr/bin/env python3
"""Fails when a source file includes a layer above its own.

The layers, from the bottom: scan, store, look, panel, shell. A file may include its own
folder and the folders below it, never one above; the core (scan, store) includes no
widgets at all.
"""
import pathlib
import re
import sys

LAYERS = ["scan", "store", "look", "panel", "shell"]
CORE = {"scan", "store"}
QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
ANGLED = re.compile(r"^\s*#\s*include\s+<(Qt\w*/)?(\w+)>")
WIDGET_HEADERS = re.compile(r"^(QtWidgets|QWidget|QApplication|QAbstract\w*View|QAccessibleWidget|"
                            r"QLabel|QMenu|QScrollArea|QListView|QStyle\w*|QLayout|[QHV]BoxLayout)$")


def layer_of_include(source: pathlib.Path, src: pathlib.Path, name: str):
    """The layer an include names, or None for one outside the layered folders."""
    first = name.split("/", 1)[0]
    if "/" in name and first in LAYERS:
        return first
    if (source.parent / name).exists():
        return source.parent.name
    return None


def violations(src: pathlib.Path):
    for layer in LAYERS:
        rank = LAYERS.index(layer)
        for source in sorted((src / layer).rglob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
                where = f"{source.relative_to(src.parent)}:{number}"
                quoted = QUOTED.match(line)
                if quoted:
                    target = layer_of_include(source, src, quoted.group(1))
                    if target is not None and LAYERS.index(target) > rank:
                        yield f"{where}: {layer} includes {quoted.group(1)} from {target} above it"
                angled = ANGLED.match(line)
                if angled and layer in CORE and (angled.group(1) == "QtWidgets/"
                                                 or WIDGET_HEADERS.match(angled.group(2))):
                    yield f"{where}: the core includes the widget header <{angled.group(2)}>"


def main():
    src = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).parents[2] / "src"
    found = list(violations(src))
    for problem in found:
        print(problem)
    missing = [layer for layer in LAYERS if not (src / layer).is_dir()]
    for layer in missing:
        print(f"{src / layer}: the layer's folder is missing")
    return 1 if found or missing else 0


if __name__ == "__main__":
    sys.exit(main())
