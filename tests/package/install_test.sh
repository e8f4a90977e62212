#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package, unpacks it into a scratch root (dpkg -x) and
# starts the installed programs from a scratch home: vellora under Xvfb with
# its settings store in $XDG_STATE_HOME, vellora-batch on a chart made by the
# installed chartsynth. Usage: install_test.sh BUILD_DIR
set -eu
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$scratch"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libgtk2.0-0 libglade2-0 libgdk-pixbuf-2.0-0 libstdc++6; do
    case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
root=$scratch/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin share=$root/usr/share

desktop-file-validate "$share/applications/org.vellora.Vellora.desktop" || fail "desktop entry"
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$share/applications/org.vellora.Vellora.desktop")
[ -x "$bin/$exec" ] || fail "the desktop entry starts $exec, which is not installed"
appstreamcli validate --no-net --pedantic "$share/metainfo/org.vellora.Vellora.metainfo.xml" >/dev/null ||
    fail "AppStream metainfo"
for page in vellora vellora-batch; do
    [ -s "$share/man/man1/$page.1.gz" ] || fail "man page $page.1 missing"
done

for program in vellora vellora-batch; do
    version=$("$bin/$program" --version) || fail "$program --version ended with $?"
    case "$version" in *[0-9].[0-9]*) ;; *) fail "$program --version printed '$version'" ;; esac
done

# A user's home, as the desktop entry starts the program there.
home=$scratch/home
mkdir -p "$home/charts"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.local/state"
cd "$home"
"$bin/chartsynth" --seed 3 --dpi 100 -o charts/x0701.tif >/dev/null || fail "chartsynth"
"$bin/vellora-batch" --quiet charts/x0701.tif || fail "vellora-batch ended with $?"
[ -s charts/T0701.tif.txt ] && [ -s charts/F0701.tif.txt ] || fail "vellora-batch wrote no tables"

# With -v the program names the files it found: the settings store in the
# state folder and the UI definition in the installation.
mkdir -p "$XDG_STATE_HOME/vellora"
echo "fileName=$home/charts/x0701.tif" >"$XDG_STATE_HOME/vellora/vellora.ctx"
xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" sh -c '
    stdbuf -oL "$1" -v >trace.txt 2>errors.txt & pid=$!
    for i in $(seq 60); do
        grep -q "^settings store:" trace.txt && break
        kill -0 $pid 2>/dev/null || break
        sleep 0.5
    done
    sleep 1
    kill $pid 2>/dev/null && echo running >status.txt
    wait $pid || true' sh "$bin/vellora"
[ "$(cat status.txt 2>/dev/null)" = running ] || { cat errors.txt; fail "vellora did not keep running"; }
grep -qx "settings store: $XDG_STATE_HOME/vellora/vellora.ctx" trace.txt ||
    { cat trace.txt; fail "vellora did not take the settings store from the state folder"; }
grep -q "^UI definition: $root/usr/share/vellora/" trace.txt ||
    { cat trace.txt; fail "vellora did not take the installed UI definition"; }
rm trace.txt errors.txt status.txt
left=$(ls -A "$home" | tr '\n' ' ')
[ "$left" = ".config .local charts " ] || [ "$left" = ".local charts " ] ||
    fail "vellora left files in the folder it was started in: $left"
echo "package $(basename "$deb"): $(du -sk "$root" | cut -f1) KiB installed, both programs ran"
