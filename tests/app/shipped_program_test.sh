#!/usr/bin/env bash
# The shipped window program links the toolkit's widgets and none of its test
# library: test code stays out of what users run.
#   shipped_program_test.sh VELMOR_EXECUTABLE
set -euo pipefail
needed="$(readelf -d "$1" | grep NEEDED)"
if ! grep -q 'libQt6Widgets' <<<"$needed"; then
    echo "$1 does not link Qt Widgets: not the window program?" >&2
    exit 1
fi
if grep -q 'libQt6Test' <<<"$needed"; then
    echo "$1 links Qt's test library:" >&2
    grep 'libQt6Test' <<<"$needed" >&2
    exit 1
fi
echo "ok: $(grep -c . <<<"$needed") libraries, none of them Qt's test library"
