// The baseline of bench/scan_files: the file cleaner's enumeration calls with nothing around
// them. Per folder and per pattern: the pattern pass over the files, then the "*.*" pass over
// the subfolders, entering each one. Keeps every finding's path and size, as a scan must, and
// prints its peak working set beside the count ("peak", bytes).
//   bare_walk.exe FOLDER PATTERNS      (PATTERNS separated by ";", e.g. "*.tmp")
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Finding {
  std::string text;
  std::int64_t size;
};

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(';', start)) != std::string::npos; start = end + 1)
    out.push_back(text.substr(start, end - start));
  out.push_back(text.substr(start));
  return out;
}

void Walk(const std::string& folder, const std::vector<std::string>& patterns,
          std::vector<Finding>& found) {
  for (const std::string& pattern : patterns) {
    WIN32_FIND_DATAA entry;
    HANDLE files = ::FindFirstFileA((folder + pattern).c_str(), &entry);
    if (files != INVALID_HANDLE_VALUE) {
      do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (entry.dwFileAttributes & 0x3F))
          found.push_back({folder + entry.cFileName,
                           static_cast<std::int64_t>((std::uint64_t{entry.nFileSizeHigh} << 32) |
                                                     entry.nFileSizeLow)});
      } while (::FindNextFileA(files, &entry));
      ::FindClose(files);
    }
    HANDLE folders = ::FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (folders == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = entry.cFileName;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != ".." &&
          !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        Walk(folder + name + "\\", patterns, found);
    } while (::FindNextFileA(folders, &entry));
    ::FindClose(folders);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: bare_walk FOLDER PATTERNS\n", stderr);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  std::vector<Finding> found;
  Walk(folder, Split(argv[2]), found);
  std::int64_t size = 0;
  for (const Finding& finding : found) size += finding.size;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  std::printf("{\"count\":%zu,\"size\":%lld,\"peak\":%llu}\n", found.size(), static_cast<long long>(size),
              static_cast<unsigned long long>(counters.PeakWorkingSetSize));
  return 0;
}
