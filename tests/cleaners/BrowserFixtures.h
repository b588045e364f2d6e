#pragma once
// Browser profile databases as the browsers lay them out, in an old layout and in today's.
// Each entry is a file below the profile folder and the SQL that builds it.
namespace tw::fixtures {

struct TDatabaseFile {
  const char* File;
  const char* Script;
};

// Firefox 3.x: downloads and favicons still in their old places.
inline constexpr TDatabaseFile kFirefoxOld[] = {
    {"cookies.sqlite", R"sql(
CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT, path TEXT,
  expiry INTEGER, lastAccessed INTEGER, isSecure INTEGER, isHttpOnly INTEGER);
INSERT INTO moz_cookies VALUES (1, 'sid', 'a,b', '.example.com', '/', 1900000000, 1300000000000000, 0, 0);
INSERT INTO moz_cookies VALUES (2, 'pref', 'über', 'shop.example.org', '/', 1900000000, 1300000000000001, 0, 0);
)sql"},
    {"places.sqlite", R"sql(
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
  typed INTEGER DEFAULT 0 NOT NULL, favicon_id INTEGER, frecency INTEGER DEFAULT -1 NOT NULL);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
  dateAdded INTEGER, lastModified INTEGER);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,
  visit_date INTEGER, visit_type INTEGER, session INTEGER);
CREATE TABLE moz_favicons (id INTEGER PRIMARY KEY, url LONGVARCHAR UNIQUE, data BLOB,
  mime_type VARCHAR(32), expiration LONG);
INSERT INTO moz_places (id, url, title, visit_count, hidden) VALUES
  (1, 'http://a.example/', 'A', 3, 0), (2, 'http://bookmarked.example/', 'B', 1, 0),
  (3, 'http://hidden.example/', 'H', 1, 1), (4, 'http://hidden-bookmarked.example/', 'HB', 1, 1),
  (5, 'http://c.example/', 'C, with comma', 2, 0);
INSERT INTO moz_bookmarks (id, type, fk, parent, title) VALUES (1, 1, 2, 0, 'B'), (2, 1, 4, 0, 'HB');
INSERT INTO moz_historyvisits (id, place_id, visit_date) VALUES (1, 1, 1), (2, 1, 2), (3, 5, 3), (4, 2, 4);
INSERT INTO moz_favicons (id, url, expiration) VALUES (1, 'http://a.example/favicon.ico', 1300000000000000),
  (2, 'http://keep.example/favicon.ico', 0), (3, 'http://null.example/favicon.ico', NULL);
)sql"},
    {"formhistory.sqlite", R"sql(
CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL,
  timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER);
INSERT INTO moz_formhistory VALUES (1, 'q', 'tidewhisk', 1, 1, 1), (2, 'email', 'me@example.com', 2, 1, 1);
)sql"},
    {"downloads.sqlite", R"sql(
CREATE TABLE moz_downloads (id INTEGER PRIMARY KEY, name TEXT, source TEXT, target TEXT,
  tempPath TEXT, startTime INTEGER, endTime INTEGER, state INTEGER, referrer TEXT, entityID TEXT,
  currBytes INTEGER NOT NULL DEFAULT 0, maxBytes INTEGER NOT NULL DEFAULT -1, mimeType TEXT,
  preferredApplication TEXT, preferredAction INTEGER NOT NULL DEFAULT 0,
  autoResume INTEGER NOT NULL DEFAULT 0);
INSERT INTO moz_downloads (id, name, source, target, startTime) VALUES
  (1, 'setup.exe', 'http://dl.example/setup.exe', 'file:///C:/Downloads/setup.exe', 1);
)sql"},
};

// Firefox today: write-ahead logs, downloads as annotations of places, icons in favicons.sqlite.
inline constexpr TDatabaseFile kFirefoxCurrent[] = {
    {"cookies.sqlite", R"sql(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '',
  name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER,
  creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0,
  sameSite INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0,
  CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));
INSERT INTO moz_cookies (id, originAttributes, name, value, host, path, lastAccessed) VALUES
  (1, '', 'sid', 'v1', '.example.com', '/', 1700000000000000),
  (2, '^userContextId=1', 'sid', 'v2', '.example.com', '/', 1700000000000001);
)sql"},
    {"places.sqlite", R"sql(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER,
  guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL,
  description TEXT, preview_image_url TEXT, origin_id INTEGER);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
  dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0,
  syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,
  visit_date INTEGER, visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL,
  triggeringPlaceId INTEGER);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE,
  place_id INTEGER, post_data TEXT);
CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL,
  anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0,
  expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0,
  lastModified INTEGER DEFAULT 0);
INSERT INTO moz_places (id, url, title, visit_count, hidden, foreign_count) VALUES
  (1, 'https://news.example/', 'News', 4, 0, 0), (2, 'https://bm.example/', 'Bookmarked', 1, 0, 1),
  (3, 'https://kw.example/?q=%s', 'Keyword', 0, 0, 1), (4, 'https://dl.example/file.zip', '', 1, 0, 0),
  (5, 'https://frame.example/', '', 1, 1, 0);
INSERT INTO moz_bookmarks (id, type, fk, parent, title) VALUES (1, 1, 2, 0, 'Bookmarked');
INSERT INTO moz_keywords (keyword, place_id) VALUES ('kw', 3);
INSERT INTO moz_historyvisits (id, place_id, visit_date) VALUES (1, 1, 1), (2, 4, 2), (3, 2, 3);
INSERT INTO moz_anno_attributes VALUES (1, 'downloads/destinationFileURI'), (2, 'downloads/metaData'),
  (3, 'other/anno');
INSERT INTO moz_annos (id, place_id, anno_attribute_id, content) VALUES
  (1, 4, 1, 'file:///C:/Users/me/Downloads/file.zip'), (2, 4, 2, '{"state":1}'), (3, 1, 3, 'kept');
)sql"},
    {"favicons.sqlite", R"sql(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_icons (id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL,
  fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0,
  root INTEGER NOT NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0,
  flags INTEGER NOT NULL DEFAULT 0, data BLOB);
CREATE TABLE moz_pages_w_icons (id INTEGER PRIMARY KEY, page_url TEXT NOT NULL,
  page_url_hash INTEGER NOT NULL);
CREATE TABLE moz_icons_to_pages (page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL,
  expire_ms INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (page_id, icon_id)) WITHOUT ROWID;
INSERT INTO moz_icons (id, icon_url, fixed_icon_url_hash, width, expire_ms) VALUES
  (1, 'https://news.example/favicon.ico', 1, 16, 1700000000000), (2, 'https://fixed.example/icon.png', 2, 32, 0);
INSERT INTO moz_pages_w_icons VALUES (1, 'https://news.example/', 1);
INSERT INTO moz_icons_to_pages VALUES (1, 1, 0), (1, 2, 0);
)sql"},
    {"formhistory.sqlite", R"sql(
CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL,
  timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);
INSERT INTO moz_formhistory VALUES (1, 'searchbar-history', 'weather', 3, 1, 1, 'g1');
)sql"},
};

// Chrome before version 24: cookies keyed by their creation time, thumbnails and favicons in
// one database.
inline constexpr TDatabaseFile kChromeOld[] = {
    {"Cookies", R"sql(
CREATE TABLE cookies (creation_utc INTEGER NOT NULL UNIQUE PRIMARY KEY, host_key TEXT NOT NULL,
  name TEXT NOT NULL, value TEXT NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL,
  secure INTEGER NOT NULL, httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL);
INSERT INTO cookies VALUES (12900000000000000, '.example.com', 'SID', 'x', '/', 0, 0, 0, 0);
)sql"},
    {"History", R"sql(
CREATE TABLE urls (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL,
  last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL,
  favicon_id INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE visits (id INTEGER PRIMARY KEY, url INTEGER NOT NULL, visit_time INTEGER NOT NULL,
  from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL, segment_id INTEGER, is_indexed BOOLEAN);
CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL, url_id INTEGER NOT NULL,
  lower_term LONGVARCHAR NOT NULL, term LONGVARCHAR NOT NULL);
CREATE TABLE downloads (id INTEGER PRIMARY KEY, full_path LONGVARCHAR NOT NULL,
  url LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL, received_bytes INTEGER NOT NULL,
  total_bytes INTEGER NOT NULL, state INTEGER NOT NULL);
INSERT INTO urls VALUES (1, 'http://www.example.com/', 'Example', 2, 0, 1, 0, 0),
  (2, 'http://search.example/?q=Tide', 'Tide - Search', 1, 0, 1, 0, 0);
INSERT INTO visits VALUES (1, 1, 1, 0, 0, 0, 0), (2, 2, 2, 0, 0, 0, 0), (3, 1, 3, 0, 0, 0, 0);
INSERT INTO keyword_search_terms VALUES (2, 2, 'tide', 'Tide');
INSERT INTO downloads VALUES (1, 'C:\Downloads\a.pdf', 'http://www.example.com/a.pdf', 1, 10, 10, 1);
)sql"},
    {"Thumbnails", R"sql(
CREATE TABLE thumbnails (url_id INTEGER PRIMARY KEY, boring_score DOUBLE DEFAULT 1.0,
  good_clipping INTEGER DEFAULT 0, at_top INTEGER DEFAULT 0, last_updated INTEGER DEFAULT 0,
  thumbnail BLOB);
CREATE TABLE favicons (id INTEGER PRIMARY KEY, url LONGVARCHAR NOT NULL,
  last_updated INTEGER DEFAULT 0, image_data BLOB, size INTEGER DEFAULT 0);
INSERT INTO thumbnails VALUES (1, 1.0, 0, 0, 12900000000000000, x'00');
INSERT INTO favicons VALUES (1, 'http://www.example.com/favicon.ico', 12900000000000000, x'00', 1);
)sql"},
};

// Chrome today: cookies below "Network" with partitioned keys, download chains, favicon
// bitmaps apart, no thumbnails.
inline constexpr TDatabaseFile kChromeCurrent[] = {
    {"Network\\Cookies", R"sql(
CREATE TABLE cookies (creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL,
  top_frame_site_key TEXT NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL,
  encrypted_value BLOB NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL,
  is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL,
  has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL, priority INTEGER NOT NULL,
  samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL, source_port INTEGER NOT NULL,
  last_update_utc INTEGER NOT NULL, source_type INTEGER NOT NULL,
  has_cross_site_ancestor INTEGER NOT NULL);
CREATE UNIQUE INDEX cookies_unique_index ON cookies (host_key, top_frame_site_key,
  has_cross_site_ancestor, name, path, source_scheme, source_port);
INSERT INTO cookies VALUES
  (13300000000000000, '.example.com', '', 'NID', '', x'01', '/', 0, 1, 1, 0, 1, 1, 1, 0, 2, 443, 0, 0, 0),
  (13300000000000000, '.example.com', '', 'NID', '', x'02', '/app', 0, 1, 1, 0, 1, 1, 1, 0, 2, 443, 0, 0, 0);
)sql"},
    {"History", R"sql(
CREATE TABLE urls (id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,
  visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL,
  last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE visits (id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL,
  visit_time INTEGER NOT NULL, from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL,
  segment_id INTEGER, visit_duration INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL, url_id INTEGER NOT NULL,
  term LONGVARCHAR NOT NULL, normalized_term LONGVARCHAR NOT NULL);
CREATE TABLE downloads (id INTEGER PRIMARY KEY, guid VARCHAR NOT NULL,
  current_path LONGVARCHAR NOT NULL, target_path LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL,
  received_bytes INTEGER NOT NULL, total_bytes INTEGER NOT NULL, state INTEGER NOT NULL,
  tab_url VARCHAR NOT NULL, mime_type VARCHAR(255) NOT NULL);
CREATE TABLE downloads_url_chains (id INTEGER NOT NULL, chain_index INTEGER NOT NULL,
  url LONGVARCHAR NOT NULL, PRIMARY KEY (id, chain_index));
CREATE TABLE downloads_slices (download_id INTEGER NOT NULL, offset INTEGER NOT NULL,
  received_bytes INTEGER NOT NULL, finished INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (download_id, offset));
INSERT INTO urls VALUES (1, 'https://www.example.com/', 'Example', 1, 0, 1, 0),
  (2, 'https://www.example.com/?q=weather', 'weather', 1, 0, 1, 0);
INSERT INTO visits VALUES (1, 1, 1, 0, 0, 0, 0), (2, 2, 2, 0, 0, 0, 0);
INSERT INTO keyword_search_terms VALUES (2, 2, 'Weather', 'weather');
INSERT INTO downloads VALUES
  (1, 'guid-1', 'C:\Users\me\Downloads\b.zip', 'C:\Users\me\Downloads\b.zip', 1, 5, 5, 1, '', ''),
  (2, 'guid-2', '', 'C:\Users\me\Downloads\c.zip', 2, 0, 5, 2, '', '');
INSERT INTO downloads_url_chains VALUES (1, 0, 'https://cdn.example/redirect'),
  (1, 1, 'https://cdn.example/b.zip'), (2, 0, 'https://cdn.example/c.zip');
INSERT INTO downloads_slices VALUES (2, 0, 0, 0);
)sql"},
    {"Favicons", R"sql(
CREATE TABLE favicons (id INTEGER PRIMARY KEY, url LONGVARCHAR NOT NULL, icon_type INTEGER DEFAULT 1);
CREATE TABLE favicon_bitmaps (id INTEGER PRIMARY KEY, icon_id INTEGER NOT NULL,
  last_updated INTEGER DEFAULT 0, image_data BLOB, width INTEGER DEFAULT 0,
  height INTEGER DEFAULT 0, last_requested INTEGER DEFAULT 0);
CREATE TABLE icon_mapping (id INTEGER PRIMARY KEY, page_url LONGVARCHAR NOT NULL, icon_id INTEGER,
  page_url_id INTEGER DEFAULT 0);
INSERT INTO favicons VALUES (1, 'https://www.example.com/favicon.ico', 1);
INSERT INTO favicon_bitmaps VALUES (1, 1, 13300000000000000, x'00', 16, 16, 0),
  (2, 1, 13300000000000005, x'00', 32, 32, 0);
INSERT INTO icon_mapping VALUES (1, 'https://www.example.com/', 1, 0);
)sql"},
    {"Top Sites", R"sql(
CREATE TABLE top_sites (url TEXT NOT NULL PRIMARY KEY, url_rank INTEGER NOT NULL, title TEXT NOT NULL);
INSERT INTO top_sites VALUES ('https://www.example.com/', 0, 'Example');
)sql"},
};

}  // namespace tw::fixtures
