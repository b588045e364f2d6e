#include "cleaners/browsers/portable/BrowserTables.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tw {

namespace {

bool HasName(const std::vector<std::string>& names, std::string_view name) {
  const std::string upper = UpperAscii(name);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return UpperAscii(n) == upper; });
}

// A value packed as a kind byte followed by 8 bytes (integer, real) or by a 4-byte length and
// the bytes (text, BLOB); NULL is the kind byte alone.
void PackField(const TSQLField& field, std::string& out) {
  const TSQLType type = field.Type();
  out += static_cast<char>(type);
  auto raw = [&out](const void* data, std::size_t size) {
    out.append(static_cast<const char*>(data), size);
  };
  switch (type) {
    case TSQLType::Integer: {
      const std::int64_t v = field.AsInteger();
      raw(&v, sizeof v);
      break;
    }
    case TSQLType::Real: {
      const double v = field.AsReal();
      raw(&v, sizeof v);
      break;
    }
    case TSQLType::Text:
    case TSQLType::Blob: {
      const std::size_t lengthAt = out.size();
      out.append(sizeof(std::uint32_t), '\0');
      field.AppendTo(out);
      const std::uint32_t length = static_cast<std::uint32_t>(out.size() - lengthAt - sizeof length);
      std::memcpy(out.data() + lengthAt, &length, sizeof length);
      break;
    }
    case TSQLType::Null: break;
  }
}

// The source's filters that apply to a table with Columns, joined by AND; empty for none.
std::string FilterTerms(const std::vector<std::string>& columns, const TRowSource& source) {
  std::string sql;
  for (const TRowFilter& filter : source.Filters) {
    const char* term = filter.Sql;
    if (filter.NeedsColumn && !HasName(columns, filter.NeedsColumn)) term = filter.Otherwise;
    if (!term) continue;
    if (!sql.empty()) sql += " AND ";
    sql += std::string("(") + term + ")";
  }
  return sql;
}

struct TPreparedSource {
  std::string sql;
  std::vector<std::string> labels;
  std::vector<std::string> identity;  // identifying columns the table has
};

std::optional<TPreparedSource> Prepare(TSQLiteDatabase& database, const TRowSource& source) {
  const std::vector<std::string> columns = database.Columns(source.Table);
  if (columns.empty()) return std::nullopt;
  for (const char* table : source.NeedsTables)
    if (!database.TableExists(table)) return std::nullopt;

  TPreparedSource out;
  out.sql = "SELECT t.rowid";
  for (const char* column : source.Identity) {
    if (!HasName(columns, column)) continue;
    out.identity.emplace_back(column);
    out.sql += ", t." + QuoteName(column);
  }
  for (std::size_t i = 0; i < source.Fields.size();) {
    const int field = source.Fields[i].Field;
    std::string pick;
    const char* label = source.Fields[i].Label;
    for (; i < source.Fields.size() && source.Fields[i].Field == field; ++i) {
      const TFieldChoice& choice = source.Fields[i];
      if (!pick.empty()) continue;
      if (choice.Column && HasName(columns, choice.Column)) {
        pick = "t." + QuoteName(choice.Column);
        label = choice.Label;
      } else if (choice.Expression &&
                 (!choice.NeedsTable || database.TableExists(choice.NeedsTable))) {
        pick = std::string("(") + choice.Expression + ")";
        label = choice.Label;
      }
    }
    out.sql += ", " + (pick.empty() ? std::string("NULL") : pick);
    out.labels.emplace_back(label);
  }
  out.sql += " FROM " + QuoteName(source.Table) + " AS t";
  if (source.Joins) out.sql += std::string(" ") + source.Joins;
  const std::string filters = FilterTerms(columns, source);
  if (!filters.empty()) out.sql += " WHERE " + filters;
  return out;
}

}  // namespace

std::string RowQuery(TSQLiteDatabase& database, const TRowSource& source) {
  std::optional<TPreparedSource> prepared = Prepare(database, source);
  return prepared ? prepared->sql : std::string();
}

bool ListRows(TSQLiteDatabase& database, const TRowSource& source, const TRowFound& found,
              const std::string& file) {
  std::optional<TPreparedSource> prepared = Prepare(database, source);
  if (!prepared) return false;
  auto store = std::make_shared<TKeyStore>();
  store->File = file;
  store->Columns = prepared->identity;
  const int fieldCount = static_cast<int>(prepared->labels.size());
  const int identityCount = static_cast<int>(store->Columns.size());
  // What comes before each field's value: "label=", then ",label=".
  std::vector<std::string> heads;
  for (const std::string& label : prepared->labels)
    heads.push_back((heads.empty() ? "" : ",") + label + "=");
  // Each row's text is put together here, then handed over as a copy of its exact size.
  std::string line;
  for (TSQLiteUniTable table = database.Query(prepared->sql); !table.Eof(); table.Next()) {
    TRowKey key;
    key.Source = &source;
    key.RowId = table.Field(0).AsInteger();
    key.Store = store;
    key.Offset = static_cast<std::uint32_t>(store->Values.size());
    for (int i = 0; i < identityCount; ++i) PackField(table.Field(1 + i), store->Values);
    key.Length = static_cast<std::uint32_t>(store->Values.size() - key.Offset);
    line.clear();
    for (int i = 0; i < fieldCount; ++i) {
      line += heads[i];
      table.Field(1 + identityCount + i).AppendTo(line);
    }
    if (!found(std::string(line), std::move(key))) break;
  }
  return true;
}

std::vector<TSQLValue> KeyValues(const TRowKey& key) {
  std::vector<TSQLValue> values;
  if (!key.Store || std::size_t{key.Offset} + key.Length > key.Store->Values.size()) return values;
  std::string_view packed = std::string_view(key.Store->Values).substr(key.Offset, key.Length);
  auto take = [&packed](void* data, std::size_t size) {
    if (packed.size() < size) return false;
    std::memcpy(data, packed.data(), size);
    packed.remove_prefix(size);
    return true;
  };
  while (!packed.empty()) {
    const auto type = static_cast<TSQLType>(packed.front());
    packed.remove_prefix(1);
    if (type == TSQLType::Integer || type == TSQLType::Real) {
      std::int64_t i = 0;
      double d = 0;
      if (!(type == TSQLType::Integer ? take(&i, sizeof i) : take(&d, sizeof d))) break;
      values.push_back(type == TSQLType::Integer ? TSQLValue(i) : TSQLValue(d));
    } else if (type == TSQLType::Text || type == TSQLType::Blob) {
      std::uint32_t length = 0;
      if (!take(&length, sizeof length) || packed.size() < length) break;
      std::string bytes(packed.substr(0, length));
      packed.remove_prefix(length);
      values.push_back(type == TSQLType::Text ? TSQLValue(std::move(bytes))
                                              : TSQLValue(TSQLBlob{std::move(bytes)}));
    } else {
      values.emplace_back(std::monostate{});
    }
  }
  return values;
}

bool HasTable(TSQLiteDatabase& database, std::string_view table) {
  const std::size_t dot = table.find('.');
  if (dot == std::string_view::npos) return database.TableExists(table);
  const TSQLValue schema = std::string(table.substr(0, dot));
  if (database.Query("SELECT 1 FROM pragma_database_list WHERE name = ?1 COLLATE NOCASE",
                     {&schema, 1})
          .Eof())
    return false;
  const TSQLValue name = std::string(table.substr(dot + 1));
  return !database
              .Query("SELECT 1 FROM " + QuoteName(std::get<std::string>(schema)) +
                         ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                     {&name, 1})
              .Eof();
}

bool RemoveRow(TSQLiteDatabase& database, const TRowKey& key) {
  const TRowSource& source = *key.Source;
  const std::vector<TSQLValue> values = KeyValues(key);
  const std::string table = QuoteName(source.Table);

  static const std::vector<std::string> kNone;
  const std::vector<std::string>& columns = key.Store ? key.Store->Columns : kNone;
  const std::size_t count = std::min(columns.size(), values.size());

  // The identifying values, as "t.col IS ?n" terms numbered from First.
  auto match = [&](int first) {
    std::string sql;
    for (std::size_t i = 0; i < count; ++i) {
      if (i) sql += " AND ";
      sql += "t." + QuoteName(columns[i]) + " IS ?" + std::to_string(first + i);
    }
    return sql;
  };
  std::vector<TSQLValue> params;
  params.reserve(count + 1);
  params.emplace_back(key.RowId);
  params.insert(params.end(), values.begin(), values.begin() + count);

  // The row the scan read, unless its rowid now holds another row; then the one row holding the
  // same identifying values.
  const std::string from = "SELECT t.rowid FROM " + table + " AS t";
  std::int64_t rowId = key.RowId;
  std::string same = from + " WHERE t.rowid = ?1";
  if (count) same += " AND " + match(2);
  if (database.Query(same, params).Eof()) {
    if (!count) return true;
    TSQLiteUniTable moved =
        database.Query(from + " WHERE " + match(1) + " LIMIT 2", std::span(params).subspan(1));
    if (moved.Eof()) return true;
    rowId = moved.FieldAsInteger(0);
    moved.Next();
    if (!moved.Eof()) return false;
  }

  // What the scan filtered is filtered again: a row that no longer qualifies stays.
  const std::string filters = FilterTerms(database.Columns(source.Table), source);
  if (!filters.empty()) {
    std::string still = from;
    if (source.Joins) still += std::string(" ") + source.Joins;
    still += " WHERE t.rowid = ?1 AND " + filters;
    const TSQLValue id = rowId;
    if (database.Query(still, {&id, 1}).Eof()) return false;
  }

  database.Execute("SAVEPOINT tw_row");
  try {
    for (const TDependentRows& dependent : source.Dependents) {
      if (!HasTable(database, dependent.Table)) continue;
      if (dependent.NeedsTable && !HasTable(database, dependent.NeedsTable)) continue;
      if (dependent.NeedsColumn &&
          !HasName(database.Columns(dependent.Table), dependent.NeedsColumn))
        continue;
      if (!std::strstr(dependent.Sql, "?1")) {
        database.Execute(dependent.Sql);
        continue;
      }
      TSQLValue value = rowId;
      if (dependent.KeyColumn) {
        std::size_t i = 0;
        while (i < count && UpperAscii(columns[i]) != UpperAscii(dependent.KeyColumn)) ++i;
        if (i == count) continue;
        value = values[i];
      }
      database.Execute(dependent.Sql, {&value, 1});
    }
    const TSQLValue id = rowId;
    if (source.KeepRowSql) database.Execute(source.KeepRowSql, {&id, 1});
    else database.Execute("DELETE FROM " + table + " WHERE rowid = ?1", {&id, 1});
    database.Execute("RELEASE tw_row");
  } catch (...) {
    try {
      database.Execute("ROLLBACK TO tw_row");
      database.Execute("RELEASE tw_row");
    } catch (...) {
    }
    throw;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Firefox

namespace {

constexpr TFieldChoice kFirefoxCookieFields[] = {
    {0, "id", "id"}, {1, "name", "name"}, {2, "value", "value"}, {3, "host", "host"},
    {4, "lastAccessed", "lastAccessed"}};
constexpr const char* kFirefoxCookieIdentity[] = {"name", "host", "path", "originAttributes"};
constexpr TRowSource kFirefoxCookies[] = {
    {.File = "cookies.sqlite", .Table = "moz_cookies", .Fields = kFirefoxCookieFields,
     .Identity = kFirefoxCookieIdentity}};

constexpr TFieldChoice kFirefoxHistoryFields[] = {
    {0, "id", "id"}, {1, "url", "url"}, {2, "title", "title"}, {3, "visit_count", "visit_count"}};
// A page is listed as history unless it is hidden or something keeps it: a bookmark, a keyword
// or another entry that counts towards its foreign_count.
constexpr TRowFilter kFirefoxHistoryFilters[] = {
    {"CAST(t.\"hidden\" AS TEXT) = '0'"},
    {"NOT EXISTS (SELECT 1 FROM \"moz_bookmarks\" AS b WHERE b.\"fk\" = t.\"id\")"},
    {"t.\"foreign_count\" = 0", "foreign_count"}};
// The pages that stay (kept or hidden) lose their visits all the same.
constexpr TRowFilter kFirefoxKeptHistoryFilters[] = {
    {"NOT (CAST(t.\"hidden\" AS TEXT) = '0'"
     " AND NOT EXISTS (SELECT 1 FROM \"moz_bookmarks\" AS b WHERE b.\"fk\" = t.\"id\")"
     " AND t.\"foreign_count\" = 0)",
     "foreign_count",
     "NOT (CAST(t.\"hidden\" AS TEXT) = '0'"
     " AND NOT EXISTS (SELECT 1 FROM \"moz_bookmarks\" AS b WHERE b.\"fk\" = t.\"id\"))"},
    {"EXISTS (SELECT 1 FROM \"moz_historyvisits\" AS v WHERE v.\"place_id\" = t.\"id\")"}};
constexpr const char* kUrlIdentity[] = {"url"};
constexpr TAttachedFile kFirefoxPlacesAttached[] = {{"favicons", "favicons.sqlite"}};
// What names a visited page besides its row: its visits, what was typed to reach it, what was
// read and searched on it, its annotations (a download's among them).
#define TW_FIREFOX_VISIT_TRACES                                                                   \
  {"moz_historyvisits_extra",                                                                    \
   "DELETE FROM \"moz_historyvisits_extra\" WHERE \"visit_id\" IN "                              \
   "(SELECT \"id\" FROM \"moz_historyvisits\" WHERE \"place_id\" = ?1)"},                        \
      {"moz_historyvisits", "DELETE FROM \"moz_historyvisits\" WHERE \"place_id\" = ?1"},        \
      {"moz_inputhistory", "DELETE FROM \"moz_inputhistory\" WHERE \"place_id\" = ?1"},          \
      {"moz_places_metadata",                                                                    \
       "DELETE FROM \"moz_places_metadata\" WHERE \"place_id\" = ?1 OR \"referrer_place_id\" = ?1"}, \
      {"moz_places_metadata_search_queries",                                                     \
       "DELETE FROM \"moz_places_metadata_search_queries\" WHERE \"id\" NOT IN (SELECT "          \
       "\"search_query_id\" FROM \"moz_places_metadata\" WHERE \"search_query_id\" IS NOT NULL)"}
constexpr TDependentRows kFirefoxHistoryDependents[] = {
    TW_FIREFOX_VISIT_TRACES,
    {"moz_annos", "DELETE FROM \"moz_annos\" WHERE \"place_id\" = ?1"},
    {"moz_places_extra", "DELETE FROM \"moz_places_extra\" WHERE \"place_id\" = ?1"},
    // The page's site, unless another page stays on it.
    {"moz_origins",
     "DELETE FROM \"moz_origins\" WHERE \"id\" IN (SELECT \"origin_id\" FROM \"moz_places\" WHERE "
     "\"id\" = ?1) AND NOT EXISTS (SELECT 1 FROM \"moz_places\" AS p WHERE p.\"origin_id\" = "
     "\"moz_origins\".\"id\" AND p.\"id\" <> ?1)"},
    // Its icons: the page's own entry, icons no page uses any more, and a site's icon once no
    // site of that address is left.
    {"favicons.moz_icons_to_pages",
     "DELETE FROM favicons.\"moz_icons_to_pages\" WHERE \"page_id\" IN (SELECT \"id\" FROM "
     "favicons.\"moz_pages_w_icons\" WHERE \"page_url\" = ?1)",
     "url"},
    {"favicons.moz_pages_w_icons", "DELETE FROM favicons.\"moz_pages_w_icons\" WHERE \"page_url\" = ?1",
     "url"},
    {"favicons.moz_icons",
     "DELETE FROM favicons.\"moz_icons\" WHERE \"root\" = 0 AND \"id\" NOT IN (SELECT "
     "\"icon_id\" FROM favicons.\"moz_icons_to_pages\")"},
    {"favicons.moz_icons",
     "DELETE FROM favicons.\"moz_icons\" WHERE \"root\" <> 0 AND \"id\" NOT IN (SELECT "
     "\"icon_id\" FROM favicons.\"moz_icons_to_pages\") AND NOT EXISTS (SELECT 1 FROM "
     "main.\"moz_origins\" AS o WHERE favicons.\"moz_icons\".\"icon_url\" LIKE "
     "o.\"prefix\" || o.\"host\" || '/%')",
     nullptr, nullptr, "moz_origins"}};
constexpr TDependentRows kFirefoxKeptHistoryDependents[] = {
    TW_FIREFOX_VISIT_TRACES,
    {"moz_places",
     "UPDATE \"moz_places\" SET \"last_visit_date\" = NULL WHERE \"id\" = ?1", nullptr,
     "last_visit_date"}};
#undef TW_FIREFOX_VISIT_TRACES
constexpr TRowSource kFirefoxHistory[] = {
    {.File = "places.sqlite", .Table = "moz_places", .Filters = kFirefoxHistoryFilters,
     .Fields = kFirefoxHistoryFields, .Identity = kUrlIdentity,
     .Dependents = kFirefoxHistoryDependents, .Attached = kFirefoxPlacesAttached},
    {.File = "places.sqlite", .Table = "moz_places", .Filters = kFirefoxKeptHistoryFilters,
     .Fields = kFirefoxHistoryFields, .Identity = kUrlIdentity,
     .Dependents = kFirefoxKeptHistoryDependents,
     .KeepRowSql = "UPDATE \"moz_places\" SET \"visit_count\" = 0, \"typed\" = 0 WHERE \"id\" = ?1",
     .Attached = kFirefoxPlacesAttached}};

constexpr TFieldChoice kFirefoxFormFields[] = {
    {0, "id", "id"}, {1, "fieldname", "fieldname"}, {2, "value", "value"}};
constexpr const char* kFirefoxFormIdentity[] = {"fieldname", "value"};
constexpr TRowSource kFirefoxForms[] = {
    {.File = "formhistory.sqlite", .Table = "moz_formhistory", .Fields = kFirefoxFormFields,
     .Identity = kFirefoxFormIdentity}};

// Downloads: their own database until Firefox 20, annotations of the source page since.
constexpr TFieldChoice kFirefoxDownloadFields[] = {
    {0, "id", "id"}, {1, "name", "name"}, {2, "source", "source"}, {3, "target", "target"}};
constexpr const char* kFirefoxDownloadIdentity[] = {"source", "target", "startTime"};
constexpr const char* kAnnotationTables[] = {"moz_anno_attributes", "moz_places"};
constexpr TRowFilter kDownloadAnnotationFilters[] = {
    {"n.\"name\" = 'downloads/destinationFileURI'"}};
constexpr TFieldChoice kDownloadAnnotationFields[] = {
    {0, "id", nullptr, "t.\"place_id\""},
    {1, "name", nullptr,
     "COALESCE((SELECT a.\"content\" FROM \"moz_annos\" AS a JOIN \"moz_anno_attributes\" AS an"
     " ON an.\"id\" = a.\"anno_attribute_id\" WHERE a.\"place_id\" = t.\"place_id\""
     " AND an.\"name\" = 'downloads/destinationFileName'),"
     " replace(t.\"content\", rtrim(t.\"content\", replace(t.\"content\", '/', '')), ''))"},
    {2, "source", nullptr, "p.\"url\""},
    {3, "target", "content"}};
constexpr const char* kDownloadAnnotationIdentity[] = {"place_id", "content"};
constexpr TDependentRows kDownloadAnnotationDependents[] = {
    {"moz_annos",
     "DELETE FROM \"moz_annos\" WHERE \"place_id\" = ?1 AND \"anno_attribute_id\" IN "
     "(SELECT \"id\" FROM \"moz_anno_attributes\" WHERE \"name\" LIKE 'downloads/%')",
     "place_id"}};
constexpr TRowSource kFirefoxDownloads[] = {
    {.File = "downloads.sqlite", .Table = "moz_downloads", .Fields = kFirefoxDownloadFields,
     .Identity = kFirefoxDownloadIdentity},
    {.File = "places.sqlite", .Table = "moz_annos",
     .Joins = "JOIN \"moz_anno_attributes\" AS n ON n.\"id\" = t.\"anno_attribute_id\" "
              "LEFT JOIN \"moz_places\" AS p ON p.\"id\" = t.\"place_id\"",
     .NeedsTables = kAnnotationTables, .Filters = kDownloadAnnotationFilters,
     .Fields = kDownloadAnnotationFields, .Identity = kDownloadAnnotationIdentity,
     .Dependents = kDownloadAnnotationDependents}};

// Favicons: a table of places.sqlite until Firefox 55, a database of their own since.
constexpr TRowFilter kFirefoxFaviconFilters[] = {{"CAST(t.\"expiration\" AS TEXT) IS NOT '0'"}};
constexpr TFieldChoice kFirefoxFaviconFields[] = {{0, "id", "id"}, {1, "url", "url"}};
// The expiry time is "expire_ms" in every released layout of favicons.sqlite.
constexpr TRowFilter kFirefoxIconFilters[] = {
    {"CAST(t.\"expire_ms\" AS TEXT) IS NOT '0'", "expire_ms",
     "CAST(t.\"expire_at\" AS TEXT) IS NOT '0'"}};
constexpr TFieldChoice kFirefoxIconFields[] = {{0, "id", "id"}, {1, "url", "icon_url"}};
constexpr const char* kFirefoxIconIdentity[] = {"icon_url", "width"};
// An icon goes with its links to pages; a page left without any icon goes too.
constexpr TDependentRows kFirefoxIconDependents[] = {
    {"moz_icons_to_pages", "DELETE FROM \"moz_icons_to_pages\" WHERE \"icon_id\" = ?1"},
    {"moz_pages_w_icons",
     "DELETE FROM \"moz_pages_w_icons\" WHERE \"id\" NOT IN (SELECT \"page_id\" FROM "
     "\"moz_icons_to_pages\")"}};
constexpr TRowSource kFirefoxFavicons[] = {
    {.File = "places.sqlite", .Table = "moz_favicons", .Filters = kFirefoxFaviconFilters,
     .Fields = kFirefoxFaviconFields, .Identity = kUrlIdentity},
    {.File = "favicons.sqlite", .Table = "moz_icons", .Filters = kFirefoxIconFilters,
     .Fields = kFirefoxIconFields, .Identity = kFirefoxIconIdentity,
     .Dependents = kFirefoxIconDependents}};

// ---------------------------------------------------------------------------------------------
// Chrome and the browsers that share its layout

// Cookies: "Cookies" until Chrome 96, "Network\Cookies" since. A cookie is one row per host,
// partition, name, path and source; the creation time alone does not tell two apart.
constexpr TFieldChoice kChromeCookieFields[] = {
    {0, "creation_utc", "creation_utc"}, {1, "host_key", "host_key"}, {2, "name", "name"}};
constexpr const char* kChromeCookieIdentity[] = {
    "creation_utc", "host_key",    "top_frame_site_key", "has_cross_site_ancestor",
    "name",         "path",        "source_scheme",      "source_port"};
constexpr TRowSource kChromeCookies[] = {
    {.File = "Cookies", .Table = "cookies", .Fields = kChromeCookieFields,
     .Identity = kChromeCookieIdentity},
    {.File = "Network\\Cookies", .Table = "cookies", .Fields = kChromeCookieFields,
     .Identity = kChromeCookieIdentity}};

constexpr TFieldChoice kChromeHistoryFields[] = {
    {0, "id", "id"}, {1, "url", "url"}, {2, "title", "title"}};
// What names a visited page besides its row: its visits and what Chrome derived from them
// (annotations, clusters of visits, visited links, most-visited segments, search terms), its
// icons and its place among the top sites, the shortcuts and predictions of the address bar.
#define TW_CHROME_VISITS "(SELECT \"id\" FROM \"visits\" WHERE \"url\" = ?1)"
constexpr TDependentRows kChromeHistoryDependents[] = {
    {"content_annotations",
     "DELETE FROM \"content_annotations\" WHERE \"visit_id\" IN " TW_CHROME_VISITS},
    {"context_annotations",
     "DELETE FROM \"context_annotations\" WHERE \"visit_id\" IN " TW_CHROME_VISITS},
    {"visit_source", "DELETE FROM \"visit_source\" WHERE \"id\" IN " TW_CHROME_VISITS},
    {"clusters_and_visits",
     "DELETE FROM \"clusters_and_visits\" WHERE \"visit_id\" IN " TW_CHROME_VISITS},
    {"cluster_visit_duplicates",
     "DELETE FROM \"cluster_visit_duplicates\" WHERE \"visit_id\" IN " TW_CHROME_VISITS
     " OR \"duplicate_visit_id\" IN " TW_CHROME_VISITS},
    {"visits", "DELETE FROM \"visits\" WHERE \"url\" = ?1"},
    {"clusters",
     "DELETE FROM \"clusters\" WHERE \"cluster_id\" NOT IN (SELECT \"cluster_id\" FROM "
     "\"clusters_and_visits\")"},
    {"cluster_keywords",
     "DELETE FROM \"cluster_keywords\" WHERE \"cluster_id\" NOT IN (SELECT \"cluster_id\" FROM "
     "\"clusters_and_visits\")"},
    {"visited_links",
     "DELETE FROM \"visited_links\" WHERE \"link_url_id\" = ?1 OR \"top_level_url\" IN (SELECT "
     "\"url\" FROM \"urls\" WHERE \"id\" = ?1) OR \"frame_url\" IN (SELECT \"url\" FROM \"urls\" "
     "WHERE \"id\" = ?1)"},
    {"segment_usage",
     "DELETE FROM \"segment_usage\" WHERE \"segment_id\" IN (SELECT \"id\" FROM \"segments\" "
     "WHERE \"url_id\" = ?1)"},
    {"segments", "DELETE FROM \"segments\" WHERE \"url_id\" = ?1"},
    {"keyword_search_terms", "DELETE FROM \"keyword_search_terms\" WHERE \"url_id\" = ?1"},
    {"favicons.icon_mapping", "DELETE FROM favicons.\"icon_mapping\" WHERE \"page_url\" = ?1",
     "url"},
    {"favicons.favicon_bitmaps",
     "DELETE FROM favicons.\"favicon_bitmaps\" WHERE \"icon_id\" NOT IN (SELECT \"icon_id\" FROM "
     "favicons.\"icon_mapping\")"},
    {"favicons.favicons",
     "DELETE FROM favicons.\"favicons\" WHERE \"id\" NOT IN (SELECT \"icon_id\" FROM "
     "favicons.\"icon_mapping\")"},
    {"topsites.top_sites", "DELETE FROM topsites.\"top_sites\" WHERE \"url\" = ?1", "url"},
    {"shortcuts.omni_box_shortcuts",
     "DELETE FROM shortcuts.\"omni_box_shortcuts\" WHERE \"url\" = ?1", "url"},
    {"predictor.network_action_predictor",
     "DELETE FROM predictor.\"network_action_predictor\" WHERE \"url\" = ?1", "url"}};
#undef TW_CHROME_VISITS
constexpr TAttachedFile kChromeHistoryAttached[] = {{"favicons", "Favicons"},
                                                    {"topsites", "Top Sites"},
                                                    {"shortcuts", "Shortcuts"},
                                                    {"predictor", "Network Action Predictor"}};
constexpr TRowSource kChromeHistory[] = {
    {.File = "History", .Table = "urls", .Fields = kChromeHistoryFields, .Identity = kUrlIdentity,
     .Dependents = kChromeHistoryDependents, .Attached = kChromeHistoryAttached}};

constexpr TFieldChoice kChromeKeywordFields[] = {
    {0, "keyword_id", "keyword_id"}, {1, "url_id", "url_id"}, {2, "lower_term", "lower_term"},
    {2, "normalized_term", "normalized_term"}, {3, "term", "term"}};
constexpr const char* kChromeKeywordIdentity[] = {"keyword_id", "url_id", "term"};
constexpr TRowSource kChromeKeywords[] = {
    {.File = "History", .Table = "keyword_search_terms", .Fields = kChromeKeywordFields,
     .Identity = kChromeKeywordIdentity}};

// Downloads: "full_path" and "url" until Chrome 24; since then the target path, and the chain
// of addresses that led to the file in a table of its own.
constexpr TFieldChoice kChromeDownloadFields[] = {
    {0, "id", "id"},
    {1, "full_path", "full_path"},
    {1, "target_path", "target_path"},
    {2, "url", "url"},
    {2, "url", nullptr,
     "SELECT c.\"url\" FROM \"downloads_url_chains\" AS c WHERE c.\"id\" = t.\"id\""
     " ORDER BY c.\"chain_index\" DESC LIMIT 1",
     "downloads_url_chains"}};
constexpr const char* kChromeDownloadIdentity[] = {"guid", "start_time", "full_path",
                                                   "target_path"};
constexpr TDependentRows kChromeDownloadDependents[] = {
    {"downloads_url_chains", "DELETE FROM \"downloads_url_chains\" WHERE \"id\" = ?1"},
    {"downloads_slices", "DELETE FROM \"downloads_slices\" WHERE \"download_id\" = ?1"}};
constexpr TRowSource kChromeDownloads[] = {
    {.File = "History", .Table = "downloads", .Fields = kChromeDownloadFields,
     .Identity = kChromeDownloadIdentity, .Dependents = kChromeDownloadDependents}};

// Thumbnails: "Thumbnails" until Chrome 26, then a table of "Top Sites" until Chrome 75; current
// versions keep none.
constexpr TFieldChoice kChromeThumbnailFields[] = {
    {0, "url_id", "url_id"}, {0, "url", "url"}, {1, "last_updated", "last_updated"}};
constexpr const char* kChromeThumbnailIdentity[] = {"url_id", "url"};
constexpr TRowSource kChromeThumbnails[] = {
    {.File = "Thumbnails", .Table = "thumbnails", .Fields = kChromeThumbnailFields,
     .Identity = kChromeThumbnailIdentity},
    {.File = "Top Sites", .Table = "thumbnails", .Fields = kChromeThumbnailFields,
     .Identity = kChromeThumbnailIdentity}};

// Favicons: a table of "Thumbnails" until Chrome 26, a database of their own since, where the
// images and their update times moved to "favicon_bitmaps".
constexpr TFieldChoice kChromeFaviconFields[] = {
    {0, "id", "id"},
    {1, "url", "url"},
    {2, "last_updated", "last_updated"},
    {2, "last_updated", nullptr,
     "SELECT MAX(b.\"last_updated\") FROM \"favicon_bitmaps\" AS b WHERE b.\"icon_id\" = t.\"id\"",
     "favicon_bitmaps"}};
constexpr const char* kChromeFaviconIdentity[] = {"url", "icon_type"};
constexpr TDependentRows kChromeFaviconDependents[] = {
    {"favicon_bitmaps", "DELETE FROM \"favicon_bitmaps\" WHERE \"icon_id\" = ?1"},
    {"icon_mapping", "DELETE FROM \"icon_mapping\" WHERE \"icon_id\" = ?1"}};
constexpr TRowSource kChromeFavicons[] = {
    {.File = "Thumbnails", .Table = "favicons", .Fields = kChromeFaviconFields,
     .Identity = kChromeFaviconIdentity, .Dependents = kChromeFaviconDependents},
    {.File = "Favicons", .Table = "favicons", .Fields = kChromeFaviconFields,
     .Identity = kChromeFaviconIdentity, .Dependents = kChromeFaviconDependents}};

// Autofill: what was typed into the fields of web forms, in "Web Data" (whose other tables,
// saved addresses and cards among them, stay).
constexpr TFieldChoice kChromeAutofillFields[] = {
    {0, "name", "name"}, {1, "value", "value"}, {2, "count", "count"}};
constexpr const char* kChromeAutofillIdentity[] = {"name", "value", "date_created"};
constexpr TRowSource kChromeAutofill[] = {
    {.File = "Web Data", .Table = "autofill", .Fields = kChromeAutofillFields,
     .Identity = kChromeAutofillIdentity}};

}  // namespace

std::span<const TRowSource> FirefoxCookieSources() { return kFirefoxCookies; }
std::span<const TRowSource> FirefoxHistorySources() { return kFirefoxHistory; }
std::span<const TRowSource> FirefoxFormSources() { return kFirefoxForms; }
std::span<const TRowSource> FirefoxDownloadSources() { return kFirefoxDownloads; }
std::span<const TRowSource> FirefoxFaviconSources() { return kFirefoxFavicons; }
std::span<const TRowSource> ChromeCookieSources() { return kChromeCookies; }
std::span<const TRowSource> ChromeHistorySources() { return kChromeHistory; }
std::span<const TRowSource> ChromeKeywordSources() { return kChromeKeywords; }
std::span<const TRowSource> ChromeDownloadSources() { return kChromeDownloads; }
std::span<const TRowSource> ChromeThumbnailSources() { return kChromeThumbnails; }
std::span<const TRowSource> ChromeFaviconSources() { return kChromeFavicons; }
std::span<const TRowSource> ChromeAutofillSources() { return kChromeAutofill; }

}  // namespace tw
