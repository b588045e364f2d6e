#!/usr/bin/env bash
# twcli's container and database commands, run for real under Wine.
# usage: twcli_db_tests.sh TWCLI.exe SOURCE_DIR WORK_DIR
set -u
twcli=$1 src=$2 work=$3/twcli_db
run() { "$src/scripts/wine-run" "$twcli" "$@"; }
rm -rf "$work" && mkdir -p "$work" && cd "$work"
pass=0 fail=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAILED: $name"; fi
}
key=5D3A9C17E04B68F2A1C7390E4FB2D685

# Protected document: the whole file enciphered, trailing spaces kept.
printf 'Hello, world!\r\n' > hello.txt
run db encrypt hello.txt hello.enc --key $key
check "known cipher text" [ "$(xxd -p hello.enc | tr -d '\n')" = a290ea6ca7cd389d26d7a19da78c81705f840fd38cfc6dd66e91c92ddc2e043e ]
printf 'text ending in spaces   ' > spaces.txt
run db encrypt spaces.txt spaces.enc && run db decrypt spaces.enc spaces.out
check "trailing spaces survive" cmp -s spaces.txt spaces.out

# Packets: exact layout of the plain form, round trips of every form.
printf 'REGEDIT4\r\n' > reg.txt
run db pack reg.txt reg.plain --no-compress --no-encrypt
check "plain packet layout" [ "$(cat reg.plain)" = "$(printf '<DATA0010>REGEDIT4\r\n<TAIL_PACKET>')" ]
for opts in "" "--no-compress" "--no-encrypt"; do
  run db pack reg.txt reg.pkt $opts --key $key && run db unpack reg.pkt reg.back --key $key
  check "packet round trip [$opts]" cmp -s reg.txt reg.back
done
run db pack reg.txt reg.pkt
check "packet header" [ "$(head -c 10 reg.pkt)" = "<DATA1110>" ]
check "packet trailer" [ "$(tail -c 13 reg.pkt)" = "<TAIL_PACKET>" ]
printf '<DATA0017>ab<TAIL_PACKET>cd<TAIL_PACKET>' > twice.pkt
run db unpack twice.pkt twice.out
check "a stored payload may hold the trailer's text" [ "$(cat twice.out)" = 'ab<TAIL_PACKET>cd' ]
for bad in '<DATAx05>hello<TAIL_PACKET>' '<DATA005>hello' '<DATA009>hello<TAIL_PACKET>' \
           '<DATA0011>ab<TAIL_PACKET>cd<TAIL_PACKET>'; do
  rm -f bad.out
  printf '%s' "$bad" > bad.pkt
  run db unpack bad.pkt bad.out 2> bad.err
  check "a packet that is not whole exits 1 [$bad]" [ $? = 1 ] && [ ! -e bad.out ] && grep -q 'EPacketError: Damaged packet' bad.err
done
run db pack reg.txt keyed.pkt --key FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF --no-compress
run db unpack keyed.pkt keyed.out --key FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF
check "packet with another key" cmp -s reg.txt keyed.out

# Usage errors: exit code 2.
run db encrypt hello.txt x --key 5d3a9c17e04b68f2a1c7390e4fb2d685 2>/dev/null; check "lower-case key refused" [ $? = 2 ]
run db encrypt hello.txt x --no-compress 2>/dev/null; check "pack option on encrypt refused" [ $? = 2 ]
run frobnicate 2>/dev/null; check "unknown command" [ $? = 2 ]

# The database: plain and protected forms, damaged and missing files.
cp "$src/data/database.xml" database.xml
run list --database database.xml > list.txt; check "list plain exits 0" [ $? = 0 ]
check "list shows groups and items" grep -q '^g[0-9][0-9]  ' list.txt
check "list shows item details" grep -Eq '^  g[0-9]{2}-i[0-9]{2}  .* mode=[01]+ enabled=(true|false) checked=(true|false)' list.txt
run db encrypt database.xml database.dat
run list --database 'database.dat' > list2.txt; check "list protected exits 0" [ $? = 0 ]
check "both forms list the same" cmp -s list.txt list2.txt
head -c 100 database.dat > damaged.dat
run list --database damaged.dat > /dev/null 2> damaged.err; check "damaged database exits 1" [ $? = 1 ]
check "damaged database message" grep -q 'damaged.dat is corrupted!' damaged.err
run list --database missing.dat > /dev/null 2> missing.err; check "missing database exits 1" [ $? = 1 ]
check "missing database message" grep -q 'missing.dat not found!' missing.err

# Tips go round and the position is saved.
first=$(run tip --database database.xml | tr -d '\r')
second=$(run tip --database database.xml --lang fr | tr -d '\r')
check "tips advance" [ -n "$first" ] && [ "$first" != "$second" ]
check "lastTip saved" grep -q "lastTip=\"$(grep -o 'Tip id="[^"]*"' database.xml | sed -n 2p | cut -d'"' -f2)\"" database.xml

echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
