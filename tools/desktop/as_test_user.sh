#!/usr/bin/env bash
# Runs a test script of tests/e2e on a private session bus as an unprivileged user: as the
# caller, or, when that is root (sway refuses root), as the system user harklet-e2e, created
# here when missing. Such a user may not reach the caller's checkout, so the script, the
# desktop helpers beside this file and the program are copied into a directory of its own.
# Usage: as_test_user.sh <script.py> <program> [arguments...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
script=$1 program=$2
shift 2
if [ "$(id -u)" -ne 0 ]; then
    exec "$here/in_private_session.sh" "$script" "$program" "$@"
fi

user=harklet-e2e
id -u "$user" >/dev/null 2>&1 ||
    useradd --system --user-group --no-create-home --home-dir /nonexistent \
            --shell /usr/sbin/nologin "$user"
copy=$(mktemp -d /tmp/harklet-e2e.XXXXXX)
trap 'rm -rf "$copy"' EXIT
mkdir "$copy/desktop"
cp "$here"/*.py "$here/in_private_session.sh" "$copy/desktop/"
cp "$script" "$copy/"
cp "$program" "$copy/"
chmod -R a+rX "$copy"
mkdir "$copy/home"
chown "$user:" "$copy/home"
pictures=()
if [ -n "${HARKLET_E2E_PICTURES:-}" ]; then
    chown "$user:" "$HARKLET_E2E_PICTURES"
    pictures=(HARKLET_E2E_PICTURES="$HARKLET_E2E_PICTURES")
fi
cd "$copy"
runuser -u "$user" -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$copy/home" LANG=C.UTF-8 \
    HARKLET_E2E_NO_SKIP="${HARKLET_E2E_NO_SKIP:-}" ASAN_OPTIONS="${ASAN_OPTIONS:-}" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "${pictures[@]}" \
    "$copy/desktop/in_private_session.sh" "$copy/$(basename "$script")" \
    "$copy/$(basename "$program")" "$@"
