#!/usr/bin/env bash
# twcli clean with registry backups, and twcli backup list/show/restore/recycle, run for real:
# the registry before the clean and after the restore is compared through the system's own
# registry editor (its full export of the test key).
# usage: twcli_backup_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_backup
prefix=${TW_WINEPREFIX:-$src/build/wineprefix}
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
regedit() { "$src/scripts/wine-run" regedit "$@" 2>/dev/null; }
# Each user's own backups, in the user's local application data.
backups="$prefix/drive_c/users/$(id -un)/AppData/Local/Tidewhisk/Backup"
key='HKEY_CURRENT_USER\Software\TidewhiskTest\Cli'
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# The Recycle Bin of this run stays in the work folder.
export XDG_DATA_HOME=$work/xdg
pass=0 fail=0
not() { ! "$@"; }
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $name"; fi
}
export_key() { rm -f "$1"; regedit /e "$(winpath "$1")" "$key"; }
winpath() { echo "Z:${1//\//\\}"; }
cleanup() {
  printf 'REGEDIT4\r\n\r\n[-%s]\r\n' "$key" > drop.reg && regedit /s "$(winpath "$work/drop.reg")"
  rm -f "$backups"/g98-i0*.bkp "$prefix/drive_c/ProgramData/Tidewhisk/Backup"/g98-i0*.bkp
}
cleanup
trap cleanup EXIT

# The fixture, written by the system's editor from a REGEDIT4 text in the system's code page.
long=$(for i in $(seq 0 299); do printf '%02x,' $((i * 37 % 256)); done); long=${long%,}
{
  printf 'REGEDIT4\r\n\r\n[%s\\Values]\r\n' "$key"
  printf '@="default"\r\n'
  printf '"q\\"uo\\\\te="="C:\\\\\\"x\\" = y"\r\n'
  printf '"caf\xe9"="d\xe9j\xe0"\r\n'
  printf '"pipe|name"="p"\r\n'
  printf '"multi"=hex(7):6f,6e,65,00,74,77,6f,00,00\r\n'
  printf '"expand"=hex(2):25,54,45,4d,50,25,00\r\n'
  printf '"dword"=dword:0000000a\r\n'
  printf '"qword"=hex(b):01,02,03,04,05,06,07,08\r\n'
  printf '"big type"=hex(12345678):01,02\r\n'
  printf '"empty"=hex:\r\n'
  printf '"long"=hex:%s\r\n' "$long"
  printf '\r\n[%s\\Keys\\one]\r\n"v"="1"\r\n' "$key"
  printf '\r\n[%s\\Keys\\one\\deep]\r\n' "$key"
  printf '\r\n[%s\\Keys\\two|=]\r\n' "$key"
} > fixture.reg
regedit /s "$(winpath "$work/fixture.reg")"
export_key "$work/before.reg"
check "fixture in the registry" grep -aq 'l.o.n.g' before.reg
check "a type number above 99999999 in the fixture" grep -aq 'h.e.x.(.1.2.3.4.5.6.7.8.)' before.reg

action_values="<Action method=\"DeleteValues\" key=\"HKEY_CURRENT_USER\" subkey=\"Software\\TidewhiskTest\\Cli\\Values\" valueFilter=\"\"/>"
action_keys="<Action method=\"DeleteSubkeys\" key=\"HKCU\" subkey=\"Software\\TidewhiskTest\\Cli\\Keys\" subkeyFilter=\"\"/>"
item() { echo "<Item id=\"$1\" icon=\"x\" enabled=\"true\" mode=\"0000000\" checked=\"false\"><en name=\"n\" info=\"i\"/>$2</Item>"; }
cat > db.xml <<XML
<?xml version="1.0"?>
<Database version="1"><Group id="g98" icon="x"><en name="n" info="i"/>
$(item g98-i01 "$action_values")$(item g98-i02 "$action_keys")
</Group></Database>
XML
db=$(winpath "$work/db.xml")

run clean --mode 7 --items g98-i01,g98-i02 --database "$db" --json > clean.json; check "clean exits 0" [ $? = 0 ]
check "every finding removed" [ "$(jq -c '[.objects[].findings[] | select(.removed | not)]' clean.json)" = '[]' ]
check "eleven values and two keys found" [ "$(jq -c '[.objects[].findings | length]' clean.json)" = '[11,2]' ]
check "one backup per item" [ "$(jq -r '.backups | length' clean.json)" = 2 ]
export_key "$work/cleaned.reg"
check "the clean changed the registry" not cmp -s before.reg cleaned.reg

run backup list --json > list.json; check "list exits 0" [ $? = 0 ]
check "list names the item and the caption" \
  [ "$(jq -c '[.[] | select(.item == "g98-i01") | [(.caption | test("^\\(\\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\)( \\d+)?\\.bkp$")), .size > 0, .old, (.time | test("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))]]' list.json)" = '[[true,true,false,true]]' ]
mapfile -t files < <(jq -r '.backups[]' clean.json | tr -d '\r')
values=${files[0]} keys=${files[1]}
run backup show "$values" > shown.txt; check "show exits 0" [ $? = 0 ]
run db unpack "$values" unpacked.txt
check "show prints the stored text byte for byte" cmp -s shown.txt unpacked.txt
check "the text is REGEDIT4 with CR LF" [ "$(head -c 10 shown.txt | xxd -p)" = 52454745444954340d0a ]
check "a bare file name is looked up in the backup folder" run backup show "$(basename "${keys//\\//}")" > /dev/null

# A damaged copy is refused as a whole and changes nothing.
head -c 60 "$backups/$(basename "${values//\\//}")" > "$work/damaged.bkp"
run backup restore "$(winpath "$work/damaged.bkp")" > damaged.txt; check "damaged backup exits 1" [ $? = 1 ]
check "damaged backup message" grep -q 'Damaged backup.*nothing restored' damaged.txt
export_key "$work/still.reg"
check "a damaged backup changes nothing" cmp -s cleaned.reg still.reg

# A file that this program did not write for this user (planted in the user's folder, or a plain
# REGEDIT4 text) is refused as a whole.
printf 'REGEDIT4\r\n\r\n[%s\\Planted]\r\n"x"="1"\r\n' "$key" > planted.reg
run db pack planted.reg "$(winpath "$backups/g98-i04 planted.bkp")" > /dev/null
for planted in "$(winpath "$backups/g98-i04 planted.bkp")" "$(winpath "$work/planted.reg")"; do
  run backup restore "$planted" > planted.txt; check "a planted backup exits 1" [ $? = 1 ]
  check "a planted backup is refused" grep -q 'not a backup this program made for this user' planted.txt
done
export_key "$work/still.reg"
check "a planted backup changes nothing" cmp -s cleaned.reg still.reg
rm -f "$backups/g98-i04 planted.bkp"

# A backup an older version kept in the shared folder is listed and merged for the user who owns
# it (under Wine, every file is this user's).
shared="$prefix/drive_c/ProgramData/Tidewhisk/Backup" old_shared="g98-i05 (2020-01-01 00.00.00).bkp"
mkdir -p "$shared" && run db pack planted.reg "$(winpath "$shared/$old_shared")" > /dev/null
run backup list --json > list3.json
check "a shared-folder backup is listed" [ "$(jq -c '[.[] | select(.item == "g98-i05") | .shared]' list3.json)" = '[true]' ]
run backup restore --dry-run "C:\\ProgramData\\Tidewhisk\\Backup\\$old_shared" > /dev/null
check "a shared-folder backup of this user may be merged" [ $? = 0 ]
rm -f "$shared/$old_shared"

# What a merge writes is shown first; --dry-run shows it and writes nothing.
run backup restore "$values" --dry-run | tr -d '\r' > dry.txt; check "dry run exits 0" [ ${PIPESTATUS[0]} = 0 ]
check "dry run names the key" grep -qxF "  [$key\\Values]" dry.txt
export_key "$work/still.reg"
check "a dry run changes nothing" cmp -s cleaned.reg still.reg
run backup restore "$values" "$keys" --dry-run --json > dry.json
check "dry run keys in JSON" [ "$(jq -c '[.dryRun, .restored, (.files[0].keys | length), .files[1].keys[0]]' dry.json)" = "[true,0,1,$(jq -Rc . <<<"$key\\Keys\\one")]" ]

run backup restore "$values" "$keys" --json > restore.json; check "restore exits 0" [ $? = 0 ]
check "restore report" [ "$(jq -c '[.failed, .restored, ([.files[].error] | unique)]' restore.json)" = '[0,16,[null]]' ]
export_key "$work/after.reg"
check "clean then restore gives back the same registry" cmp -s before.reg after.reg

run backup restore "$(winpath "$work/missing.bkp")" > /dev/null; check "missing backup exits 1" [ $? = 1 ]
run backup restore 2>/dev/null; check "restore without files is a usage error" [ $? = 2 ]

# Backups follow the setting, and --no-backup turns them off for one run.
run clean --mode 7 --items g98-i01 --database "$db" --json --no-backup > off.json
check "--no-backup writes none" [ "$(jq -c '[.backups, .failed]' off.json)" = '[[],0]' ]
regedit /s "$(winpath "$work/fixture.reg")"
"$src/scripts/wine-run" reg add 'HKCU\Software\Tidewhisk' /v MakeRegistryBackups /t REG_SZ /d 0 /f > /dev/null 2>&1
run clean --mode 7 --items g98-i01 --database "$db" | tr -d '\r' > setting.txt
check "the setting turns backups off" grep -qx 'Backups: off' setting.txt
"$src/scripts/wine-run" reg delete 'HKCU\Software\Tidewhisk' /v MakeRegistryBackups /f > /dev/null 2>&1

# Old backups go to the Recycle Bin on request; newer ones stay.
old="$backups/g98-i03 (2000-01-01 00.00.00).bkp"
cp "$backups/$(basename "${values//\\//}")" "$old" && touch -d '40 days ago' "$old"
run backup list --json > list2.json
check "an old backup is marked" [ "$(jq -c '[.[] | select(.item == "g98-i03") | .old]' list2.json)" = '[true]' ]
run backup recycle --json > recycle.json; check "recycle exits 0" [ $? = 0 ]
check "the old backup is recycled" [ ! -e "$old" ] && jq -e '.recycled | map(test("g98-i03")) | any' recycle.json > /dev/null
check "newer backups stay" [ -e "$backups/$(basename "${values//\\//}")" ]
run backup recycle --days x 2>/dev/null; check "bad --days" [ $? = 2 ]

# Random bytes are no packet.
head -c 200 /dev/urandom > random.bin
run db unpack random.bin random.out 2> random.err; check "db unpack of random bytes exits 1" [ $? = 1 ]
check "db unpack names the damage" grep -q 'EPacketError' random.err

echo "twcli backup: $pass passed, $fail failed"
[ "$fail" = 0 ]
