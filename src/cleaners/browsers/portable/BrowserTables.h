#pragma once
// The browser databases' rows that the cleaners list, and how one such row is removed.
//
// A row source names a database file of a profile and the table whose rows are traces, with the
// fields of a finding's text ("id=3,url=...,title=..."), the filter that keeps a row, the columns
// that identify a row, and the rows of other tables that belong to it. A scan reads only the
// columns the file really has: a field lists alternatives for the layouts browsers have used,
// and the first one the file holds fills it. A removal finds the row again by the rowid the scan
// read and checks its identifying columns before it deletes anything.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "cleaners/browsers/portable/SQLite.h"

namespace tw {

// One choice for a field of the finding's text; consecutive choices with the same Field are
// alternatives, the first usable one is taken (none usable: the first label with an empty value).
struct TFieldChoice {
  int Field;                          // position of the field in the text, from 0
  const char* Label;                  // the name before "="
  const char* Column = nullptr;       // a column of the source's table...
  const char* Expression = nullptr;   // ...or SQL over the row (alias t)
  const char* NeedsTable = nullptr;   // the expression is usable only where this table exists
};

// A condition a listed row meets (SQL over the row, alias t). With NeedsColumn set it applies
// only where the table has that column; Otherwise (when given) applies where it has not.
struct TRowFilter {
  const char* Sql;
  const char* NeedsColumn = nullptr;
  const char* Otherwise = nullptr;
};

// Rows of another table that are removed with the row: Sql deletes them with ?1 bound to the
// row's rowid, or to the value of its identifying column KeyColumn (Sql without ?1 binds
// nothing: it tidies up what no row refers to any more). Table may name a database attached
// to the clean's connection ("favicons.moz_icons"); the statement runs only where it exists.
struct TDependentRows {
  const char* Table;
  const char* Sql;
  const char* KeyColumn = nullptr;
  const char* NeedsColumn = nullptr;  // of Table (not an attached one): runs only where it exists
  const char* NeedsTable = nullptr;   // another table the statement reads
};

// A database of the same profile folder that a clean attaches under Schema, because removing a
// row also removes what names it there (a page's icons, its place among the top sites).
struct TAttachedFile {
  const char* Schema;
  const char* File;
};

struct TRowSource {
  const char* File;                             // below the profile folder ("Network\Cookies")
  const char* Table;                            // whose rows are listed and removed (alias t)
  const char* Joins = nullptr;                  // further tables of the query
  std::span<const char* const> NeedsTables{};   // tables Joins reads
  std::span<const TRowFilter> Filters{};
  std::span<const TFieldChoice> Fields{};
  std::span<const char* const> Identity{};      // identifying columns, those the table has
  std::span<const TDependentRows> Dependents{};
  // Set: the row itself stays and this statement (?1 bound to its rowid) runs once its
  // dependent rows are gone (a bookmarked page keeps its row but loses its visits).
  const char* KeepRowSql = nullptr;
  std::span<const TAttachedFile> Attached{};
};

// What the keys of one listing share: the identifying columns the file has, and the values of
// every listed row one after another (a scan may keep a hundred thousand keys).
struct TKeyStore {
  std::string File;  // the database file, as the caller of ListRows names it
  std::vector<std::string> Columns;
  std::string Values;
};

// What a removal needs to find the row again: its rowid as the scan read it and the values of
// its identifying columns.
struct TRowKey {
  const TRowSource* Source = nullptr;
  std::int64_t RowId = 0;
  std::shared_ptr<const TKeyStore> Store;
  std::uint32_t Offset = 0;  // the row's values within Store->Values
  std::uint32_t Length = 0;
};

// The values a key holds, in the order of its store's Columns.
std::vector<TSQLValue> KeyValues(const TRowKey& key);

using TRowFound = std::function<bool(std::string&& text, TRowKey&& key)>;

// The query that lists Source's rows in Database, or empty when the file lacks the source's
// table or a table its query reads. Column names come from the file, values never enter SQL.
std::string RowQuery(TSQLiteDatabase& database, const TRowSource& source);

// Lists Source's rows: for each, the finding's text and its key (whose store names the file as
// File). Found returns false to stop. Returns false when the file lacks the source's tables
// (nothing listed). Raises ESQLiteException for any database error.
bool ListRows(TSQLiteDatabase& database, const TRowSource& source, const TRowFound& found,
              const std::string& file = {});

// Removes the row Key names together with its dependent rows, all or nothing. The row must still
// meet every filter its scan applied: one that no longer does (a page bookmarked since the scan)
// is kept. True when the row is gone afterwards (also when it was gone before), or, for a source
// that keeps its rows, when its dependent rows were removed; false when the row is kept or cannot
// be told apart: its rowid now holds another row and its identifying values match several rows.
// Raises ESQLiteException for a database error.
bool RemoveRow(TSQLiteDatabase& database, const TRowKey& key);

// True when Table ("name" or "schema.name") exists in Database; false also when its schema is
// not attached.
bool HasTable(TSQLiteDatabase& database, std::string_view table);

// The row sources of each database cleaner, the long-standing layout first.
std::span<const TRowSource> FirefoxCookieSources();
std::span<const TRowSource> FirefoxHistorySources();
std::span<const TRowSource> FirefoxFormSources();
std::span<const TRowSource> FirefoxDownloadSources();
std::span<const TRowSource> FirefoxFaviconSources();
std::span<const TRowSource> ChromeCookieSources();
std::span<const TRowSource> ChromeHistorySources();
std::span<const TRowSource> ChromeKeywordSources();
std::span<const TRowSource> ChromeDownloadSources();
std::span<const TRowSource> ChromeThumbnailSources();
std::span<const TRowSource> ChromeFaviconSources();
std::span<const TRowSource> ChromeAutofillSources();

}  // namespace tw
