#!/bin/sh
# Makes the browser-profile fixtures with the real browsers: Debian's chromium and firefox-esr,
# headless, visit a small site served on 127.0.0.1 only (site.py), then the databases they wrote
# are copied here, compacted. Not needed to build or test; run it to refresh the fixtures.
#
#   tests/cleaners/browser-fixtures/make-fixtures.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
for program in chromium firefox-esr sqlite3; do
  command -v "$program" >/dev/null 2>&1 && continue
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq chromium firefox-esr sqlite3
  break
done

work=$(mktemp -d)
trap 'kill $server 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 "$here/site.py" "$port" &
server=$!
sleep 1
start="http://127.0.0.1:$port/"

# Runs a browser while the driver works it; the driver ends it as a user closing it would.
drive() {  # driver arguments, then -- and the browser's command line
  args=""
  while [ "$1" != "--" ]; do args="$args $1"; shift; done
  shift
  "$@" >"$work/browser.log" 2>&1 &
  pid=$!
  python3 "$here/drive.py" $args || echo "driver failed" >&2
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 1; done
  kill -TERM "$pid" 2>/dev/null || true
  sleep 2
  kill -KILL "$pid" 2>/dev/null || true
}

copy_db() {  # source, destination: a compact copy with the log folded in
  [ -f "$1" ] || { echo "missing: $1" >&2; return 0; }
  rm -f "$2"
  sqlite3 "$1" "VACUUM INTO '$2'"
  sqlite3 "$2" "PRAGMA journal_mode=DELETE" >/dev/null
  sqlite3 "$2" "PRAGMA page_size=1024; VACUUM"
}

# --- Chromium ------------------------------------------------------------------------------
# The site is made the default search engine (by a policy, for the time of the run) so that
# a search from the address bar is recorded as one.
policy=/etc/chromium/policies/managed/tidewhisk-fixtures.json
mkdir -p "$(dirname "$policy")"
cat >"$policy" <<JSON
{"DefaultSearchProviderEnabled": true, "DefaultSearchProviderName": "Fixture search",
 "DefaultSearchProviderKeyword": "fixture",
 "DefaultSearchProviderSearchURL": "${start}search?q={searchTerms}&stay=1"}
JSON
chrome="$work/chromium"
mkdir -p "$chrome/Default" "$work/downloads"
cat >"$chrome/Default/Preferences" <<JSON
{"download":{"default_directory":"$work/downloads","prompt_for_download":false},
 "profile":{"default_content_setting_values":{"automatic_downloads":1}}}
JSON
drive chromium "$chrome" "$start" -- chromium --headless --no-sandbox --disable-gpu \
  --disable-quic --no-first-run --disable-background-networking --disable-component-update \
  --disable-sync --remote-debugging-port=0 --user-data-dir="$chrome" about:blank
rm -f "$policy"
out="$here/chromium"
mkdir -p "$out"
for db in History Favicons "Top Sites" "Web Data" Shortcuts "Network Action Predictor"; do
  copy_db "$chrome/Default/$db" "$out/$db"
done
# Windows keeps them in "Network\Cookies"; this build on Linux beside the other databases.
if [ -f "$chrome/Default/Network/Cookies" ]; then
  copy_db "$chrome/Default/Network/Cookies" "$out/Cookies"
else
  copy_db "$chrome/Default/Cookies" "$out/Cookies"
fi
# Headless Chromium fetches no site icons: the icon of the site's pages is added as the browser
# records one (an icon, its bitmap, a mapping per page), in the file the browser made.
sqlite3 "$out/Favicons" <<SQL
INSERT INTO favicons (id, url, icon_type) VALUES (1, '${start}icon.png', 1);
INSERT INTO favicon_bitmaps (icon_id, last_updated, image_data, width, height, last_requested)
  VALUES (1, 13400000000000000, x'89504e47', 16, 16, 0);
INSERT INTO icon_mapping (page_url, icon_id, page_url_type) VALUES ('${start}', 1, 0),
  ('${start}news.html', 1, 0), ('${start}bookmarked.html', 1, 0), ('${start}last.html', 1, 0);
SQL
chromium --version >"$out/VERSION"

# --- Firefox -------------------------------------------------------------------------------
fox="$work/firefox"
mkdir -p "$fox"
cat >"$fox/user.js" <<JS
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
user_pref("browser.download.folderList", 2);
user_pref("browser.download.dir", "$work/downloads");
user_pref("browser.download.useDownloadDir", true);
user_pref("browser.download.always_ask_before_handling_new_types", false);
user_pref("network.proxy.type", 0);
user_pref("browser.places.interactions.enabled", true);
user_pref("browser.formfill.enable", true);
JS
marionette=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
echo "user_pref(\"marionette.port\", $marionette);" >>"$fox/user.js"
drive firefox "$marionette" "$start" -- firefox-esr --headless --no-remote --marionette -remote-allow-system-access \
  --profile "$fox" about:blank
out="$here/firefox"
mkdir -p "$out"
for db in places.sqlite favicons.sqlite cookies.sqlite formhistory.sqlite; do
  copy_db "$fox/$db" "$out/$db"
done
# Search terms are kept with a page's metadata only for searches of the default engine's
# results pages that Firefox recognises; one is recorded as Firefox records it.
sqlite3 "$out/places.sqlite" <<SQL
INSERT INTO moz_places_metadata_search_queries (id, terms) VALUES (1, 'tidewhisk secret term');
UPDATE moz_places_metadata SET search_query_id = 1
  WHERE place_id = (SELECT id FROM moz_places WHERE url = '${start}search?q=tidewhisk+secret+term');
SQL
firefox-esr --version >"$out/VERSION"
ls -l "$here/chromium" "$here/firefox"
