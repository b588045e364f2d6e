#!/usr/bin/env bash
# twcli protect and the protect list honoured by scan and clean, run for real in a Wine prefix of
# its own (the list is the user's setting; other tests clean in the shared prefix): entries added
# and refused, a protected folder in a cleaned folder kept in every mode and when an imported
# winapp2 rule names it, and a protected key's values kept by a value clean.
# usage: twcli_protect_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_protect
export TW_WINEPREFIX=${TW_PROTECT_PREFIX:-$3/protect-wineprefix}
prefix=$TW_WINEPREFIX
"$src/scripts/wine-run" --init
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
reg() { "$src/scripts/wine-run" reg "$@" 2>/dev/null | tr -d '\r'; }
name=tw_protect_$$
tree=$prefix/drive_c/$name
win="C:\\$name"
key="HKCU\\Software\\TwProtect$$"
product="Z:${src//\//\\}\\data\\database.xml"
rm -rf "$work" "$tree" && mkdir -p "$work" "$tree" && cd "$work"
cleanup() { rm -rf "$tree"; reg delete "$key" /f >/dev/null; reg delete 'HKCU\Software\Tidewhisk' /v Protect /f >/dev/null; }
trap cleanup EXIT
reg delete 'HKCU\Software\Tidewhisk' /v Protect /f >/dev/null
pass=0 fail=0
check() {  # check NAME CONDITION...
  local label=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $label"; fi
}

# ---- The command: nothing protected by default, bad entries refused with the reason.
check "nothing protected by default" [ "$(run protect list --json | tr -d '\r')" = '{"entries":[]}' ]
refused() {  # refused EXPECTED-STDERR KIND TEXT
  local err rc
  err=$(run protect add "$2" "$3" 2>&1 >/dev/null); rc=$?
  err=$(tr -d '\r' <<<"$err")
  [ $rc = 2 ] && [ "$err" = "$1" ] || { echo "  got $rc: $err"; false; }
}
check "a relative folder" refused 'twcli: A folder is named by its full path ("C:\...").' folder 'Temp\Keep'
check "a folder with wildcards" refused 'twcli: A folder is named without wildcards.' folder 'C:\Temp\*'
check "a key without its root" refused 'twcli: A registry key starts with its root ("HKEY_CURRENT_USER\..." or "HKCU\...").' key 'Software\Keep'
check "a file pattern ending in a folder" refused 'twcli: A file pattern ends with a name.' file 'C:\Temp\'
run protect add drive 'C:\Temp' >/dev/null 2>&1; check "an unknown kind is a usage error" [ $? = 2 ]
run protect add folder >/dev/null 2>&1; check "a missing text is a usage error" [ $? = 2 ]
run protect remove folder 'C:\Nowhere' >/dev/null 2>&1; check "removing what is not there fails" [ $? = 1 ]
run protect >/dev/null 2>&1; check "no verb" [ $? = 2 ]
check "nothing was stored by the refusals" [ "$(run protect list | tr -d '\r')" = "" ]

# Variables are kept as typed and expanded when the list is used.
run protect add folder "%SystemDrive%\\$name\\junk\\Keep" > add.txt; check "add a folder" [ $? = 0 ]
run protect add file '*.keepme' >/dev/null; check "add a name pattern" [ $? = 0 ]
run protect add key "$key\\Kept" >/dev/null; check "add a key" [ $? = 0 ]
check "adding twice keeps one entry" grep -q '^already protected' <(run protect add folder "%systemdrive%/$name/junk/keep/" | tr -d '\r')
list_json() {
  local got; got=$(run protect list --json | jq -c '[.entries[] | [.kind, .text, .expanded]]')
  local want; want=$(jq -nc --arg f "%SystemDrive%\\$name\\junk\\Keep" --arg e "C:\\$name\\junk\\Keep" --arg k "$key\\Kept" \
                  '[["folder",$f,$e],["file","*.keepme","*.keepme"],["key",$k,$k]]')
  [ "$got" = "$want" ] || { echo "  got:  $got" | cat -A; echo "  want: $want" | cat -A; false; }
}
check "the list, as typed and expanded" list_json
check "stored per user as a list of lines" grep -q 'Protect *REG_MULTI_SZ' <(reg query 'HKCU\Software\Tidewhisk' /v Protect)

# ---- A clean in every mode keeps the protected folder (and the name pattern) inside the one it cleans.
action() {  # action PATH
  echo "<Action method=\"DeleteFiles\" path=\"$1\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" fileFilter=\"*.*\" excludeFolder=\"\" recurse=\"true\"/>"
}
cat > db.xml <<XML
<?xml version="1.0"?>
<Database version="1">
  <Group id="g00" icon="x">
    <Item id="g00-i01" icon="x" enabled="true" mode="1111111" checked="true">$(action "$win\\junk")</Item>
    <Item id="g00-i02" icon="x" enabled="true" mode="1111111" checked="true"><Action method="DeleteValues" key="HKEY_CURRENT_USER" subkey="Software\\TwProtect$$\\Kept" valueFilter=""/></Item>
    <Item id="g00-i03" icon="x" enabled="true" mode="1111111" checked="true"><Action method="DeleteValues" key="HKEY_CURRENT_USER" subkey="Software\\TwProtect$$\\Open" valueFilter=""/></Item>
  </Group>
</Database>
XML
db="$(pwd -P)"; db="Z:${db//\//\\}\\db.xml"
fixtures() {
  mkdir -p "$tree/junk/Keep/inner" "$tree/junk/other"
  printf 1 > "$tree/junk/Keep/a.tmp"; printf 1 > "$tree/junk/Keep/inner/b.tmp"
  printf 1 > "$tree/junk/gone.tmp"; printf 1 > "$tree/junk/other/gone.tmp"; printf 1 > "$tree/junk/other/mine.keepme"
  reg add "$key\\Kept" /v one /d 1 /f >/dev/null
  reg add "$key\\Open" /v three /d 3 /f >/dev/null
}
kept_files() {
  [ -f "$tree/junk/Keep/a.tmp" ] && [ -f "$tree/junk/Keep/inner/b.tmp" ] && [ -f "$tree/junk/other/mine.keepme" ] &&
    [ ! -e "$tree/junk/gone.tmp" ] && [ ! -e "$tree/junk/other/gone.tmp" ]
}
values() { reg query "$1" | awk '/REG_SZ/ { print $1 }' | tr '\n' ' '; }
for mode in 1 2 3 4 5 6 7; do
  fixtures
  run scan --mode $mode --database "$db" --json > scan$mode.json
  check "mode $mode: the scan lists none of the protected" \
    [ "$(jq -c '[.objects[].findings[].text | select(test("Keep|keepme|Kept"))]' scan$mode.json)" = '[]' ]
  check "mode $mode: the scan lists the rest" \
    [ "$(jq -c '[.objects[] | select(.item == "g00-i01") | .findings[].text] | sort' scan$mode.json)" = \
      "$(jq -nc --arg w "$win\\junk" '[$w+"\\gone.tmp", $w+"\\other\\gone.tmp"]')" ]
  run clean --mode $mode --database "$db" --no-backup --json > clean$mode.json
  check "mode $mode: clean exits 0, nothing failed" [ "$?/$(jq -c '[.failed, .protected]' clean$mode.json)" = '0/[0,0]' ]
  check "mode $mode: the protected folder and name pattern stay, the rest goes" kept_files
  check "mode $mode: a protected key's values stay" [ "$(values "$key\\Kept")" = "one " ]
  check "mode $mode: an unprotected key's values go" [ "$(values "$key\\Open")" = "" ]
done
# A folder holding a protected entry is not listed either ("other" holds a "*.keepme" file).
check "every listed finding removed" [ "$(jq -c '[.objects[].findings[] | select(.removed | not)]' clean7.json)" = '[]' ]

# ---- An imported winapp2 rule that names the protected folder itself.
cat > rules.ini <<INI
[Names the kept folder]
FileKey1=%SystemDrive%\\$name\\junk\\Keep|*.*|RECURSE
FileKey2=%SystemDrive%\\$name\\junk|*.*|REMOVESELF
INI
run winapp2 import rules.ini w2.xml --database "$product" --all --json > import.json
check "the rule is taken" [ "$(jq -c '.taken' import.json)" = 1 ]
item=$(run list --database w2.xml | tr -d '\r' | awk '/^  g[0-9]+-i[0-9]+  Names the kept folder/ { print $1 }')
fixtures
run clean --mode 7 --items "$item" --database w2.xml --no-backup --json > w2clean.json
check "the winapp2 clean exits 0" [ $? = 0 ]
check "the winapp2 rule lists nothing protected" \
  [ "$(jq -c '[.objects[].findings[].text | select(test("Keep|keepme"))]' w2clean.json)" = '[]' ]
check "what the rule names in the protected folder stays" kept_files

# ---- Removing entries: any letter case and separator; the clean then takes what was kept.
run protect remove folder "%systemdrive%/$name/junk/keep" >/dev/null; check "remove the folder" [ $? = 0 ]
run protect remove file '*.KEEPME' >/dev/null; check "remove the pattern" [ $? = 0 ]
run clean --mode 1 --database "$db" --no-backup --json > after.json
all_gone() { [ ! -e "$tree/junk/Keep" ] && [ ! -e "$tree/junk/other" ]; }
check "unprotected, the folder goes" all_gone
check "the key is still protected" [ "$(values "$key\\Kept")" = "one " ]
check "the list holds the key alone" [ "$(run protect list | tr -d '\r')" = "$(printf 'key\t%s' "$key\\Kept")" ]

echo "twcli protect: $pass passed, $fail failed"
[ "$fail" = 0 ]
