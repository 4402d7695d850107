#!/bin/sh
# Starts an installed program of the dictionary system. bin/orlend-dict,
# bin/orlend-dict-installer and bin/orlend-setup are links to orlend-launch, which does the
# common start of orlend-dict itself and hands every other start to this script, naming the
# command in ORLEND_LAUNCH_AS. It finds the package folder (the programs, skins, sounds, help
# pages and the desktop link's stand-ins) beside itself, so an installation can live under
# any prefix.
#
# orlend-dict runs from the program folder of the user's emulated handheld
# ($ORLEND_HANDHELD_ROOT, else ${XDG_DATA_HOME:-~/.local/share}/orlend/handheld), as on
# the real device; the first start (and the first after an upgrade) installs the
# program there through the desktop link, the way orlend-setup does.
#
# A lookup is a short process, so the way to it forks little: the names come from parameter
# expansion, and the program on the handheld is compared byte by byte with the package's
# only when either file changed since they last matched (see ensure_installed).
set -u
name=${ORLEND_LAUNCH_AS:-${0##*/}}
unset ORLEND_LAUNCH_AS
self=$(readlink -f "$0") || exit 2
package=${self%/*}
case "$name" in
  orlend-dict | orlend-dict-installer | orlend-setup) ;;
  *) echo "orlend-launch: start me as orlend-dict, orlend-dict-installer or orlend-setup" >&2; exit 2 ;;
esac

# --help and --version need no handheld.
for argument in "$@"; do
  case "$argument" in
    --) break ;;
    -h | --help | -V | --version) exec "$package/$name" "$@" ;;
  esac
done

if [ -n "${ORLEND_HANDHELD_ROOT:-}" ]; then
  root=$ORLEND_HANDHELD_ROOT
elif [ -n "${XDG_DATA_HOME:-}" ]; then
  root=$XDG_DATA_HOME/orlend/handheld
elif [ -n "${HOME:-}" ]; then
  root=$HOME/.local/share/orlend/handheld
else
  echo "$name: HOME is not set; set ORLEND_HANDHELD_ROOT to the emulated handheld's folder" >&2
  exit 2
fi
program_folder="$root/program files/orlend's chinese dictionary"

# The handheld's programs: the command and the handheld program it hands the window to.
# Whether the handheld has the package's, byte for byte.
same_programs() {
  cmp -s "$package/orlend-dict" "$program_folder/orlend-dict" &&
    cmp -s "$package/orlend-dict-handheld" "$program_folder/orlend-dict-handheld"
}

# Registers the application manager and has the setup launcher install the program.
install_on_handheld() {
  mkdir -p "$root" || return 1
  "$package/orlend-register-link" "$package/ceappmgr" >/dev/null || return 1
  (cd "$package" && ORLEND_BACKEND=headless ./orlend-setup) || return 1
  # The setup launcher does not wait for the application manager.
  tries=0
  while [ $tries -lt 200 ]; do
    same_programs && return 0
    sleep 0.05
    tries=$((tries + 1))
  done
  return 1
}

# The package's programs and the handheld's copies as they stand: size, modification and
# change times, inode and device of each (incomplete when one is missing). An upgrade replaces
# the package's files, and any write to a copy changes its change time, which no one can set.
identity() {
  stat -L --printf '%s %Y %Z %i %d ' "$package/orlend-dict" "$program_folder/orlend-dict" \
    "$package/orlend-dict-handheld" "$program_folder/orlend-dict-handheld" 2>/dev/null || true
}

# Beside the handheld's folder (not on the handheld): the files' identity when they last
# matched byte for byte. orlend-launch reads it too, and writes nothing.
stamp="${root%/}.installed"

# The programs on the handheld, installed or brought up to date. Comparing them took 40 ms of
# every start; while all stand as they did when they last matched, they still do.
ensure_installed() {
  current=$(identity)
  recorded=
  [ -f "$stamp" ] && IFS= read -r recorded <"$stamp" 2>/dev/null
  [ -n "$current" ] && [ "$current" = "$recorded" ] && return 0
  if same_programs || install_on_handheld; then
    printf '%s\n' "$(identity)" >"$stamp" 2>/dev/null || true
    return 0
  fi
  echo "$name: the program could not be installed on the handheld ($program_folder)" >&2
  exit 2
}

case "$name" in
  orlend-dict)
    ensure_installed
    if [ ! -e "$program_folder/cedict.gb.dat" ] && [ ! -e "$program_folder/cedict.b5.dat" ]; then
      echo "orlend-dict: no dictionary database on the handheld yet; convert CC-CEDICT and send it with" >&2
      echo "  orlend-dict-installer --convert cedict_ts.u8 --transfer" >&2
    fi
    exec "$program_folder/orlend-dict" "$@"
    ;;
  orlend-dict-installer)
    # A transfer needs the program's folder on the handheld.
    ensure_installed
    for argument in "$@"; do
      case "$argument" in
        -c* | -t* | --convert* | --transfer*) exec "$package/$name" "$@" ;;
      esac
    done
    # The window finds its skins and banner in the folder it starts in.
    cd "$package" && exec ./orlend-dict-installer "$@"
    ;;
  orlend-setup)
    mkdir -p "$root" && "$package/orlend-register-link" "$package/ceappmgr" >/dev/null || exit 2
    cd "$package" && exec ./orlend-setup "$@"
    ;;
esac
