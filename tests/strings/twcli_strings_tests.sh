#!/usr/bin/env bash
# twcli strings, run for real under Wine: the exported table equals the translators' files.
# usage: twcli_strings_tests.sh TWCLI.exe SOURCE_DIR
set -u
twcli=$1 src=$2
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
pass=0 fail=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $name"; fi
}

# The text form is the files' own form, row for row, in every language (without English's names).
for lang in en fr de es; do
  out=$(run strings --lang "$lang" | tr -d '\r')
  if [ "$lang" = en ]; then file=$(cut -f1,3- "$src/data/strings/en.txt"); else file=$(cat "$src/data/strings/$lang.txt"); fi
  check "$lang text export" [ "$out" = "$file" ]
done
check "English by default" [ "$(run strings | tr -d '\r' | sed -n 44p)" = "$(printf '43\tScan Now')" ]

json=$(run strings --lang de --json | tr -d '\r')
check "json head" [ "${json:0:25}" = '{"lang":"de","rows":["Tid' ]
check "json tail" [ "${json: -3}" = '"]}' ]
# 297 rows: 296 separators between them and one after "lang" (no text holds '","').
check "json row count" [ "$(grep -o '","' <<<"$json" | wc -l)" = 297 ]
check "json line breaks escaped" grep -q '"%d Reinigungsvorgänge erfolgreich abgeschlossen.\\r\\n\\r\\n%d von %d' <<<"$json"
check "json quotes escaped" grep -q 'Suchen und installieren Sie:\\r\\n\\"Microsoft Core' <<<"$json"

run strings --lang it >/dev/null 2>&1
check "unknown language is a usage error" [ $? = 2 ]
run strings extra >/dev/null 2>&1
check "positional argument is a usage error" [ $? = 2 ]

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
