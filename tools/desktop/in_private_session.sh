#!/usr/bin/env bash
# Runs a Python script on a private session bus, away from any desktop the calling shell has,
# with virtual_desktop.py (beside this file) importable.
# Usage: in_private_session.sh <script.py> [arguments...]
set -euo pipefail
unset DISPLAY WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime PYTHONDONTWRITEBYTECODE=1
export PYTHONPATH="$(cd "$(dirname "$0")" && pwd)"
dbus-run-session -- /usr/bin/python3 "$@"
