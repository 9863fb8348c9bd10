#!/usr/bin/env bash
# The Debian package as a workstation gets it: cpack makes it from the built tree, dpkg-deb
# unpacks it into a scratch folder, and the unpacked programs and files are tried there.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/kaveltar_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no kaveltar_*.deb written"

# Control data: name, the project's version, dependencies worked out from the libraries.
version=$(sed -n 's/^project(kaveltar VERSION \([0-9.]*\).*/\1/p' "$KAVELTAR_TEST_SOURCE_DIR/CMakeLists.txt")
[ "$(dpkg-deb -f "$deb" Package)" = kaveltar ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), expected $version"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsqlite3 libpq5 libcups2 libqt6widgets6; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/kaveltar usr/bin/kaveltar-cli \
         usr/share/applications/it.kaveltar.Kaveltar.desktop \
         usr/share/metainfo/it.kaveltar.Kaveltar.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/kaveltar.svg \
         usr/share/icons/hicolor/48x48/apps/kaveltar.png \
         usr/share/man/man1/kaveltar.1 usr/share/man/man1/kaveltar-cli.1 \
         usr/share/bash-completion/completions/kaveltar-cli; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
# Stripped: no symbol table left in either program.
for b in kaveltar kaveltar-cli; do
  if nm "$root/usr/bin/$b" >/dev/null 2>&1 && [ -n "$(nm "$root/usr/bin/$b" 2>/dev/null | head -1)" ]; then
    fail "$b is not stripped"
  fi
done

cli=$root/usr/bin/kaveltar-cli
export KAVELTAR_LOG=off HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
[ "$("$cli" --version)" = "kaveltar-cli $version" ] || fail "kaveltar-cli --version: $("$cli" --version)"
"$cli" demo-install "$work/demo" --companies 2 --employees 12 >"$work/demo.log" || fail "demo-install failed"
grep -q '^Dipendenti: 12$' "$work/demo.log" || fail "demo-install output: $(cat "$work/demo.log")"
"$cli" --archive "$work/demo/ARCHIVI" --programs "$work/demo/PROGRAMMI" info | grep -q '^ProcessingYear: ' \
  || fail "info on the demo installation"

# The desktop entry and the metadata pass the freedesktop checks (scripts/setup installs both tools).
desktop-file-validate "$root/usr/share/applications/it.kaveltar.Kaveltar.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/it.kaveltar.Kaveltar.metainfo.xml" >/dev/null \
  || fail "AppStream metadata"
grep -q "release version=\"$version\"" "$root/usr/share/metainfo/it.kaveltar.Kaveltar.metainfo.xml" \
  || fail "metadata release is not $version"

# The manual pages render, and every command of the program is in its page.
MANWIDTH=100 man -l "$root/usr/share/man/man1/kaveltar-cli.1" >"$work/man.txt" 2>/dev/null || fail "man page"
for c in memorize "print sheets" "import run" config migrate; do
  grep -q "kaveltar-cli $c" "$work/man.txt" || fail "man page lacks 'kaveltar-cli $c'"
done
MANWIDTH=100 man -l "$root/usr/share/man/man1/kaveltar.1" 2>/dev/null | grep -q -- "--archive" || fail "kaveltar man page"

# Bash completion offers the commands, then the options of the command typed.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kaveltar_cli; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$root/usr/share/bash-completion/completions/kaveltar-cli" "$@"
}
complete_words kaveltar-cli me | grep -qx memorize || fail "completion of 'me'"
complete_words kaveltar-cli print sheets --st | grep -qx -- --start-number || fail "completion of print sheets --st"
complete_words kaveltar-cli config --sh | grep -qx -- --show || fail "completion of config --sh"
echo "package test: $(basename "$deb") passed"
