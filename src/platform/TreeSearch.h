#pragma once
// Finding a file anywhere below a folder with the debugging helper library's tree search.
#include <string>

namespace tw {

// The full path of the first file named FileName found in Root or below it; empty when there is
// none, or when "dbghelp.dll" or one of its exports SearchTreeForFile and FindExecutableImage
// is missing (the library is loaded on first use and kept). Calls are serialised: the library
// is not safe for concurrent use.
std::string SearchTreeForFile(const std::string& root, const std::string& fileName);

}  // namespace tw
