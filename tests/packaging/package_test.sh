#!/usr/bin/env bash
# Builds the Debian package from this build tree, unpacks it into a scratch
# root and uses the programs from there: velmor-batch --version and an example
# study, the window's --version, its refusal of other arguments, and the window
# started offscreen. Where the test may (as root), the build tree is hidden
# behind an empty folder while the installed programs run, so that anything
# reaching back into it fails. Also validates the desktop entry and metainfo.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
scratch="$(mktemp -d)"
window_pid=""
cleanup() {
    [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$source/packaging/org.velmor.velmor.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$source/packaging/org.velmor.velmor.metainfo.xml" >"$scratch/as.log" \
    || { cat "$scratch/as.log"; fail "metainfo"; }

(cd "$build" && cpack -G DEB -B "$scratch/deb" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$(ls "$scratch"/deb/velmor_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
# libssl3: velmor-batch hashes with its libcrypto.
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 libssl3; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/velmor usr/bin/velmor-batch usr/share/applications/org.velmor.velmor.desktop \
            usr/share/metainfo/org.velmor.velmor.metainfo.xml usr/share/icons/hicolor/scalable/apps/org.velmor.velmor.svg \
            usr/share/icons/hicolor/48x48/apps/org.velmor.velmor.png usr/share/man/man1/velmor-batch.1.gz \
            usr/share/velmor/examples/medium_power.study; do
    [ -e "$root/$file" ] || fail "the package lacks /$file"
done
for program in velmor velmor-batch; do
    if readelf -d "$root/usr/bin/$program" | grep -E 'RPATH|RUNPATH'; then fail "$program carries a run path"; fi
done
zcat "$root/usr/share/man/man1/velmor-batch.1.gz" | grep -q '^\.TH VELMOR-BATCH 1' || fail "man page header"

# The checks on the installed programs; run inside a private mount namespace
# with the build tree hidden when we are allowed to make one.
cat >"$scratch/use-installed.sh" <<'EOF'
set -euo pipefail
root="$1"; scratch="$2"; version="$3"; hidden="${4:-}"
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ -n "$hidden" ] && [ -e "$hidden/CMakeCache.txt" ]; then fail "the build tree is still in view"; fi
[ "$("$root/usr/bin/velmor-batch" --version)" = "velmor-batch $version" ] || fail "velmor-batch --version"
[ "$("$root/usr/bin/velmor" --version)" = "velmor $version" ] || fail "velmor --version"
set +e
"$root/usr/bin/velmor" --bogus 2>"$scratch/refusal.txt"; refused=$?
set -e
[ "$refused" -eq 2 ] && [ "$(wc -l <"$scratch/refusal.txt")" -eq 1 ] || fail "velmor --bogus: exit $refused, $(cat "$scratch/refusal.txt")"
"$root/usr/bin/velmor-batch" "$root/usr/share/velmor/examples/medium_power.study" >"$scratch/report.OUT"
cmp "$scratch/report.OUT" "$scratch/expected.OUT" || fail "the example study's report differs from the build tree's"
# The window from the package: it must come up and keep running.
mkdir -m 700 "$scratch/runtime"
XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen "$root/usr/bin/velmor" 2>"$scratch/window.err" &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || { cat "$scratch/window.err"; fail "the window ended at start-up"; }
kill -TERM "$pid"
wait "$pid" || true
# The offscreen plugin notes what it cannot do; a missing library or plugin is an error.
if grep -i -E 'error|cannot|could not|not found|failed' "$scratch/window.err"; then fail "the window's start-up"; fi
echo "installed programs: ok"
EOF
version="$(dpkg-deb -f "$deb" Version)"
"$build/src/batch/velmor-batch" "$source/examples/medium_power.study" >"$scratch/expected.OUT"
if [ "$(id -u)" -eq 0 ] && unshare --mount true 2>/dev/null; then
    mkdir -p "$scratch/empty"
    # Both trees go behind the empty folder (the build tree usually lies inside the source tree).
    unshare --mount bash -c 'mount --bind "$1" "$2" && mount --bind "$1" "$3" && shift 3 && bash "$@"' _ \
        "$scratch/empty" "$build" "$source" "$scratch/use-installed.sh" "$root" "$scratch" "$version" "$build"
    echo "(the source and build trees were hidden while they ran)"
else
    bash "$scratch/use-installed.sh" "$root" "$scratch" "$version"
fi
