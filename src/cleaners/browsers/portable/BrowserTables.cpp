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
  bool first = true;
  for (const TRowFilter& filter : source.Filters) {
    if (filter.NeedsColumn && !HasName(columns, filter.NeedsColumn)) continue;
    out.sql += first ? " WHERE " : " AND ";
    out.sql += filter.Sql;
    first = false;
  }
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

bool RemoveRow(TSQLiteDatabase& database, const TRowKey& key) {
  const TRowSource& source = *key.Source;
  const std::vector<TSQLValue> values = KeyValues(key);
  const std::string table = QuoteName(source.Table);

  static const std::vector<std::string> kNone;
  const std::vector<std::string>& columns = key.Store ? key.Store->Columns : kNone;
  const std::size_t count = std::min(columns.size(), values.size());

  // The identifying values, as "col IS ?n" terms numbered from First.
  auto match = [&](int first) {
    std::string sql;
    for (std::size_t i = 0; i < count; ++i) {
      if (i) sql += " AND ";
      sql += QuoteName(columns[i]) + " IS ?" + std::to_string(first + i);
    }
    return sql;
  };
  std::vector<TSQLValue> params;
  params.reserve(count + 1);
  params.emplace_back(key.RowId);
  params.insert(params.end(), values.begin(), values.begin() + count);

  // The row the scan read, unless its rowid now holds another row; then the one row holding the
  // same identifying values.
  std::int64_t rowId = key.RowId;
  std::string same = "SELECT rowid FROM " + table + " WHERE rowid = ?1";
  if (count) same += " AND " + match(2);
  if (database.Query(same, params).Eof()) {
    if (!count) return true;
    TSQLiteUniTable moved =
        database.Query("SELECT rowid FROM " + table + " WHERE " + match(1) + " LIMIT 2",
                       std::span(params).subspan(1));
    if (moved.Eof()) return true;
    rowId = moved.FieldAsInteger(0);
    moved.Next();
    if (!moved.Eof()) return false;
  }

  database.Execute("SAVEPOINT tw_row");
  try {
    for (const TDependentRows& dependent : source.Dependents) {
      TSQLValue value = rowId;
      if (dependent.KeyColumn) {
        std::size_t i = 0;
        while (i < count && UpperAscii(columns[i]) != UpperAscii(dependent.KeyColumn)) ++i;
        if (i == count) continue;
        value = values[i];
      }
      if (database.TableExists(dependent.Table)) database.Execute(dependent.Sql, {&value, 1});
    }
    const TSQLValue id = rowId;
    database.Execute("DELETE FROM " + table + " WHERE rowid = ?1", {&id, 1});
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
// Bookmarked places stay; so do places a keyword or another bookmark-like entry refers to.
constexpr TRowFilter kFirefoxHistoryFilters[] = {
    {"CAST(t.\"hidden\" AS TEXT) = '0'"},
    {"NOT EXISTS (SELECT 1 FROM \"moz_bookmarks\" AS b WHERE b.\"fk\" = t.\"id\")"},
    {"t.\"foreign_count\" = 0", "foreign_count"}};
constexpr const char* kUrlIdentity[] = {"url"};
// A page goes with its visits and its annotations (a download's among them, as when Firefox
// itself forgets a page).
constexpr TDependentRows kFirefoxHistoryDependents[] = {
    {"moz_historyvisits", "DELETE FROM \"moz_historyvisits\" WHERE \"place_id\" = ?1"},
    {"moz_annos", "DELETE FROM \"moz_annos\" WHERE \"place_id\" = ?1"}};
constexpr TRowSource kFirefoxHistory[] = {
    {.File = "places.sqlite", .Table = "moz_places", .Filters = kFirefoxHistoryFilters,
     .Fields = kFirefoxHistoryFields, .Identity = kUrlIdentity,
     .Dependents = kFirefoxHistoryDependents}};

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
constexpr TRowFilter kFirefoxIconFilters[] = {{"CAST(t.\"expire_at\" AS TEXT) IS NOT '0'"}};
constexpr TFieldChoice kFirefoxIconFields[] = {{0, "id", "id"}, {1, "url", "icon_url"}};
constexpr const char* kFirefoxIconIdentity[] = {"icon_url", "width"};
constexpr TDependentRows kFirefoxIconDependents[] = {
    {"moz_icons_to_pages", "DELETE FROM \"moz_icons_to_pages\" WHERE \"icon_id\" = ?1"}};
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
constexpr TDependentRows kChromeHistoryDependents[] = {
    {"visits", "DELETE FROM \"visits\" WHERE \"url\" = ?1"}};
constexpr TRowSource kChromeHistory[] = {
    {.File = "History", .Table = "urls", .Fields = kChromeHistoryFields, .Identity = kUrlIdentity,
     .Dependents = kChromeHistoryDependents}};

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

}  // namespace tw
