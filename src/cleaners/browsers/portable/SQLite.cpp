#include "cleaners/browsers/portable/SQLite.h"

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <utility>

namespace tw {

namespace {

constexpr std::array<const char*, 27> kErrorTexts = {
    "Successful result",
    "SQL error or missing database",
    "An internal logic error in SQLite",
    "Access permission denied",
    "Callback routine requested an abort",
    "The database file is locked",
    "A table in the database is locked",
    "A malloc() failed",
    "Attempt to write a readonly database",
    "Operation terminated by sqlite3_interrupt()",
    "Some kind of disk I/O error occurred",
    "The database disk image is malformed",
    "(Internal Only) Table or record not found",
    "Insertion failed because database is full",
    "Unable to open the database file",
    "Database lock protocol error",
    "Database is empty",
    "The database schema changed",
    "Too much data for one row of a table",
    "Abort due to contraint violation",
    "Data type mismatch",
    "Library used incorrectly",
    "Uses OS features not supported on host",
    "Authorization denied",
    "Auxiliary database format error",
    "2nd parameter to sqlite3_bind out of range",
    "File opened that is not a database file",
};

// A "file:" URI for Path that asks SQLite to treat the file as unchanging.
std::string UnchangingUri(std::string_view path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  if (path.size() >= 2 && path[1] == ':') uri += "///";  // a drive letter: file:///C:/...
  else if (path.starts_with("\\\\")) uri += "//";        // a share: file:////server/share/...
  else if (path.starts_with("/")) uri += "//";
  for (char c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\\') uri += '/';
    else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
             c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || c == ':')
      uri += c;
    else {
      uri += '%';
      uri += hex[u >> 4];
      uri += hex[u & 15];
    }
  }
  return uri + "?immutable=1";
}

void Bind(sqlite3_stmt* statement, int index, const TSQLValue& value, int& rc) {
  struct Binder {
    sqlite3_stmt* s;
    int i;
    int operator()(std::monostate) const { return sqlite3_bind_null(s, i); }
    int operator()(std::int64_t v) const { return sqlite3_bind_int64(s, i, v); }
    int operator()(double v) const { return sqlite3_bind_double(s, i, v); }
    int operator()(const std::string& v) const {
      return sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    int operator()(const TSQLBlob& v) const {
      return sqlite3_bind_blob(s, i, v.Bytes.data(), static_cast<int>(v.Bytes.size()),
                               SQLITE_TRANSIENT);
    }
  };
  rc = std::visit(Binder{statement, index}, value);
}

}  // namespace

std::string SQLiteErrorText(int code) {
  if (code >= 0 && code < static_cast<int>(kErrorTexts.size())) return kErrorTexts[code];
  if (code == SQLITE_ROW) return "sqlite3_step() has another row ready";
  if (code == SQLITE_DONE) return "sqlite3_step() has finished executing";
  return "Unknown SQLite Error Code \"" + std::to_string(code) + "\"";
}

std::string SQLiteErrorMessage(std::string_view base, int code, std::string_view sql,
                               std::string_view message) {
  std::string text(base);
  text += ".\rError [" + std::to_string(code) + "]: " + SQLiteErrorText(code) + ".\r\"";
  text += sql;
  text += "\": ";
  text += message;
  return text;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

TSQLiteDatabase::TSQLiteDatabase(std::string fileName, TSQLiteOpen mode)
    : fileName_(std::move(fileName)) {
  int flags = 0;
  std::string target = fileName_;
  switch (mode) {
    case TSQLiteOpen::ReadOnly: flags = SQLITE_OPEN_READONLY; break;
    case TSQLiteOpen::Unchanging:
      flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      target = UnchangingUri(fileName_);
      break;
    case TSQLiteOpen::ReadWrite: flags = SQLITE_OPEN_READWRITE; break;
    case TSQLiteOpen::Create: flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
  }
  // A connection is used by one thread at a time: no lock around every call.
  const int rc = sqlite3_open_v2(target.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "unknown error";
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw ESQLiteException("Failed to open database \"" + fileName_ + "\" : " + message);
  }
}

TSQLiteDatabase::~TSQLiteDatabase() {
  if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db_);
}

void TSQLiteDatabase::RaiseError(std::string_view base, std::string_view sql) const {
  const int code = sqlite3_errcode(db_);
  const char* message = sqlite3_errmsg(db_);
  if (code != SQLITE_OK && message && *message) {
    // Busy or locked: another connection (the browser) holds the file.
    const int primary = code & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
      throw EDatabaseLocked(SQLiteErrorMessage(base, code, sql, message));
    throw ESQLiteException(SQLiteErrorMessage(base, code, sql, message));
  }
  throw ESQLiteException(std::string(base));
}

TSQLiteUniTable TSQLiteDatabase::Query(std::string_view sql, std::span<const TSQLValue> params) {
  return TSQLiteUniTable(*this, sql, params);
}

int TSQLiteDatabase::Execute(std::string_view sql, std::span<const TSQLValue> params) {
  TSQLiteUniTable table(*this, sql, params);
  while (!table.Eof()) table.Next();
  return sqlite3_changes(db_);
}

void TSQLiteDatabase::ExecuteScript(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
    RaiseError("Error executing SQL", sql);
}

void TSQLiteDatabase::BeginTransaction() {
  Execute("BEGIN EXCLUSIVE");
  inTransaction_ = true;
}

void TSQLiteDatabase::Commit() {
  Execute("COMMIT");
  inTransaction_ = false;
}

void TSQLiteDatabase::Rollback() {
  inTransaction_ = false;
  Execute("ROLLBACK");
}

bool TSQLiteDatabase::TableExists(std::string_view table) {
  const TSQLValue name = std::string(table);
  return !Query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                {&name, 1})
              .Eof();
}

std::vector<std::string> TSQLiteDatabase::Columns(std::string_view table) {
  const TSQLValue name = std::string(table);
  std::vector<std::string> columns;
  for (TSQLiteUniTable t = Query("SELECT name FROM pragma_table_info(?1)", {&name, 1}); !t.Eof();
       t.Next())
    columns.push_back(t.FieldAsString(0));
  return columns;
}

TSQLiteUniTable::TSQLiteUniTable(TSQLiteDatabase& database, std::string_view sql,
                                 std::span<const TSQLValue> params)
    : database_(&database), sql_(sql) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(database.Handle(), sql_.c_str(), static_cast<int>(sql_.size()),
                         &statement_, &tail) != SQLITE_OK) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    database.RaiseError("Error executing SQL", sql_);
  }
  if (!statement_) database.RaiseError("Could not prepare SQL statement", sql_);
  try {
    for (std::size_t i = 0; i < params.size(); ++i) {
      int rc = SQLITE_OK;
      Bind(statement_, static_cast<int>(i + 1), params[i], rc);
      if (rc != SQLITE_OK) database.RaiseError("Error executing SQL", sql_);
    }
    const int count = sqlite3_column_count(statement_);
    names_.reserve(count);
    types_.reserve(count);
    for (int i = 0; i < count; ++i) {
      const char* name = sqlite3_column_name(statement_, i);
      const char* type = sqlite3_column_decltype(statement_, i);
      names_.push_back(UpperAscii(name ? name : ""));
      types_.emplace_back(type ? type : "");
    }
    Step();
  } catch (...) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    throw;
  }
}

TSQLiteUniTable::TSQLiteUniTable(TSQLiteUniTable&& other) noexcept
    : database_(other.database_),
      statement_(std::exchange(other.statement_, nullptr)),
      sql_(std::move(other.sql_)),
      names_(std::move(other.names_)),
      types_(std::move(other.types_)),
      row_(other.row_),
      eof_(other.eof_) {}

TSQLiteUniTable::~TSQLiteUniTable() { sqlite3_finalize(statement_); }

void TSQLiteUniTable::Step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) {
    eof_ = false;
    ++row_;
  } else if (rc == SQLITE_DONE) {
    eof_ = true;
  } else {
    eof_ = true;
    sqlite3_reset(statement_);
    database_->RaiseError("Could not retrieve data", sql_);
  }
}

void TSQLiteUniTable::Next() {
  if (!eof_) Step();
}

int TSQLiteUniTable::FieldIndex(std::string_view name) const {
  if (names_.empty())
    throw ESQLiteException("Field " + std::string(name) + " Not found. Empty dataset");
  const std::string wanted = UpperAscii(name);
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == wanted) return static_cast<int>(i);
  throw ESQLiteException("Field not found in dataset: " + std::string(name));
}

std::string TSQLiteUniTable::FieldAsString(int index) const {
  const unsigned char* text = sqlite3_column_text(statement_, index);
  if (!text) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<std::size_t>(sqlite3_column_bytes(statement_, index)));
}

std::string_view TSQLiteUniTable::FieldAsView(int index) const {
  const unsigned char* text = sqlite3_column_text(statement_, index);
  if (!text) return {};
  return std::string_view(reinterpret_cast<const char*>(text),
                          static_cast<std::size_t>(sqlite3_column_bytes(statement_, index)));
}

TSQLField TSQLiteUniTable::Field(int index) const {
  return TSQLField(*this, sqlite3_column_value(statement_, index));
}

void TSQLiteUniTable::RaiseOutOfMemory() const {
  throw ESQLiteException(
      SQLiteErrorMessage("Could not retrieve data", SQLITE_NOMEM, sql_, "out of memory"));
}

TSQLType TSQLField::Type() const { return static_cast<TSQLType>(sqlite3_value_type(value_)); }

std::int64_t TSQLField::AsInteger() const { return sqlite3_value_int64(value_); }

double TSQLField::AsReal() const { return sqlite3_value_double(value_); }

void TSQLField::AppendTo(std::string& out) const {
  switch (sqlite3_value_type(value_)) {
    case SQLITE_NULL: return;
    case SQLITE_INTEGER: {
      // SQLite would convert the value in place, into a buffer of its own, to hand out its text.
      char digits[24];
      const std::to_chars_result end =
          std::to_chars(digits, digits + sizeof digits, sqlite3_value_int64(value_));
      out.append(digits, end.ptr);
      return;
    }
    default: {
      const unsigned char* text = sqlite3_value_text(value_);
      if (!text) table_->RaiseOutOfMemory();
      out.append(reinterpret_cast<const char*>(text),
                 static_cast<std::size_t>(sqlite3_value_bytes(value_)));
    }
  }
}

std::int64_t TSQLiteUniTable::FieldAsInteger(int index) const {
  return sqlite3_column_int64(statement_, index);
}

double TSQLiteUniTable::FieldAsReal(int index) const {
  return sqlite3_column_double(statement_, index);
}

TSQLType TSQLiteUniTable::FieldType(int index) const {
  return static_cast<TSQLType>(sqlite3_column_type(statement_, index));
}

TSQLValue TSQLiteUniTable::FieldValue(int index) const {
  switch (sqlite3_column_type(statement_, index)) {
    case SQLITE_INTEGER: return sqlite3_column_int64(statement_, index);
    case SQLITE_FLOAT: return sqlite3_column_double(statement_, index);
    case SQLITE_TEXT: return FieldAsString(index);
    case SQLITE_BLOB: {
      const void* data = sqlite3_column_blob(statement_, index);
      const int size = sqlite3_column_bytes(statement_, index);
      return TSQLBlob{data ? std::string(static_cast<const char*>(data), size) : std::string()};
    }
    default: return std::monostate{};
  }
}

}  // namespace tw
