#!/usr/bin/env bash
# Builds the .deb from the build folder ($1), unpacks it into a scratch root as dpkg would
# install it, and uses it as a new user would: a word list converted and sent with the
# installed installer, then a lookup with the installed orlend-dict (which first installs
# itself on the user's handheld). The man pages must render and the links must resolve.
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/dist" >/dev/null) || fail "cpack"
deb=$(ls "$scratch"/dist/*.deb)
dpkg-deb --field "$deb" Depends | grep -q 'libsdl2' || fail "Depends lacks the shared libraries: $(dpkg-deb --field "$deb" Depends)"
dpkg-deb --field "$deb" Depends | grep -q 'fonts-arphic-gbsn00lp' || fail "Depends lacks the fonts"
dpkg -x "$deb" "$scratch/root"
usr=$scratch/root/usr
for program in orlend-dict orlend-dict-installer orlend-setup; do
  [ -x "$usr/bin/$program" ] || fail "$program is not installed in /usr/bin"
  "$usr/bin/$program" --version | grep -q "^$program (orlend-dict) " || fail "$program --version"
  man -l "$usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -q -- '--help' || fail "man page of $program"
  [ -e "$usr/share/bash-completion/completions/$program" ] || fail "completion of $program"
done
[ -f "$usr/share/applications/orlend-dict.desktop" ] || fail "desktop entry"
[ -f "$usr/share/icons/hicolor/48x48/apps/orlend-dict.png" ] || fail "icon"

# A new user: an empty home, no display.
export HOME=$scratch/home XDG_DATA_HOME= XDG_CONFIG_HOME= ORLEND_HANDHELD_ROOT= ORLEND_REGISTRY= ORLEND_SYSTEM_DIR=
export ORLEND_BACKEND=headless SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
mkdir -p "$HOME/words"
cp "$source/resources/sample/cedict_sample.u8" "$HOME/words/cedict_ts.u8"
cd "$HOME/words"
"$usr/bin/orlend-dict-installer" --convert cedict_ts.u8 --transfer >"$scratch/installer.out" 2>&1 ||
  { cat "$scratch/installer.out"; fail "the installed installer could not convert and send the list"; }
out=$("$usr/bin/orlend-dict" --query china) || fail "the installed orlend-dict found nothing (exit $?)"
echo "$out" | grep -q $'\t中国 \t' || fail "no 中国 for china: $out"
handheld="$HOME/.local/share/orlend/handheld/program files/orlend's chinese dictionary"
[ -f "$handheld/cedict.gb.dat" ] && [ -x "$handheld/orlend-dict" ] || fail "the handheld's program folder: $(ls "$handheld")"

# Later starts skip comparing the program with the package's while neither changed; an
# upgrade (a new file in the package) or a change to the handheld's copy still brings the
# package's program back.
[ -f "$HOME/.local/share/orlend/handheld.installed" ] || fail "no record of the matching install"
"$usr/bin/orlend-dict" --query china | grep -q $'\t中国 \t' || fail "a second lookup"
package_program=$(ls "$usr"/libexec/*/orlend-dict)
cp "$package_program" "$scratch/upgraded" && printf x >>"$scratch/upgraded" && mv "$scratch/upgraded" "$package_program"
"$usr/bin/orlend-dict" --query china | grep -q $'\t中国 \t' || fail "a lookup after an upgrade"
cmp -s "$package_program" "$handheld/orlend-dict" || fail "the upgrade did not reach the handheld"
printf y >>"$handheld/orlend-dict"
"$usr/bin/orlend-dict" --query china | grep -q $'\t中国 \t' || fail "a lookup after the handheld's copy changed"
cmp -s "$package_program" "$handheld/orlend-dict" || fail "the changed copy was not replaced"
echo "package test: passed ($(basename "$deb"))"
