#pragma once
// The name filters of the registry cleaners: regular expressions separated by ";" (fields as
// in the scan database's lists), each searched anywhere in a name, Perl syntax, case-sensitive
// unless the expression says otherwise.
#include <string>
#include <vector>

namespace tw {

// The names that pass Filter: for each expression in order, each name it finds a match in, in
// the names' order; a name that two expressions match comes twice. An empty filter passes
// every name once. Raises the expression library's error for an expression that does not
// compile.
std::vector<std::string> SelectNames(const std::vector<std::string>& names,
                                     const std::string& filter);

}  // namespace tw
