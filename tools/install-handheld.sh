#!/usr/bin/env bash
# The whole desktop flow on this machine, without windows: connects the emulated
# handheld (creates its root folder), registers the desktop link's application
# manager, runs the setup launcher (which has the application manager install the
# handheld program), then converts the word lists and transfers the databases
# with the installer.
#   tools/install-handheld.sh [FOLDER]
# FOLDER holds the word lists (default data/): cedict.gb and cedict.b5, or
# CC-CEDICT's cedict_ts.u8 (any *.u8), which gives both databases.
# The handheld's root is ORLEND_HANDHELD_ROOT, else ~/.local/share/orlend/handheld.
# The programs are built in $BUILD_DIR (default build/).
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
folder=${1:-data}
bin=$(cd "$build_dir/bin" 2>/dev/null && pwd) || { echo "install-handheld: build first ($build_dir/bin is missing)" >&2; exit 1; }
unset ORLEND_RAPI_SIMULATE ORLEND_SYSTEM_DIR

step() { echo "install-handheld: $*"; }

step "1/5 building the desktop programs in $build_dir"
cmake --build "$build_dir" -j"$(nproc)" --target orlend-dict-installer orlend-setup orlend-register-link ceappmgr \
  rapi orlend-dict skin_library_device picture_library interface_sounds device_help >/dev/null

home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
root=${ORLEND_HANDHELD_ROOT:-${XDG_DATA_HOME:-$home/.local/share}/orlend/handheld}
program_folder="$root/program files/orlend's chinese dictionary"
step "2/5 connecting the handheld: $root"
mkdir -p "$root"

step "3/5 registering the application manager"
"$bin/orlend-register-link" "$bin/ceappmgr"

step "4/5 installing the handheld program (orlend-setup with $bin/install.ini)"
# No window here: a message box is recorded and printed instead of shown. The launcher
# does not wait for the application manager, but the manager keeps its standard error,
# so this reads on until both have ended.
said=$(cd "$bin" && ORLEND_BACKEND=headless ./orlend-setup 2>&1 >/dev/null) || true
if [ -n "$said" ]; then
  echo "$said" >&2
  if grep -q -e '^Installation: ' -e '^ceappmgr: ' <<<"$said"; then
    echo "install-handheld: the handheld program was not installed (see above)" >&2
    exit 1
  fi
fi
# The launcher does not wait for the application manager: wait for its copies.
installed() {
  local f
  for f in orlend-dict orlend-dict-handheld tovu.dll zorwen.dll; do
    cmp -s "$bin/$f" "$program_folder/$f" || return 1
  done
  for f in "$bin"/help/* "$bin"/res/*; do
    cmp -s "$f" "$program_folder/${f#"$bin"/}" || return 1
  done
}
for _ in $(seq 1 600); do
  installed && break
  sleep 0.1
done
installed || { echo "install-handheld: the application manager did not install the program" >&2; exit 1; }

step "5/5 converting and transferring the databases from $folder"
sources=()
for list in "$folder/cedict.gb" "$folder/cedict.b5"; do
  [ -f "$list" ] && sources+=("$list")
done
if [ ${#sources[@]} -eq 0 ]; then
  for list in "$folder"/*.u8; do
    [ -f "$list" ] && sources+=("$list")
  done
fi
[ ${#sources[@]} -gt 0 ] || { echo "install-handheld: no word list in $folder (cedict.gb, cedict.b5 or *.u8)" >&2; exit 1; }
for list in "${sources[@]}"; do
  # A database newer than its list and the installer is sent as it is.
  if [ "${list%.u8}" = "$list" ] && [ "$list.dat" -nt "$list" ] && [ "$list.dat" -nt "$bin/orlend-dict-installer" ]; then
    "$bin/orlend-dict-installer" --transfer "$list.dat" >/dev/null
  else
    "$bin/orlend-dict-installer" --convert "$list" --transfer >/dev/null
  fi
done

echo
echo "The handheld (root $root) now holds, in its program folder"
echo "  $program_folder:"
(cd "$program_folder" && ls -1p | sed 's/^/    /')
echo "Run the dictionary from there:"
printf '  "%s/orlend-dict"\n' "$program_folder"
