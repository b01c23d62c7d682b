#!/usr/bin/env python3
"""The layer check itself: it passes the real tree and catches includes that run upwards."""
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).parent
CHECK = HERE / "check_layers.py"
LAYERS = ["scan", "store", "look", "panel", "shell"]


def run_check(src):
    return subprocess.run([sys.executable, str(CHECK), str(src)], capture_output=True, text=True)


def tree_with(files):
    root = pathlib.Path(tempfile.mkdtemp()) / "src"
    for layer in LAYERS:
        (root / layer).mkdir(parents=True)
    for path, text in files.items():
        (root / path).write_text(text)
    return root


def expect(name, files, fails, mention=""):
    result = run_check(tree_with(files))
    failed = result.returncode != 0
    assert failed == fails, f"{name}: exit {result.returncode}, output {result.stdout!r}"
    assert mention in result.stdout, f"{name}: {mention!r} not in {result.stdout!r}"


def main():
    real = run_check(HERE.parents[1] / "src")
    assert real.returncode == 0, "the project's own includes:\n" + real.stdout

    expect("downwards is fine", {
        "shell/App.cpp": '#include "panel/PanelView.h"\n#include "look/Spring.h"\n',
        "panel/Row.cpp": '#include "Row.h"\n#include "store/PortsStore.h"\n',
        "panel/Row.h": "",
        "store/Store.cpp": '#include "scan/PortEntry.h"\n#include <QObject>\n',
    }, fails=False)
    expect("panel reaching up into shell", {"panel/Row.cpp": '#include "shell/PanelWindow.h"\n'},
           fails=True, mention="panel/Row.cpp:1")
    expect("look reaching up into panel", {"look/Glass.h": '#  include "panel/PortRow.h"\n'},
           fails=True, mention="look includes panel/PortRow.h")
    expect("the scanner reaching into the store",
           {"scan/Scanner.cpp": '#include <QString>\n#include "store/PortsStore.h"\n'},
           fails=True, mention="scan/Scanner.cpp:2")
    expect("widgets in the core", {"store/Store.cpp": "#include <QtWidgets/QWidget>\n"},
           fails=True, mention="widget header")
    expect("a missing layer", {}, fails=False)
    missing = tree_with({})
    (missing / "look").rmdir()
    assert run_check(missing).returncode != 0, "a tree without its look folder passed"
    print("layer check: all cases pass")


if __name__ == "__main__":
    main()
