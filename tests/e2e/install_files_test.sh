#!/usr/bin/env bash
# What `cmake --install --strip` puts into a prefix outside PATH, whose name holds a blank, and
# how the README undoes it: the stripped program still knows its version; `man zomika2` finds
# the manual page through PATH; the menu entry is valid and starts the program although its
# folder is not on PATH; the copyright file and the metadata name the licence; the README's
# commands remove every file and the program's folders.
# Arguments: the build folder, a work folder, README.md, the project version.
set -uo pipefail
build=$1
work=$2
readme=$3
version=$4

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
prefix="$work/odd prefix"
cmake --install "$build" --prefix "$prefix" --strip >"$work/install.log" 2>&1 ||
    fail "cmake --install --strip: $(cat "$work/install.log")"
program="$prefix/bin/zomika2"

# Stripped, and still with its version.
file "$program" | grep -q ', stripped' || fail "not stripped: $(file "$program")"
[ "$(env -u DISPLAY "$program" --version | head -n1)" = "zomika2 (Pelumi) $version" ] ||
    fail "--version of the installed program: $("$program" --version 2>&1)"

# man finds the page beside the program's folder on PATH.
page=$(PATH="$prefix/bin:/usr/bin:/bin" man -w zomika2 2>&1) || fail "man -w zomika2: $page"
[ "$page" = "$prefix/share/man/man1/zomika2.1.gz" ] || fail "man found $page"
text=$(PATH="$prefix/bin:/usr/bin:/bin" LC_ALL=C.UTF-8 MANWIDTH=100 man zomika2 2>&1) || fail "man zomika2: $text"
for want in "zomika2 - desktop weather widget" "--version" "EXIT STATUS" '$XDG_CACHE_HOME/zomika2/' \
    '$XDG_CONFIG_HOME/zomika2/zomika2.ini' '$XDG_DATA_HOME/zomika2/Skin/' "出典：気象庁ホームページ" \
    "CC BY 4.0" "MIT licence" "Pelumi $version"; do
    grep -qF -- "$want" <<<"$text" || fail "the manual page lacks \"$want\""
done
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page gives warnings: $warnings"

# The menu entry names the program by its full path; desktop tools accept it and start it
# although its folder is not on PATH (without a display it says so, which shows it started).
entry="$prefix/share/applications/example.pelumi.zomika2.desktop"
desktop-file-validate "$entry" >"$work/validate.log" 2>&1 || fail "desktop-file-validate: $(cat "$work/validate.log")"
grep -qxF "Exec=\"$program\"" "$entry" || fail "Exec: $(grep ^Exec "$entry")"
grep -qxF "TryExec=$program" "$entry" || fail "TryExec: $(grep ^TryExec "$entry")"
home="$work/home"
mkdir -p "$home"
started=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/c" \
    PATH=/usr/bin:/bin timeout 20 gio launch "$entry" 2>&1)
grep -qF "Pelumi: X ディスプレイに接続できません" <<<"$started" ||
    fail "gio launch did not start the program: $started"

# The licence: the machine-readable copyright file and the metadata.
copyright="$prefix/share/doc/zomika2/copyright"
head -n1 "$copyright" | grep -qxF "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "no DEP-5 copyright file"
grep -qxF "License: MIT" "$copyright" || fail "the copyright file names no MIT licence"
metainfo="$prefix/share/metainfo/example.pelumi.zomika2.metainfo.xml"
grep -qF "<project_license>MIT</project_license>" "$metainfo" || fail "metadata: no MIT project licence"
grep -qF "<metadata_license>CC0-1.0</metadata_license>" "$metainfo" || fail "metadata: no CC0 metadata licence"

# The README's way back, with this prefix for /usr/local and without sudo.
undo=$(grep -E '^(xargs|sudo find) ' "$readme" | grep -E 'install_manifest|zomika2') ||
    fail "the README says nothing of undoing the install"
undo=${undo//sudo /}
undo=${undo//\/usr\/local/\"$prefix\"}
undo=${undo//build\/install_manifest.txt/\"$build/install_manifest.txt\"}
(set -e && eval "$undo") >"$work/undo.log" 2>&1 || fail "the README's commands failed: $undo: $(cat "$work/undo.log")"
left=$(find "$prefix" ! -type d)
[ -z "$left" ] || fail "left after the README's commands: $left"
left=$(find "$prefix" -name '*zomika2*')
[ -z "$left" ] || fail "folders left after the README's commands: $left"
echo "PASS: stripped install into \"$prefix\": --version, man, menu entry, copyright, undone by the README"
