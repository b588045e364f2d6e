#!/usr/bin/env bash
# twcli custom and the custom places scanned and cleaned as items of the group "gcustom", run for
# real in a Wine prefix of its own (the places are the user's setting): places added and refused,
# a folder with a mask (with and without its subfolders) and a key with a value filter scanned
# and cleaned, a refused folder refused again at scan time, and removals.
# usage: twcli_custom_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_custom
export TW_WINEPREFIX=${TW_CUSTOM_PREFIX:-$3/custom-wineprefix}
prefix=$TW_WINEPREFIX
"$src/scripts/wine-run" --init
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
reg() { "$src/scripts/wine-run" reg "$@" 2>/dev/null | tr -d '\r'; }
name=tw_custom_$$
tree=$prefix/drive_c/$name
win="C:\\$name"
key="HKCU\\Software\\TwCustom$$"
product="Z:${src//\//\\}\\data\\database.xml"
rm -rf "$work" "$tree" && mkdir -p "$work" "$tree" && cd "$work"
cleanup() { rm -rf "$tree"; reg delete "$key" /f >/dev/null; reg delete 'HKCU\Software\Tidewhisk' /v CustomPlaces /f >/dev/null; }
trap cleanup EXIT
reg delete 'HKCU\Software\Tidewhisk' /v CustomPlaces /f >/dev/null
pass=0 fail=0
check() {  # check NAME CONDITION...
  local label=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $label"; fi
}

# ---- The command: no place by default; bad or refused places refused with the reason, exit 2.
check "no custom place by default" [ "$(run custom list --json | tr -d '\r')" = '{"places":[]}' ]
refused() {  # refused EXPECTED-END-OF-STDERR ARGS...
  local want=$1 err rc; shift
  err=$(run custom add "$@" 2>&1 >/dev/null); rc=$?
  err=$(tr -d '\r' <<<"$err")
  [ $rc = 2 ] && [[ "$err" == *"$want" ]] || { echo "  got $rc: $err"; false; }
}
root_refusal='This folder is not cleaned: it is a drive root, the user profile, the Windows folder, a program files folder or a folder that holds one of them.'
check "a relative folder" refused 'A folder is named by its full path ("C:\...").' folder 'Temp\Logs'
check "a folder with wildcards" refused 'A folder is named without wildcards; the mask takes them.' folder 'C:\Temp\*'
check "a mask with a folder" refused 'A file mask is one or more names such as *.log, separated by ";", without folders.' folder 'C:\Temp' --mask 'sub\*.log'
check "a drive root" refused "$root_refusal" folder 'C:\'
check "the drive as a letter" refused "$root_refusal" folder 'c:'
check "the user profile" refused "$root_refusal" folder '%USERPROFILE%'
check "the profile, another spelling" refused "$root_refusal" folder '%USERPROFILE%\Desktop\..\'
check "a parent of the profiles" refused "$root_refusal" folder '%SystemDrive%\users'
check "the Windows folder" refused "$root_refusal" folder '%WINDIR%'
check "Program Files" refused "$root_refusal" folder '%ProgramFiles%'
check "Program Files (x86)" refused "$root_refusal" folder 'C:\Program Files (x86)'
key_refusal='This key is not cleaned: it is a root key or a key that Windows and every program share.'
check "a key without its root" refused 'A registry key starts with its root ("HKEY_CURRENT_USER\..." or "HKCU\...").' key 'Software\Vendor'
check "a hive root" refused "$key_refusal" key 'HKEY_CURRENT_USER'
check "HKCU\\Software" refused "$key_refusal" key 'HKCU\Software'
check "HKLM\\Software" refused "$key_refusal" key 'HKLM\SOFTWARE\'
check "the system's tree" refused "$key_refusal" key 'HKLM\SYSTEM\CurrentControlSet\Services\Vendor'
check "a filter with a bar" refused 'A value filter is one or more names such as MRU*, separated by ";", without "|".' key "$key" --filter 'a|b'
run custom add drive 'C:\Temp' >/dev/null 2>&1; check "an unknown kind is a usage error" [ $? = 2 ]
run custom add folder 'C:\Temp' --filter 'x*' >/dev/null 2>&1; check "a filter for a folder is a usage error" [ $? = 2 ]
run custom add key "$key" --recurse >/dev/null 2>&1; check "subfolders for a key is a usage error" [ $? = 2 ]
run custom >/dev/null 2>&1; check "no verb" [ $? = 2 ]
check "nothing was stored by the refusals" [ "$(run custom list | tr -d '\r')" = "" ]

# ---- Three places, variables kept as typed.
run custom add folder "%SystemDrive%\\$name\\logs" --mask '*.log' > add.txt
check "add a folder with a mask" [ "$?/$(tr -d '\r' < add.txt)" = "0/added: gcustom-i1 folder	%SystemDrive%\\$name\\logs	*.log	top" ]
run custom add folder "$win\\tree" --recurse >/dev/null; check "add a folder with its subfolders" [ $? = 0 ]
run custom add key "$key" --filter 'MRU*' >/dev/null; check "add a key with a filter" [ $? = 0 ]
check "adding twice keeps one place" grep -q '^already a custom place: gcustom-i1' \
  <(run custom add folder "%systemdrive%/$name/LOGS/" --mask '*.LOG' | tr -d '\r')
list_json() {
  local got; got=$(run custom list --json | jq -c '[.places[] | [.id, .kind, .place, .expanded, .mask // .filter, .recurse]]')
  local want; want=$(jq -nc --arg f "%SystemDrive%\\$name\\logs" --arg e "$win\\logs" --arg t "$win\\tree" --arg k "$key" \
    '[["gcustom-i1","folder",$f,$e,"*.log",false],["gcustom-i2","folder",$t,$t,"*.*",true],["gcustom-i3","key",$k,$k,"MRU*",null]]')
  [ "$got" = "$want" ] || { echo "  got:  $got"; echo "  want: $want"; false; }
}
check "the list, as typed and expanded" list_json
check "stored per user as a list of lines" grep -q 'CustomPlaces *REG_MULTI_SZ' <(reg query 'HKCU\Software\Tidewhisk' /v CustomPlaces)

# ---- Scanned and cleaned like database items, once ticked.
fixtures() {
  mkdir -p "$tree/logs/sub" "$tree/tree/sub/deeper"
  printf 1 > "$tree/logs/a.log"; printf 1 > "$tree/logs/b.txt"; printf 1 > "$tree/logs/sub/c.log"
  printf 1 > "$tree/tree/x.tmp"; printf 1 > "$tree/tree/sub/y.tmp"; printf 1 > "$tree/tree/sub/deeper/z.dat"
  reg add "$key" /v MRU1 /d 1 /f >/dev/null; reg add "$key" /v mrulist /d 2 /f >/dev/null
  reg add "$key" /v OldMRU /d 3 /f >/dev/null
}
values() { reg query "$1" | awk '/REG_SZ/ { print $1 }' | sort | tr '\n' ' '; }
fixtures
items=gcustom-i1,gcustom-i2,gcustom-i3
run scan --mode 1 --database "$product" --json > unticked.json
check "unticked, no custom item runs" [ "$(jq -c '[.objects[] | select(.item | startswith("gcustom"))]' unticked.json)" = '[]' ]
run scan --mode 7 --items $items --database "$product" --json > scan.json
check "the scan exits 0" [ $? = 0 ]
findings() { jq -c --arg i "$1" '[.objects[] | select(.item == $i) | .findings[].text] | sort' scan.json; }
check "the mask alone, in the folder alone" [ "$(findings gcustom-i1)" = "$(jq -nc --arg w "$win\\logs" '[$w+"\\a.log"]')" ]
check "with subfolders, everything below" [ "$(findings gcustom-i2)" = \
  "$(jq -nc --arg w "$win\\tree" '[$w+"\\sub", $w+"\\sub\\deeper", $w+"\\sub\\deeper\\z.dat", $w+"\\sub\\y.tmp", $w+"\\x.tmp"] | sort')" ]
check "the filter's values" [ "$(jq -c '[.objects[] | select(.item == "gcustom-i3") | .findings[].text | split("|")[0]] | sort' scan.json)" = '["MRU1","mrulist"]' ]
run clean --mode 7 --items $items --database "$product" --no-backup --json > clean.json
check "the clean exits 0, nothing failed" [ "$?/$(jq -c '.failed' clean.json)" = '0/0' ]
masked() { [ ! -e "$tree/logs/a.log" ] && [ -f "$tree/logs/b.txt" ] && [ -f "$tree/logs/sub/c.log" ]; }
check "the matching file goes, the rest of the folder stays" masked
emptied() { [ -d "$tree/tree" ] && [ -z "$(ls -A "$tree/tree")" ]; }
check "the tree is emptied, its folder stays" emptied
check "the matching values go, the others stay" [ "$(values "$key")" = "OldMRU " ]

# ---- A place refused when added is refused at scan time too (stored by hand), nothing listed.
run custom add folder "$win\\tree" >/dev/null
reg add 'HKCU\Software\Tidewhisk' /v CustomPlaces /t REG_MULTI_SZ /d 'folder|recurse|*.*|%USERPROFILE%\..' /f >/dev/null
run scan --mode 7 --items gcustom-i1 --database "$product" --json > refused.json
check "the scan exits 1" [ $? = 1 ]
refusal_told() {
  jq -e '.objects[] | select(.item == "gcustom-i1") | .error.message | startswith("Refused custom folder!")' refused.json >/dev/null
}
check "the item's error names the refusal" refusal_told
check "nothing listed" [ "$(jq -c '[.objects[].findings[]]' refused.json)" = '[]' ]

# ---- Removals: by id or by place (any spelling); a removed id is gone from scan and clean.
reg delete 'HKCU\Software\Tidewhisk' /v CustomPlaces /f >/dev/null
run custom add folder "$win\\logs" >/dev/null
run custom add folder "$win\\tree" >/dev/null
run custom add key "$key" >/dev/null
run custom remove gcustom-i1 >/dev/null; check "remove by id" [ $? = 0 ]
run custom remove folder "c:/$name/TREE/" >/dev/null; check "remove by place" [ $? = 0 ]
run custom remove folder 'C:\Nowhere' >/dev/null 2>&1; check "removing what is not there fails" [ $? = 1 ]
check "the key is left, now the first" [ "$(run custom list | tr -d '\r')" = "$(printf 'gcustom-i1\tkey\t%s\t*' "$key")" ]
run scan --mode 7 --items gcustom-i2 --database "$product" >/dev/null 2>&1
check "an id no longer there is a usage error" [ $? = 2 ]

echo "twcli custom: $pass passed, $fail failed"
[ "$fail" = 0 ]
