# Sourced by the scripts in tools/. script_help answers --help with the script's opening comment
# (the lines after the #! line, up to the first line that is not a comment) and
# --version with the project's version. Usage, first thing in a script:
#   . "$(dirname "$0")/lib/help.sh"; script_help "$@"
script_help() {
  case "${1:-}" in
    -h | --help)
      printf 'Usage: %s\n' "$(basename "$0")"
      sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
      exit 0
      ;;
    -V | --version)
      local version
      version=$(sed -n 's/^project(orlend VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
      printf '%s (orlend-dict) %s\n' "$(basename "$0")" "${version:-unknown}"
      exit 0
      ;;
  esac
}

# Reads --edition 2026|2019 (or --edition=...) into $edition, default $CEDICT_EDITION or
# 2026; any other argument is refused. Usage: read_edition SCRIPT-NAME "$@"
read_edition() {
  local name=$1
  shift
  edition=${CEDICT_EDITION:-2026}
  while [ $# -gt 0 ]; do
    case $1 in
      --edition) edition=${2:-}; shift 2 || shift ;;
      --edition=*) edition=${1#--edition=}; shift ;;
      *) echo "$name: unknown option $1 (see --help)" >&2; exit 1 ;;
    esac
  done
}
