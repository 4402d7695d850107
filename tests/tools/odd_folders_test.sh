#!/usr/bin/env bash
# The whole flow from a checkout in a folder named "a b/词典": tools/run.sh without a
# display (the npm registry made unreachable, so the bundled sample stands in) installs
# the handheld program and both databases and looks "china" up. Under a folder whose name
# holds a double quote the setup launcher refuses at once, with a message.
# The checkout is the source's tools/ and resources/ and the build, linked into the folder.
#   odd_folders_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
scratch="$build_dir/test-scratch/tools/odd_folders"
rm -rf "$scratch"
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# A checkout under $1, its handheld and registry inside it too.
checkout() {
  local top=$1
  mkdir -p "$top"
  ln -s "$source_dir/tools" "$top/tools"
  ln -s "$source_dir/resources" "$top/resources"
  ln -s "$build_dir" "$top/build"
  mkdir -p "$top/handheld" "$top/data"
}
flow_env=(env -u DISPLAY -u WAYLAND_DISPLAY -u ORLEND_BACKEND -u BUILD_DIR
          npm_config_registry=http://127.0.0.1:9/ SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy)

spaced="$scratch/a b/词典"
checkout "$spaced"
if ! "${flow_env[@]}" ORLEND_HANDHELD_ROOT="$spaced/handheld" ORLEND_REGISTRY="$spaced/registry.reg" \
     timeout 600 "$spaced/tools/run.sh" >"$scratch/spaced.log" 2>&1; then
  fail "tools/run.sh from $spaced"
  tail -n 30 "$scratch/spaced.log" >&2
fi
program="$spaced/handheld/program files/orlend's chinese dictionary"
for f in orlend-dict tovu.dll zorwen.dll cedict.gb.dat cedict.b5.dat; do
  [ -f "$program/$f" ] || fail "$f was not installed in $program"
done
grep -q "中国" "$scratch/spaced.log" || fail "the lookup of china did not list 中国"

quoted="$scratch/q\"uote/词典"
checkout "$quoted"
start=$SECONDS
if "${flow_env[@]}" ORLEND_HANDHELD_ROOT="$quoted/handheld" ORLEND_REGISTRY="$quoted/registry.reg" \
   timeout 600 "$quoted/tools/install-handheld.sh" "$source_dir/resources/sample" >"$scratch/quoted.log" 2>&1; then
  fail "install-handheld.sh under a folder with a double quote did not fail"
fi
grep -q "double quote" "$scratch/quoted.log" || { fail "no message about the double quote"; cat "$scratch/quoted.log" >&2; }
[ $((SECONDS - start)) -lt 30 ] || fail "the refusal took $((SECONDS - start)) s (it waited for an install)"
[ -e "$quoted/handheld/program files" ] && fail "something was installed under $quoted"

[ "$failures" -eq 0 ] && echo "odd folders: the flow runs under 'a b/词典' and is refused under 'q\"uote'"
exit $((failures > 0))
