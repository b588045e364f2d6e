#!/usr/bin/env bash
# twcli winapp2 import, run for real in the Wine prefix: detection against the prefix's registry
# and files, the database written in both forms, and a scan and clean of the imported items on
# folder trees (with a symbolic link) and registry keys. Then a generated rule file of a few
# thousand entries is imported and its whole database scanned: every action must build its work
# object, and the only errors allowed are those of folders and keys missing on this machine.
# usage: twcli_winapp2_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_winapp2
# A prefix of its own (made once, kept for the next run): the cleans here refresh the kept-cookies
# file and touch the registry, which other tests running at the same time rely on.
export TW_WINEPREFIX=${TW_WINAPP2_PREFIX:-$3/winapp2-wineprefix}
prefix=$TW_WINEPREFIX
"$src/scripts/wine-run" --init
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
reg() { "$src/scripts/wine-run" reg "$@" 2>/dev/null | tr -d '\r'; }
name=tw_w2_$$
tree=$prefix/drive_c/$name
vendor="$prefix/drive_c/Program Files (x86)/TwW2Vendor$$"
key="HKCU\\Software\\TwW2Test$$"
win="C:\\$name"
product="Z:${src//\//\\}\\data\\database.xml"
rm -rf "$work" "$tree" "$vendor" && mkdir -p "$work" "$tree" && cd "$work"
cleanup() { rm -rf "$tree" "$vendor"; reg delete "$key" /f >/dev/null; }
trap cleanup EXIT
pass=0 fail=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $name"; fi
}

mkdir -p "$tree/cache/sub/deep" "$tree/logs/old" "$tree/logs/Keep" "$tree/walk" "$tree/outside" \
         "$tree/bin" "$vendor/Logs"
printf 1 > "$tree/cache/a.tmp"; printf 22 > "$tree/cache/sub/b.dat"; printf 3 > "$tree/cache/sub/deep/c.dat"
printf 1 > "$tree/logs/x.log"; printf 1 > "$tree/logs/keep.txt"
printf 1 > "$tree/logs/old/y.log"; printf 1 > "$tree/logs/Keep/z.log"
printf 1 > "$tree/walk/inner.tmp"; printf keep > "$tree/outside/keep.tmp"
ln -s ../outside "$tree/walk/link"
printf 1 > "$tree/bin/tool.exe"; printf 1 > "$vendor/Logs/p.log"
reg add "$key\\App" /v "Last File" /d one /f >/dev/null
reg add "$key\\App" /v Keep /d two /f >/dev/null
reg add "$key\\App\\MRU" /v a /d three /f >/dev/null

cat > rules.ini <<INI
; rules of the test
[Present]
Detect=$key
FileKey1=%SystemDrive%\\$name\\cache|*.*|REMOVESELF
FileKey2=%SystemDrive%\\$name\\logs|*.log|RECURSE
FileKey3=%SystemDrive%\\$name\\logs|*.log
FileKey4=%SystemDrive%\\$name\\walk|*.*|REMOVESELF
FileKey5=%ProgramFiles%\\TwW2Vendor$$\\Logs|*.log
ExcludeKey1=PATH|%SystemDrive%\\$name\\logs\\Keep\\
RegKey1=$key\\App|last file
RegKey2=$key\\App\\MRU

[By file *]
DetectFile=%SystemDrive%\\$name\\b?n\\*.exe
FileKey1=%SystemDrive%\\$name\\bin|*.log

[Absent]
Detect=HKCU\\Software\\TwW2Missing$$
DetectFile=%SystemDrive%\\$name\\nothing
FileKey1=%SystemDrive%\\$name\\cache|*.*

[Old Windows]
DetectOS=|5.0
FileKey1=%SystemDrive%\\$name\\cache|*.*

[Refused]
FileKey1=%WinDir%|*.*
INI

# Only what applies here is taken.
run winapp2 import rules.ini out.xml --database "$product" --json > import.json
check "import exits 0" [ $? = 0 ]
check "taken, not detected and skipped" \
  [ "$(jq -c '[.taken, [.notDetected[].entry], [.skipped[] | [.entry, .line]], .groups]' import.json)" = \
    '[2,["Absent","Old Windows"],[["Refused",26]],["g14"]]' ]
refusal_given() {
  jq -e '.skipped[0].reason | test("^FileKey1: the pattern \\*\\.\\* in %WINDIR% .*could match any file")' import.json >/dev/null
}
check "the reason of a refusal" refusal_given
check "the key an exclusion reaches into is left out" \
  [ "$(jq -c '[.keysLeftOut[] | .reason]' import.json)" = '["FileKey2: ExcludeKey1 keeps part of what it removes"]' ]
run list --database out.xml | tr -d '\r' > list.txt
check "the items are in group g14 after the product's groups" \
  [ "$(grep -E '^(g1[34] |  g14-)' list.txt | sed -E 's/  mode=.*//')" = "$(printf 'g13  Google Chrome\ng14  Imported: Other rules\n  g14-i01  Present\n  g14-i02  By file')" ]

run winapp2 import rules.ini all.dat --database "$product" --all > all.txt
check "--all takes every expressible entry" grep -qx 'Taken: 4 (groups g14 to g14)' <(tr -d '\r' < all.txt)
check "a .dat is written in the protected form" [ "$(head -c 5 all.dat)" != "<?xml" ]
check "the protected form reads back" grep -q '^  g14-i04  Old Windows' <(run list --database all.dat | tr -d '\r')

run scan --mode 7 --items g14-i01,g14-i02 --database out.xml --json > scan.json
expected=$(printf '%s\n' "$win\\cache\\a.tmp" "$win\\cache\\sub" "$win\\cache\\sub\\b.dat" \
  "$win\\cache\\sub\\deep" "$win\\cache\\sub\\deep\\c.dat" "$win\\logs\\x.log" "$win\\walk\\inner.tmp" \
  "$win\\walk\\link" 'C:\Program Files (x86)\TwW2Vendor'$$'\Logs\p.log' 'Last File|one' 'MRU|' | jq -Rcs 'split("\n")[:-1] | sort')
check "the scan lists what the rules name, and nothing behind the link" \
  [ "$(jq -c '[.objects[].findings[].text] | sort' scan.json)" = "$expected" ]
check "the only error: the 64-bit Program Files folder of the vendor is missing" \
  [ "$(jq -c '[.objects[] | select(.error) | .error.message]' scan.json)" = "$(jq -nc --arg m "Path not found! C:\\Program Files\\TwW2Vendor$$\\Logs" '[$m]')" ]

run clean --mode 7 --items g14-i01,g14-i02 --database out.xml --no-backup --json > clean.json
clean_rc=$?
# The link is found but not removed (see below): a finding left, so the clean reports a failure.
check "clean exits 1 with the one finding left counted as failed" \
  [ "$clean_rc/$(jq -c '[.checked, .failed, .skipped, .errors]' clean.json)" = '1/[11,1,0,0]' ]
cache_emptied() { [ -d "$tree/cache" ] && [ -z "$(ls -A "$tree/cache")" ]; }
exclusion_kept() {
  [ -f "$tree/logs/Keep/z.log" ] && [ -f "$tree/logs/old/y.log" ] && [ -f "$tree/logs/keep.txt" ] &&
    [ ! -e "$tree/logs/x.log" ]
}
check "every finding removed but the link" \
  [ "$(jq -c '[.objects[].findings[] | select(.removed | not) | .text]' clean.json)" = "$(jq -nc --arg t "$win\\walk\\link" '[$t]')" ]
check "REMOVESELF empties the folder and keeps it" cache_emptied
check "the excluded folder and other files stay" exclusion_kept
check "nothing behind the link is touched" [ "$(ls -A "$tree/walk")/$(cat "$tree/outside/keep.tmp")" = link/keep ]
check "the 32-bit Program Files folder is cleaned" [ ! -e "$vendor/Logs/p.log" ]
values_left() { reg query "$key\\App" | awk '/REG_SZ/ { print $1 }'; }
check "the named value goes, in any letter case; the others stay" [ "$(values_left)" = Keep ]
key_gone() { ! "$src/scripts/wine-run" reg query "$key\\App\\MRU" >/dev/null 2>&1; }
check "the named key goes with what is below it" key_gone

# A rule file of a few thousand entries: its database scans without errors of its own.
"$src/tests/cli/winapp2-sample-ini" 3000 > big.ini
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Database version="1" smallIcons="false">\n  <TipsAndTricks lastTip="01" maxTipId="01">\n    <Tip id="01"><en info="a"/><fr info="b"/><de info="c"/><es info="d"/></Tip>\n  </TipsAndTricks>\n</Database>\n' > base.xml
run winapp2 import big.ini big.xml --database base.xml --all --json > big.json
check "the big file imports" [ "$(jq -c '[.taken, (.skipped | length), .groups[0], (.groups | length)]' big.json)" = '[2970,30,"g14",38]' ]
run scan --mode 6 --database big.xml --json > bigscan.json
check "the scan of the imported database exits 0" [ $? = 0 ]
actions=$(run list --database big.xml | tr -d '\r' | awk '/^  g/ { preset = / mode=0000010 / } /^    / && preset { n++ } END { print n }')
check "every action of the Complete Cleanup items builds its object" \
  [ "$(jq '.objects | length' bigscan.json)/$((actions > 3000))" = "$actions/1" ]
check "no error comes from the database itself" \
  [ "$(jq '[.objects[] | select(.error) | .error.message | select(test("^Path not found! |^Subkey \".*\" not found\\.$") | not)] | length' bigscan.json)" = 0 ]

run winapp2 import 2>/dev/null; check "usage error" [ $? = 2 ]
run winapp2 export rules.ini x.xml 2>/dev/null; check "unknown subcommand" [ $? = 2 ]
run winapp2 import missing.ini x.xml --database "$product" 2>/dev/null; check "unreadable rule file" [ $? = 1 ]
printf 'not a rule file\n' > empty.ini
run winapp2 import empty.ini x.xml --database "$product" 2>/dev/null; check "a file without entries" [ "$?/$(ls x.xml 2>/dev/null)" = 1/ ]

echo "twcli winapp2: $pass passed, $fail failed"
[ "$fail" = 0 ]
