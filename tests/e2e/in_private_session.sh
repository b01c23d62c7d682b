#!/usr/bin/env bash
# Runs one of the Python scripts beside this file on a private session bus, away from any
# desktop the calling shell has. Usage: in_private_session.sh <script.py> [arguments...]
set -euo pipefail
unset DISPLAY WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime PYTHONDONTWRITEBYTECODE=1
script="$(dirname "$0")/$1"
shift
dbus-run-session -- /usr/bin/python3 "$script" "$@"
