#pragma once
// A thin layer over SQLite: one connection (TSQLiteDatabase) and forward-only cursors over
// prepared statements (TSQLiteUniTable). Every failure is an ESQLiteException whose text carries
// SQLite's error code, that code's meaning, the SQL and SQLite's own message.
//
// File names are UTF-8. Values are read as text (NULL gives an empty text) or as typed values,
// which can be bound back as parameters.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "support/Exceptions.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace tw {

TW_DECLARE_EXCEPTION(ESQLiteException, Exception)
// The file is held by another program (the browser runs): closing that program helps.
TW_DECLARE_EXCEPTION(EDatabaseLocked, ESQLiteException)

// The meaning of a primary SQLite result code ("The database file is locked" for 5).
std::string SQLiteErrorText(int code);

// The base text completed with the code, its meaning, the SQL and SQLite's message:
// "<base>.\rError [<code>]: <meaning>.\r\"<sql>\": <message>".
std::string SQLiteErrorMessage(std::string_view base, int code, std::string_view sql,
                               std::string_view message);

// A BLOB column value.
struct TSQLBlob {
  std::string Bytes;
  bool operator==(const TSQLBlob&) const = default;
};
// A column value as SQLite stored it: NULL, integer, real, text or BLOB.
using TSQLValue = std::variant<std::monostate, std::int64_t, double, std::string, TSQLBlob>;

// The storage class of a column value (SQLite's own numbering).
enum class TSQLType { Integer = 1, Real = 2, Text = 3, Blob = 4, Null = 5 };

enum class TSQLiteOpen {
  ReadOnly,     // reads; never creates the file
  Unchanging,   // reads a file that nothing writes meanwhile: takes no locks, creates nothing
  ReadWrite,    // reads and writes an existing file; never creates it
  Create,       // reads and writes, creating the file when it is missing
};

class TSQLiteUniTable;

class TSQLiteDatabase {
 public:
  // Raises "Failed to open database \"<file>\" : <SQLite's message>" when the open fails.
  TSQLiteDatabase(std::string fileName, TSQLiteOpen mode);
  // Rolls back an open transaction and closes the connection.
  ~TSQLiteDatabase();
  TSQLiteDatabase(const TSQLiteDatabase&) = delete;
  TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

  // A cursor on the first row of Sql (with its parameters ?1, ?2... bound to Params).
  TSQLiteUniTable Query(std::string_view sql, std::span<const TSQLValue> params = {});
  // Runs one statement to its end; returns the number of rows it changed.
  int Execute(std::string_view sql, std::span<const TSQLValue> params = {});
  // Runs a script of statements without parameters.
  void ExecuteScript(const std::string& sql);

  void BeginTransaction();  // an exclusive one: nobody else reads or writes until it ends
  void Commit();
  void Rollback();
  bool InTransaction() const { return inTransaction_; }

  bool TableExists(std::string_view table);
  // The table's column names as declared; empty when there is no such table.
  std::vector<std::string> Columns(std::string_view table);

  const std::string& FileName() const { return fileName_; }
  sqlite3* Handle() const { return db_; }

  // Raises the base text, completed by the connection's error state when it has one.
  [[noreturn]] void RaiseError(std::string_view base, std::string_view sql) const;

 private:
  std::string fileName_;
  sqlite3* db_ = nullptr;
  bool inTransaction_ = false;
};

class TSQLiteUniTable;

// One column of a cursor's current row, looked up once for everything read from it; valid until
// the cursor moves. What a scan of many rows reads each value with.
class TSQLField {
 public:
  TSQLType Type() const;
  std::int64_t AsInteger() const;
  double AsReal() const;
  // Appends the value's text (nothing for NULL), the same text as FieldAsString; an integer is
  // written out directly. Raises ESQLiteException when SQLite has no memory left for the text.
  void AppendTo(std::string& out) const;

 private:
  friend class TSQLiteUniTable;
  TSQLField(const TSQLiteUniTable& table, sqlite3_value* value) : table_(&table), value_(value) {}
  const TSQLiteUniTable* table_;
  sqlite3_value* value_;
};

// One prepared statement over a database it does not own; a forward-only cursor. The current
// row's columns are read by name (any letter case) or by index.
class TSQLiteUniTable {
 public:
  TSQLiteUniTable(TSQLiteDatabase& database, std::string_view sql,
                  std::span<const TSQLValue> params = {});
  ~TSQLiteUniTable();
  TSQLiteUniTable(TSQLiteUniTable&& other) noexcept;
  TSQLiteUniTable& operator=(TSQLiteUniTable&&) = delete;
  TSQLiteUniTable(const TSQLiteUniTable&) = delete;

  bool Eof() const { return eof_; }
  void Next();

  int FieldCount() const { return static_cast<int>(names_.size()); }
  // Column names, upper-cased, and their declared types (empty for expressions).
  const std::vector<std::string>& FieldNames() const { return names_; }
  const std::vector<std::string>& FieldTypes() const { return types_; }
  // The index of a column; raises "Field <name> Not found. Empty dataset" for a statement
  // without columns and "Field not found in dataset: <name>" for any other unknown name.
  int FieldIndex(std::string_view name) const;

  std::string FieldAsString(std::string_view name) const { return FieldAsString(FieldIndex(name)); }
  std::string FieldAsString(int index) const;
  // The column's text (empty for NULL), valid until the cursor moves.
  std::string_view FieldAsView(int index) const;
  // Appends the column's text to Out (nothing for NULL), without a copy of its own; the same
  // text as FieldAsString.
  void AppendField(int index, std::string& out) const { Field(index).AppendTo(out); }
  TSQLField Field(int index) const;
  std::int64_t FieldAsInteger(int index) const;
  double FieldAsReal(int index) const;
  TSQLType FieldType(int index) const;
  bool FieldIsNull(int index) const { return FieldType(index) == TSQLType::Null; }
  TSQLValue FieldValue(int index) const;
  // Rows stepped to so far (1 on the first row).
  int Row() const { return row_; }

 private:
  friend class TSQLField;
  void Step();
  [[noreturn]] void RaiseOutOfMemory() const;

  TSQLiteDatabase* database_;
  sqlite3_stmt* statement_ = nullptr;
  std::string sql_;
  std::vector<std::string> names_;
  std::vector<std::string> types_;
  int row_ = 0;
  bool eof_ = true;
};

// Text as ASCII upper case (how column names are compared).
std::string UpperAscii(std::string_view text);
// A name quoted for SQL ("name", inner quotes doubled).
std::string QuoteName(std::string_view name);

}  // namespace tw
