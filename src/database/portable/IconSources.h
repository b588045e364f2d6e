#pragma once
// The text rules of icon resolution: which of a node's icon sources is tried how, and how a
// browser's command line names its program. The platform steps are in database/IconExtractor.
#include <string>
#include <string_view>

namespace tw {

// The program a command line starts: a command that begins with a double quote gives the text
// between its first two double quotes (the whole rest when there is no second one); otherwise a
// command with a blank after its first character gives the text before the first blank;
// otherwise the whole command.
std::string CommandProgram(std::string_view command);

// The file-name part of a path: the text after the last "\" or ":".
std::string PathFileName(std::string_view path);

// The default browser's kind by its program path, the file name compared without regard to
// letter case: 2 "AOLDesktop.exe", 3 "AOLExplorer.exe", 4 "msn6.exe", 1 anything else.
int BrowserKindOf(std::string_view programPath);

// How an icon source is resolved.
enum class TIconSourceKind {
  Path,           // no "CSIDL_": an environment-macro path or a bare program name
  FolderMacro,    // "CSIDL_NAME\sub": a path under a special folder
  SpecialFolder,  // "CSIDL_NAME": the special folder itself
};
TIconSourceKind IconSourceKindOf(std::string_view source);

// The programs whose place an item's path only hints at.
enum class TIconProbe {
  Plain,                  // the path itself, or the program looked up by its name
  FlashUtil,              // the first "FlashUtil*.exe" in the system's Flash folder
  GoogleToolbarNotifier,  // "GoogleToolbarNotifier.exe" anywhere under the path's folder
  Javaws,                 // "javaws.exe" anywhere under the path's folder
};
TIconProbe IconProbeOf(std::string_view path);
// The file a tree search looks for (empty for Plain and FlashUtil).
std::string_view ProbeFileName(TIconProbe probe);

// A registry command value cut for use as a path: one that begins with a double quote becomes the
// text between its first two double quotes; any other stays as it is.
std::string FirstQuoted(std::string_view value);

// The folder part of a path, without its trailing "\" (empty when there is none).
std::string PathFolder(std::string_view path);

}  // namespace tw
