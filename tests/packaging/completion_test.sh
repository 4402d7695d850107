#!/usr/bin/env bash
# The bash completion as a shell at a prompt would use it: option names come from the
# built programs' --help, the values of --database from the completion itself.
set -uo pipefail
bin=$1
source=$2
source /usr/share/bash-completion/bash_completion || exit 1
source "$source/packaging/orlend-dict.bash-completion" || exit 1
export PATH="$bin:$PATH"
fail=0

complete_line() {  # the words of the line, the last one being completed
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _orlend_dict_programs "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}"
}
expect() {  # expect WHAT-TO-FIND -- WORDS...
  local want=$1
  shift 2
  local got
  got=$(complete_line "$@")
  if ! grep -qx -- "$want" <<<"$got"; then
    echo "FAIL: '$*' offers no '$want' (offers: $(echo $got))"
    fail=1
  fi
}
expect b5 -- orlend-dict --database ""
expect --query -- orlend-dict --qu
expect --whole-word -- orlend-dict --query x --wh
expect --transfer -- orlend-dict-installer --tr
expect --verbose -- orlend-setup --ve
[ $fail -eq 0 ] && echo "completion test: passed"
exit $fail
