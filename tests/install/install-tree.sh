#!/usr/bin/env bash
# Installs the build folder given as $1 into a temporary prefix and checks the
# tree: the programs in lib/varnolt/, relative links in bin/ that run, the menu
# entry, icon, metainfo and man pages (each passed by its validator), and the
# .deb that CPack builds from the same rules.
set -uo pipefail
BUILD=$(cd "$1" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
PREFIX=$TMP/prefix
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
need() { command -v "$1" >/dev/null || { echo "FAIL: $1 is missing (scripts/install-deps)"; exit 1; }; }
need desktop-file-validate
need appstreamcli
need dpkg-deb

cmake --install "$BUILD" --prefix "$PREFIX" >"$TMP/install.log" 2>&1 || {
    cat "$TMP/install.log"
    fail "cmake --install"
    exit 1
}

programs=(varnolt-kw varnolt-brand)
[ -x "$BUILD/varnolt" ] && programs+=(varnolt)
for p in "${programs[@]}"; do
    f=$PREFIX/lib/varnolt/$p
    [ -f "$f" ] && [ ! -L "$f" ] && [ -x "$f" ] || fail "$f is not an executable file"
    l=$PREFIX/bin/$p
    [ -L "$l" ] || { fail "$l is not a link"; continue; }
    [ "$(readlink "$l")" = "../lib/varnolt/$p" ] || fail "$l points to $(readlink "$l")"
    [ "$(readlink -f "$l")" = "$(readlink -f "$f")" ] || fail "$l does not reach $f"
done
# The tools run through their links.
out=$(printf 'book\r\n' | "$PREFIX/bin/varnolt-kw" typos --skip-letter 2>&1)
[ "$out" = $'ook\r\nbok\r\nbok\r\nboo\r' ] || fail "bin/varnolt-kw typos gave: $out"
"$PREFIX/bin/varnolt-brand" >/dev/null 2>&1
[ $? -eq 2 ] || fail "bin/varnolt-brand without a command does not exit 2"

for p in varnolt-kw varnolt-brand; do
    m=$PREFIX/share/man/man1/$p.1.gz
    [ -f "$m" ] || { fail "no man page $m"; continue; }
    gzip -t "$m" 2>/dev/null || fail "$m is not compressed"
    zcat "$m" | grep -q "^\.TH ${p^^} 1" || fail "$m has no title line"
    w=$(MANWIDTH=80 man --warnings -l "$m" 2>&1 >/dev/null)
    [ -z "$w" ] || fail "man warns on $m: $w"
done

if [ -x "$BUILD/varnolt" ]; then
    id=org.varnolt.Varnolt
    d=$PREFIX/share/applications/$id.desktop
    desktop-file-validate "$d" || fail "desktop-file-validate $d"
    exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$d")
    [ -L "$PREFIX/bin/$exe" ] || fail "the menu entry starts $exe, which is not in bin/"
    [ "$(sed -n 's/^Icon=//p' "$d")" = "$id" ] || fail "the menu entry's icon is not $id"
    appstreamcli validate --no-net "$PREFIX/share/metainfo/$id.metainfo.xml" >"$TMP/as.log" 2>&1 ||
        { cat "$TMP/as.log"; fail "appstreamcli validate"; }
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
        "$PREFIX/share/metainfo/$id.metainfo.xml" || fail "the metainfo names another menu entry"
    png=$PREFIX/share/icons/hicolor/256x256/apps/$id.png
    size=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | tr -s ' ')
    [ "$size" = " 0 0 1 0 0 0 1 0" ] || fail "$png is not a 256 x 256 PNG ($size)"
    grep -q "<svg" "$PREFIX/share/icons/hicolor/scalable/apps/$id.svg" || fail "no SVG icon"
fi

# The package: built from the same install rules, dependencies computed.
if cpack --config "$BUILD/CPackConfig.cmake" -B "$TMP/pkg" >"$TMP/cpack.log" 2>&1; then
    deb=$(ls "$TMP"/pkg/*.deb)
    deps=$(dpkg-deb -f "$deb" Depends)
    # The long description: its own lines, nothing of how the build joined them.
    desc=$(dpkg-deb -f "$deb" Description)
    [[ "$desc" == *$'\n with the command-line tools'* && "$desc" != *";"* ]] ||
        fail "the package description reads: $desc"
    for lib in libc6 libcurl4 zlib1g; do
        [[ "$deps" == *"$lib"* ]] || fail "the package does not depend on $lib: $deps"
    done
    if [ -x "$BUILD/varnolt" ]; then
        for lib in libqt6widgets6 qt6-qpa-plugins; do
            [[ "$deps" == *"$lib"* ]] || fail "the package does not depend on $lib: $deps"
        done
    fi
    list=$(dpkg-deb -c "$deb")
    grep -q '\./usr/bin/varnolt-kw -> \.\./lib/varnolt/varnolt-kw$' <<<"$list" ||
        fail "the package has no bin/varnolt-kw link"
    grep -q '\./usr/lib/varnolt/varnolt-brand$' <<<"$list" ||
        fail "the package has no lib/varnolt/varnolt-brand"
    grep -q '\./usr/share/doc/varnolt/copyright$' <<<"$list" ||
        fail "the package has no copyright file"
    grep -q '\./usr/share/man/man1/varnolt-kw\.1\.gz$' <<<"$list" ||
        fail "the package has no compressed man page"
else
    cat "$TMP/cpack.log"
    fail "cpack"
fi

[ $fails -eq 0 ] && echo "install tree: all checks passed"
exit $((fails > 0))
