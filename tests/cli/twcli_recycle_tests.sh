#!/usr/bin/env bash
# twcli clean with the Recycle Bin for the user's own places, run for real in the Wine prefix:
# recoverable items go to the Recycle Bin (and come back), temporary files are gone for good,
# what the Recycle Bin cannot take stays where it is.
# usage: twcli_recycle_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_recycle
prefix=${TW_WINEPREFIX:-$src/build/wineprefix}
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
name=tweng_recycle_$$
tree=$prefix/drive_c/$name
removable=$prefix/drive_r/$name
temp=$prefix/drive_c/users/$(id -un)/AppData/Local/Temp/$name
win="C:\\$name"
rm -rf "$work" "$tree" "$removable" "$temp" && mkdir -p "$work" "$tree" "$removable" "$temp" && cd "$work"
# Under Wine the Recycle Bin is the host's trash folder: one of this test's own.
export XDG_DATA_HOME=$tree/xdg
trash=$XDG_DATA_HOME/Trash
mkdir -p "$trash/files" "$trash/info"
stored_off() { "$src/scripts/wine-run" reg delete 'HKCU\Software\Tidewhisk' /v MoveToRecycleBin /f >/dev/null 2>&1; }
trap 'stored_off; [ -n "${KEEP:-}" ] || rm -rf "$tree" "$removable" "$temp"' EXIT
pass=0 fail=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $name"; fi
}

# A folder name that makes a path longer than the shell takes (MAX_PATH).
long=$(printf 'l%.0s' $(seq 1 120))
fill() {
  mkdir -p "$tree/docs/sub" "$tree/docs/$long/$long"
  printf 'report content' > "$tree/docs/report.txt"; printf 'notes' > "$tree/docs/sub/notes.txt"
  printf 'deep' > "$tree/docs/$long/$long/deep.txt"
  printf 'temporary' > "$temp/scratch.tmp"
  printf 'stick' > "$removable/stick.txt"
}

action() {  # action PATH FILTER
  echo "<Action method=\"DeleteFiles\" path=\"$1\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" fileFilter=\"$2\" excludeFolder=\"\" recurse=\"true\"/>"
}
cat > "$tree/db.xml" <<XML
<?xml version="1.0"?>
<Database version="1">
  <Group id="g01" icon="x">
    <Item id="g01-i01" icon="x" enabled="true" mode="1000000" checked="false" recoverable="true">$(action "$win\\docs" "*.txt")</Item>
    <Item id="g01-i02" icon="x" enabled="true" mode="1000000" checked="false">$(action "%TEMP%\\$name" "*.tmp")</Item>
    <Item id="g01-i03" icon="x" enabled="true" mode="1000000" checked="false" recoverable="true">$(action "R:\\$name" "*.txt")</Item>
    <Item id="g01-i04" icon="x" enabled="true" mode="1000000" checked="false"><Action method="EmptyRecycleBin"/></Item>
  </Group>
</Database>
XML
db="$win\\db.xml"
items=g01-i01,g01-i02,g01-i03
docs="$win\\docs"
found() { jq -c --arg t "$2" "[.objects[] | select(.item == \"$1\") | .findings[] | select(.text == \$t) | [.removed, (.recycled // false)]]" clean.json; }

# ---- With --recycle
fill
run clean --mode 7 --items "$items" --database "$db" --json --recycle > clean.json
check "a file left in place makes the clean exit 1" [ $? = 1 ]
check "recoverable files are removed and marked recycled" \
  [ "$(found g01-i01 "$docs\\report.txt")$(found g01-i01 "$docs\\sub\\notes.txt")" = '[[true,true]][[true,true]]' ]
check "they are gone from their folder" [ ! -e "$tree/docs/report.txt" ] && [ ! -e "$tree/docs/sub/notes.txt" ]
check "they are in the Recycle Bin with their content" \
  [ "$(cat "$trash/files/report.txt" 2>/dev/null)" = 'report content' ] && [ "$(cat "$trash/files/notes.txt" 2>/dev/null)" = 'notes' ]
check "temporary files are removed, not recycled" [ "$(found g01-i02 "C:\\users\\$(id -un)\\AppData\\Local\\Temp\\$name\\scratch.tmp")" = '[[true,false]]' ]
check "temporary files are gone for good" [ ! -e "$temp/scratch.tmp" ] && [ -z "$(ls "$trash/files" | grep -v -e '^report.txt$' -e '^notes.txt$')" ]
check "a path too long for the shell is not removed and stays" \
  [ "$(found g01-i01 "$docs\\$long\\$long\\deep.txt")" = '[[false,false]]' ] && [ -e "$tree/docs/$long/$long/deep.txt" ]
check "a drive without a Recycle Bin: not removed, and stays" \
  [ "$(found g01-i03 "R:\\$name\\stick.txt")" = '[[false,false]]' ] && [ -e "$removable/stick.txt" ]
check "each is reported with its reason" \
  [ "$(jq -c '[.objects[] | .partialErrors[] | [.class, (.message | test("too long for the Recycle Bin") or test("drive has no Recycle Bin"))]]' clean.json)" = '[["ENotRecycled",true],["ENotRecycled",true]]' ]
check "totals: recycled files and bytes, failures counted" [ "$(jq -c '[.recycled, .recycledSize, .checked, .failed]' clean.json)" = '[2,19,5,2]' ]

# The shell's Recycle Bin folder lists them; moved back, they are whole.
run scan --mode 7 --items g01-i04 --database "$db" --json > bin.json
# (Wine's shell gives the names without the folders they came from.)
check "the shell's Recycle Bin folder lists the recycled files" \
  [ "$(jq -c '[.objects[0].findings[].text | split("\\")[-1]] | sort' bin.json)" = '["notes.txt","report.txt"]' ]
mv "$trash/files/report.txt" "$tree/docs/report.txt" && rm -f "$trash/info/report.txt.trashinfo"
check "a recycled file put back has its content" [ "$(cat "$tree/docs/report.txt")" = 'report content' ]

run clean --mode 7 --items g01-i01 --database "$db" --recycle | tr -d '\r' > clean.txt
check "human output marks recycled findings" grep -qF "$docs\\report.txt  14  moved to the Recycle Bin" clean.txt
check "human output says what can be restored" grep -qx 'Recycle Bin: 1 files (0.01 KB) can be restored from it' clean.txt

# ---- Without it: unchanged
rm -rf "$trash/files" "$trash/info" && mkdir -p "$trash/files" "$trash/info"
rm -rf "$tree/docs/$long"
fill && rm -rf "$tree/docs/$long"
run clean --mode 7 --items g01-i01,g01-i02 --database "$db" --json > clean.json
check "without the option the clean exits 0" [ $? = 0 ]
check "files are removed, none recycled" \
  [ "$(found g01-i01 "$docs\\report.txt")$(jq -c '[.recycled, .failed]' clean.json)" = '[[true,false]][0,0]' ]
check "nothing went to the Recycle Bin" [ -z "$(ls "$trash/files")" ] && [ ! -e "$tree/docs/report.txt" ]

# ---- The stored setting, when --recycle is not given
fill && rm -rf "$tree/docs/$long"
"$src/scripts/wine-run" reg add 'HKCU\Software\Tidewhisk' /v MoveToRecycleBin /t REG_SZ /d 1 /f >/dev/null 2>&1
run clean --mode 7 --items g01-i01 --database "$db" --json > clean.json
stored_off
check "the stored setting recycles" [ "$(found g01-i01 "$docs\\report.txt")" = '[[true,true]]' ] && [ -e "$trash/files/report.txt" ]

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
