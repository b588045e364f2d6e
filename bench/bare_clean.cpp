// The baseline of bench/clean_files: the plainest walk that empties a folder with the ANSI calls
// and nothing around them. Per folder: one enumeration; every file deleted (its read-only bit
// cleared first when the entry shows one), every subfolder emptied the same way and removed.
// The folder itself stays, as a clean of what was listed inside it leaves it.
//   bare_clean.exe FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Counts {
  long files = 0, folders = 0, failed = 0;
};

void Empty(const std::string& folder, Counts& counts) {
  WIN32_FIND_DATAA entry;
  HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) Empty(path + "\\", counts);
      if (::RemoveDirectoryA(path.c_str())) ++counts.folders;
      else ++counts.failed;
    } else {
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      if (::DeleteFileA(path.c_str())) ++counts.files;
      else ++counts.failed;
    }
  } while (::FindNextFileA(find, &entry));
  ::FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: bare_clean FOLDER\n", stderr);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  Counts counts;
  Empty(folder, counts);
  std::printf("{\"files\":%ld,\"folders\":%ld,\"failed\":%ld}\n", counts.files, counts.folders,
              counts.failed);
  return counts.failed == 0 ? 0 : 1;
}
