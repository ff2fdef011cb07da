#!/usr/bin/env bash
# The Debian package, as a user gets it: made with CPack, unpacked into a
# temporary root with dpkg -x, then the installed IDE is started (window,
# offscreen, until ready) and builds and runs a program with the installed
# tool chain. Nothing may be written below the installed tree; the user's
# files go to the XDG folders.
#   package_test.sh BUILD_DIR
set -uo pipefail
BUILD=$(cd "$1" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
need() { [ -e "$1" ] || fail "missing: ${1#"$WORK/root"}"; }

(cd "$BUILD" && cpack -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1) || {
    cat "$WORK/cpack.log"
    echo "FAIL: cpack"
    exit 1
}
deb=$(ls "$WORK"/pkg/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package made"; exit 1; }
dpkg-deb -x "$deb" "$WORK/root" || { echo "FAIL: dpkg -x"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q "g++" || fail "the package does not depend on g++"

ROOT=$WORK/root
PROGRAM=$ROOT/usr/lib/zorbel-builder
[ "$(readlink "$ROOT/usr/bin/zide")" = "../lib/zorbel-builder/zide" ] ||
    fail "usr/bin/zide is not a relative link to the program"
for f in zide bin/zbltrans bin/zbl-cc bin/zbl-link; do
    [ -x "$PROGRAM/$f" ] || fail "not executable: $f"
done
for f in runtime/libzbl_runtime.a runtime/zbl_runtime.h syntax/zbl.syn syntax/cpp.syn \
    runtime/zbl_runtime.h.gch/release.gch runtime/zbl_runtime.h.gch/shared.gch \
    lib/TextUtils.zbl lib/TextUtils.zlm lib/TextUtils.lib lib/StringList.zlm lib/StringList.lib \
    '!default.zsl' zorbel.html defaults.reg projects/hello.zbl; do
    need "$PROGRAM/$f"
done
[ -e "$PROGRAM/lib/.keep" ] && fail "lib/.keep was installed"
need "$ROOT/usr/share/applications/zorbel-builder.desktop"
need "$ROOT/usr/share/mime/packages/zorbel-builder.xml"
need "$ROOT/usr/share/icons/hicolor/48x48/apps/zorbel-builder.png"
need "$ROOT/usr/share/icons/hicolor/48x48/mimetypes/text-x-zorbel-module.png"
need "$ROOT/usr/share/doc/zorbel-builder/zorbel.html"
for ext in zbl zsl zlm; do
    grep -q "pattern=\"\*\.$ext\"" "$ROOT/usr/share/mime/packages/zorbel-builder.xml" ||
        fail "the file types know no .$ext"
done
grep -q '^Exec="zide" %f$' "$ROOT/usr/share/applications/zorbel-builder.desktop" ||
    fail "the desktop entry does not start zide"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$ROOT/usr/share/applications/zorbel-builder.desktop" || fail "desktop entry"
fi
if command -v xmllint >/dev/null; then
    xmllint --noout "$ROOT/usr/share/mime/packages/zorbel-builder.xml" || fail "mime package"
fi
# Shipped files are readable by all and writable by their owner (root) only.
writable=$(find "$PROGRAM" "$ROOT/usr/share" -perm /022 ! -type l | head -n 3)
[ -z "$writable" ] || fail "writable by others: $writable"
# The defaults name the installed tool chain, never the build tree.
grep -q '"ProcPath"="/usr/lib/zorbel-builder/bin/zbltrans"' "$PROGRAM/defaults.reg" ||
    fail "defaults.reg does not name the installed translator"
grep -q "$BUILD" "$PROGRAM/defaults.reg" && fail "defaults.reg names the build tree"

# This root is not "/": its defaults are pointed into it, as if installed.
sed -i "s|\"/usr/lib/zorbel-builder/|\"$PROGRAM/|" "$PROGRAM/defaults.reg"
touch "$WORK/unpacked"
sleep 1

# A user of the installed IDE, with nothing but the XDG folders.
unset ZIDE_HOME ZIDE_REGISTRY ZIDE_DATA ZIDE_CACHE
export HOME=$WORK/user
export XDG_DATA_HOME=$HOME/data XDG_CACHE_HOME=$HOME/cache XDG_CONFIG_HOME=$HOME/config
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 ZBL_DIALOG_AUTOCLOSE_MS=50
mkdir -p "$HOME/work"

ZIDE_QUIT_WHEN_READY=1 timeout 60 "$ROOT/usr/bin/zide" >"$WORK/gui.log" 2>&1 ||
    { fail "the installed IDE did not start and quit"; head -n 20 "$WORK/gui.log"; }
[ -f "$XDG_DATA_HOME/zorbel-builder/zlay.lay" ] || fail "no layout in the data folder"
[ -f "$XDG_DATA_HOME/zorbel-builder/!default.zsl" ] ||
    fail "no user copy of the default solution in the data folder"

# It uses a library installed in lib/.
printf '#Include "TextUtils.zlm"\r\nSub Main\r\n    Print PadLeft("installed", 10, "*"); 6 * 7\r\nEnd Sub\r\n' \
    >"$HOME/work/hello.zbl"
if timeout 120 "$ROOT/usr/bin/zide" --build "$HOME/work/hello.zbl" >"$WORK/build.log" 2>&1; then
    out=$(cd "$HOME/work" && timeout 20 ./hello.exe </dev/null)
    [[ "$out" == "*installed 42"* ]] || fail "the program printed: $out"
else
    fail "the installed tool chain did not build the program"
    head -n 30 "$WORK/build.log"
fi

changed=$(find "$ROOT" -newer "$WORK/unpacked" ! -path "$PROGRAM/defaults.reg" | head -n 5)
[ -z "$changed" ] || fail "written below the installed tree: $changed"

[ "$failures" -eq 0 ] && echo "PASS: package" || exit 1
