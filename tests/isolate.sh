#!/usr/bin/env bash
# Runs one test with a fresh HOME, XDG folders and TMPDIR of its own, headless,
# so no test ever touches the user's home, settings or temporary folder.
set -u
root="${SPOOLBOX_TEST_ROOT:-${TMPDIR:-/tmp}/spoolbox-tests}"
mkdir -p "$root"
dir=$(mktemp -d "$root/t.XXXXXXXX")
export HOME="$dir/home" TMPDIR="$dir/tmp"
export XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache"
export XDG_STATE_HOME="$dir/state" XDG_RUNTIME_DIR="$dir/runtime"
mkdir -p "$HOME" "$TMPDIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
export SPOOLBOX_TEST_SANDBOX="$dir"
unset DISPLAY WAYLAND_DISPLAY SPOOLBOX_PEDAL_PORTS
"$@"
rc=$?
# Keep the folder of a failed run for a look; clean up after a pass.
if [ $rc -eq 0 ]; then rm -rf "$dir"; else echo "test sandbox kept: $dir" >&2; fi
exit $rc
