#pragma once
// The methods a scan database action may name. The engine owns the table's shape: for each
// method, the attributes its Action must carry (read in this order, all present) and the
// programs that hold what it cleans. The work-object classes themselves belong to the cleaners,
// which hand the scan manager one builder per method they implement (cleaners/WorkObjectBuilders.h);
// a method without a builder adds its programs and builds nothing.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "database/XmlDom.h"
#include "engine/CustomWorkObject.h"

namespace tw {

// What every work object of one action is built from.
struct TWorkObjectInit {
  HWND handle = nullptr;
  TWorkDoneEvent onWorkDone;
  TWorkItemEvent onItem;
  TXmlNode itemNode;
  // The language of texts of the string table that findings show (0 English).
  int language = 0;
};

// The action's attributes named by its row, every one present (empty when the element lacks it).
using TActionParams = std::map<std::string, std::string, std::less<>>;

// Builds the work object of one action and applies the extra settings of its method.
using TWorkObjectBuilder =
    std::function<std::unique_ptr<TWorkObject>(TWorkObjectInit init, const TActionParams& params)>;
// Method name (exact, case-sensitive) to builder.
using TWorkObjectBuilders = std::map<std::string, TWorkObjectBuilder, std::less<>>;

struct TMethodRow {
  const char* method;
  std::span<const char* const> attributes;
  std::span<const char* const> programs;
};

// Every method the database may name, in the table's order.
std::span<const TMethodRow> MethodTable();
// The row of Method; null when no row has that exact name.
const TMethodRow* FindMethod(std::string_view method);

}  // namespace tw
