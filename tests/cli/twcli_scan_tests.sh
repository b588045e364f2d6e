#!/usr/bin/env bash
# twcli scan and clean on folder trees in the Wine prefix, run for real.
# usage: twcli_scan_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_scan
prefix=${TW_WINEPREFIX:-$src/build/wineprefix}
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
name=tweng_cli_$$
tree=$prefix/drive_c/$name
win="C:\\$name"
rm -rf "$work" "$tree" && mkdir -p "$work" "$tree" && cd "$work"
trap 'rm -rf "$tree"' EXIT
pass=0 fail=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $name"; fi
}

mkdir -p "$tree/a/sub/deep" "$tree/c" "$tree/outside"
printf 12345 > "$tree/a/one.tmp"; printf abc > "$tree/a/two.log"
printf 1 > "$tree/a/sub/three.tmp"; printf 1 > "$tree/a/sub/deep/four.tmp"
printf 1 > "$tree/c/c.tmp"; printf keep > "$tree/outside/keep.tmp"
ln -s ../outside "$tree/a/link"

action() {  # action PATH FILTER [RECURSE]
  echo "<Action method=\"DeleteFiles\" path=\"$1\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" fileFilter=\"$2\" excludeFolder=\"\" recurse=\"${3:-true}\"/>"
}
cat > "$tree/db.xml" <<XML
<?xml version="1.0"?>
<Database version="1">
  <Group id="g01" icon="x">
    <Item id="g01-i01" icon="C:\\Tools\\Tool.EXE;shell32.dll" enabled="true" mode="1000000" checked="false">$(action "$win\\a" "*.*")</Item>
    <Item id="g01-i02" icon="x" enabled="true" mode="1000000" checked="false">$(action "$win\\missing" "*.*")</Item>
    <Item id="g01-i03" icon="x" enabled="true" mode="0100000" checked="false">$(action "$win\\c" "*.tmp")</Item>
  </Group>
</Database>
XML
db="$win\\db.xml"
a="$win\\a"

run scan --mode 1 --database "$db" --json > scan.json; check "scan exits 0" [ $? = 0 ]
check "scan lists the objects of mode 1" [ "$(jq -c '[.mode, [.objects[] | .item]]' scan.json)" = '[1,["g01-i01","g01-i02"]]' ]
expected=$(printf '%s\n' "$a\\link" "$a\\one.tmp" "$a\\sub" "$a\\sub\\deep" "$a\\sub\\deep\\four.tmp" "$a\\sub\\three.tmp" "$a\\two.log" | jq -Rcs 'split("\n")[:-1]')
check "findings: files and folders, the link as itself and nothing behind it" \
  [ "$(jq -c '[.objects[0].findings[].text] | sort' scan.json)" = "$expected" ]
check "finding sizes" [ "$(jq -c '[.objects[0].findings[] | select(.text | endswith("one.tmp")) | .size]' scan.json)" = '[5]' ]
check "missing folder recorded on its object" \
  [ "$(jq -c '.objects[1] | [.class, .error.class, .error.message, (.findings | length)]' scan.json)" = "$(jq -nc --arg m "Path not found! $win\\missing" '["TDeleteFileObject","EDeleteFileError",$m,0]')" ]
check "totals and programs" [ "$(jq -c '[.count, .size, .programsToClose]' scan.json)" = '[7,10,["tool.exe"]]' ]

run scan --mode 1 --database "$db" | tr -d '\r' > scan.txt
check "human output names objects and errors" grep -qF "  error: EDeleteFileError: Path not found! $win\\missing" scan.txt
check "human totals use the size rule" grep -qx 'Findings: 7, 0.01 KB' scan.txt
check "human programs" grep -qx 'Programs to close: tool.exe' scan.txt

run scan --mode 7 --items g01-i03 --database "$db" --json > picked.json
check "--items picks exactly those items" \
  [ "$(jq -c '[.objects[] | [.item, [.findings[].text]]]' picked.json)" = "$(jq -nc --arg t "$win\\c\\c.tmp" '[["g01-i03",[$t]]]')" ]

run scan --mode 9 --database "$db" 2>/dev/null; check "mode out of range" [ $? = 2 ]
run scan --mode 1 --items g01-i01 --database "$db" 2>/dev/null; check "--items outside modes 5 and 7" [ $? = 2 ]
run scan --mode 7 --items g01-i01,g09-i09 --database "$db" 2>/dev/null; check "unknown item" [ $? = 2 ]
run clean --mode 1 --bogus 2>/dev/null; check "unknown option" [ $? = 2 ]
run scan --mode 1 --database "$win\\none.xml" >/dev/null 2>&1; check "missing database exits 1" [ $? = 1 ]

run clean --mode 1 --database "$db" --json > clean.json; check "clean exits 1: a finding stayed" [ $? = 1 ]
check "every finding but the link removed" \
  [ "$(jq -c '[.objects[0].findings[] | select(.removed | not) | .text]' clean.json)" = "$(jq -nc --arg t "$a\\link" '[$t]')" ]
check "clean summary counts" [ "$(jq -c '[.checked, .failed]' clean.json)" = '[7,1]' ]
check "nothing behind the link removed" [ "$(cat "$tree/outside/keep.tmp")" = keep ]
check "the tree is gone" [ "$(ls -A "$tree/a")" = link ]
run clean --mode 1 --database "$db" | tr -d '\r' > clean.txt
check "human clean summary" grep -qx 'Cleaned: 1 checked, 1 could not be removed' clean.txt

# Without administrator rights (as the test variable says: Wine runs every process as an
# administrator) a value of HKEY_LOCAL_MACHINE is listed but left out of the clean, and said so.
hklm="Software\\TidewhiskCliRights$$"
"$src/scripts/wine-run" reg add "HKLM\\$hklm" /v stale /d old /f >/dev/null 2>&1
"$src/scripts/wine-run" reg add "HKCU\\$hklm" /v stale /d old /f >/dev/null 2>&1
values() {  # values ROOT
  echo "<Action method=\"DeleteValues\" key=\"$1\" subkey=\"$hklm\" valueFilter=\"^stale\$\"/>"
}
cat > "$tree/rights.xml" <<XML
<?xml version="1.0"?>
<Database version="1">
  <Group id="g00" icon="x">
    <Item id="g00-i01" icon="x" enabled="true" mode="0000100" checked="true">$(values HKEY_LOCAL_MACHINE)</Item>
    <Item id="g00-i02" icon="x" enabled="true" mode="0000100" checked="true">$(values HKEY_CURRENT_USER)</Item>
  </Group>
</Database>
XML
TIDEWHISK_TEST_ELEVATED=0 run scan --mode 5 --database "$win\\rights.xml" --json > rights.json 2> rights.err
check "scan without rights exits 0" [ $? = 0 ]
check "scan says which item needs rights" grep -qF "  g00-i01 (HKEY_LOCAL_MACHINE\\$hklm)" rights.err
check "scan lists both values" [ "$(jq -c '[.count, .errors, .elevated, [.objects[].partialErrors | length]]' rights.json)" = '[2,0,false,[0,0]]' ]
TIDEWHISK_TEST_ELEVATED=0 run clean --mode 5 --no-backup --database "$win\\rights.xml" --json > rights.json 2> rights.err
check "clean without rights exits 1" [ $? = 1 ]
check "clean says the item is skipped" grep -q "skipped" rights.err
check "the machine's value is skipped, the user's removed" \
  [ "$(jq -c '[.checked, .failed, .skipped, [.objects[] | [.skipped, .findings[0].removed]]]' rights.json)" = '[1,0,1,[[true,false],[null,true]]]' ]
has_value() { "$src/scripts/wine-run" reg query "$1" /v "$2" >/dev/null 2>&1; }
check "the machine's value is still there" has_value "HKLM\\$hklm" stale
TIDEWHISK_TEST_ELEVATED=1 run clean --mode 5 --no-backup --database "$win\\rights.xml" --json > rights.json 2> rights.err
check "with rights nothing is skipped" [ "$(jq -c '[.checked, .failed, .skipped, .elevated]' rights.json)" = '[1,0,0,true]' ]
for r in HKLM HKCU; do "$src/scripts/wine-run" reg delete "$r\\$hklm" /f >/dev/null 2>&1; done

# A file more than 300 characters deep and names outside any code page: found, removed, and the
# folders above them removed too.
long=$(printf 'L%.0s' {1..60})
mkdir -p "$tree/deep/$long/$long/$long/$long/$long" "$tree/uni/日本語"
printf 1 > "$tree/deep/$long/$long/$long/$long/$long/end.tmp"
printf 1 > "$tree/uni/café-ñandú.tmp"; printf 1 > "$tree/uni/日本語/😀.log"
cat > "$tree/far.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Database version="1">
  <Group id="g01" icon="x">
    <Item id="g01-i01" icon="x" enabled="true" mode="1000000" checked="false">$(action "$win\\deep" "*.*")$(action "$win\\uni" "*.*")</Item>
  </Group>
</Database>
XML
d="$win\\deep"
expected=$(printf '%s\n' "$d\\$long" "$d\\$long\\$long" "$d\\$long\\$long\\$long" "$d\\$long\\$long\\$long\\$long" \
  "$d\\$long\\$long\\$long\\$long\\$long" "$d\\$long\\$long\\$long\\$long\\$long\\end.tmp" \
  "$win\\uni\\café-ñandú.tmp" "$win\\uni\\日本語" "$win\\uni\\日本語\\😀.log" | jq -Rcs 'split("\n")[:-1] | sort')
run scan --mode 1 --database "$win\\far.xml" --json > far.json
check "long and non-ANSI paths found, as UTF-8 in their usual form" [ "$(jq -c '[.objects[].findings[].text] | sort' far.json)" = "$expected" ]
check "the deepest path is longer than 300 characters" [ "$(jq '[.objects[].findings[].text | length] | max > 300' far.json)" = true ]
run clean --mode 1 --database "$win\\far.xml" --json > farclean.json
check "long and non-ANSI paths removed" [ "$(jq -c '[.checked, .failed]' farclean.json)" = '[9,0]' ]
check "nothing left of them" [ -z "$(ls -A "$tree/deep" "$tree/uni" | grep -v ':$' | grep -v '^$')" ]

# The %TEMP% rule with Wine set to Windows XP and to Windows 10 (Wine keeps the version per program
# name, so each version gets its own copy of twcli). A batch file sets TEMP and LOCALAPPDATA.
mkdir -p "$tree/tmp" "$tree/la/Temp"
printf 1 > "$tree/tmp/t.tmp"; printf 1 > "$tree/la/Temp/l.tmp"
cat > "$tree/temp.xml" <<XML
<?xml version="1.0"?>
<Database version="1">
  <Group id="g01" icon="x">
    <Item id="g01-i01" icon="x" enabled="true" mode="1000000" checked="false">$(action "%TEMP%" "*.*" false)</Item>
  </Group>
</Database>
XML
wine_version_key() { echo "HKCU\\Software\\Wine\\AppDefaults\\twcli_$$_$1.exe"; }
trap 'rm -rf "$tree"; for v in winxp win10; do "$src/scripts/wine-run" reg delete "$(wine_version_key $v)" /f >/dev/null 2>&1; done' EXIT
for v in winxp win10; do
  cp "$twcli" "$tree/twcli_$$_$v.exe"
  "$src/scripts/wine-run" reg add "$(wine_version_key $v)" /v Version /d $v /f >/dev/null 2>&1
done
temp_scan() {  # temp_scan VERSION TEMP LOCALAPPDATA (empty: not set): prints [error message, findings]
  printf '@set TEMP=%s\r\n@set LOCALAPPDATA=%s\r\n@%s scan --mode 1 --database %s --json > %s\r\n' \
    "$2" "$3" "$win\\twcli_$$_$1.exe" "$win\\temp.xml" "$win\\temp.json" > "$tree/temp.cmd"
  rm -f "$tree/temp.json"
  "$src/scripts/wine-run" cmd /c "$win\\temp.cmd" >/dev/null 2>&1
  jq -c '[.objects[0].error.message, [.objects[0].findings[].text]]' "$tree/temp.json" 2>/dev/null
}
refused() { jq -nc --arg m "Invalid temp path! $1" '[$m, []]'; }
listed() { jq -nc --arg t "$1" '[null, [$t]]'; }
profile=$(printf 'C:\\USERS\\%s' "$(id -un)" | tr '[:lower:]' '[:upper:]')
for v in winxp win10; do
  for temp in 'C:\' "$profile" 'C:\WINDOWS\'; do
    check "$v: TEMP $temp refused" [ "$(temp_scan $v "$temp" "")" = "$(refused "$temp")" ]
  done
  check "$v: a temporary folder is listed" [ "$(temp_scan $v "$win\\tmp" "")" = "$(listed "$win\\tmp\\t.tmp")" ]
done
check "winxp: TEMP names the folder" [ "$(temp_scan winxp 'C:\' "$win\\la")" = "$(refused 'C:\')" ]
check "win10: LOCALAPPDATA\\Temp names the folder" [ "$(temp_scan win10 'C:\' "$win\\la")" = "$(listed "$win\\la\\Temp\\l.tmp")" ]

echo "twcli scan/clean: $pass passed, $fail failed"
[ "$fail" = 0 ]
