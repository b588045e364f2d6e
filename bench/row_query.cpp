// Prints the statements the Firefox history scan runs on a places.sqlite, so that
// bench/scan_history can time the sqlite3 command on exactly the same queries.
//   row_query.exe PLACES.SQLITE
#include <cstdio>
#include <string>

#include "cleaners/browsers/portable/BrowserTables.h"
#include "cleaners/browsers/portable/SQLite.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  try {
    tw::TSQLiteDatabase database(argv[1], tw::TSQLiteOpen::ReadOnly);
    for (const tw::TRowSource& source : tw::FirefoxHistorySources()) {
      // The scan first reads the table's columns (the name bound as a parameter), then its rows.
      std::printf("SELECT name FROM pragma_table_info('%s');\n", source.Table);
      const std::string query = tw::RowQuery(database, source);
      if (query.empty()) return 1;
      std::printf("%s;\n", query.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "row_query: %s\n", e.what());
    return 1;
  }
  return 0;
}
