#include <gtest/gtest.h>

#include "database/portable/IconSources.h"

namespace tw {
namespace {

TEST(IconSources, BrowserCommandsNameTheirProgramAndKind) {
  struct Case {
    const char* command;
    const char* program;
    int kind;
  };
  const Case cases[] = {
      // Quoted arguments after the quoted program do not belong to it.
      {"\"C:\\Program Files\\AOL Explorer\\AOLExplorer.exe\" -url \"%1\"",
       "C:\\Program Files\\AOL Explorer\\AOLExplorer.exe", 3},
      {"\"C:\\Program Files\\AOL Explorer\\aolexplorer.EXE\" %1", "C:\\Program Files\\AOL Explorer\\aolexplorer.EXE", 3},
      {"C:\\AOL\\AOLDesktop.exe -u %1", "C:\\AOL\\AOLDesktop.exe", 2},
      {"C:\\MSN6\\MSN6.EXE", "C:\\MSN6\\MSN6.EXE", 4},
      {"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"",
       "C:\\Program Files\\Mozilla Firefox\\firefox.exe", 1},
      {"\"C:\\unterminated\\msn6.exe", "C:\\unterminated\\msn6.exe", 4},
      {"C:\\Browser\\b.exe %1 extra", "C:\\Browser\\b.exe", 1},
      {"", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(CommandProgram(c.command), c.program);
    EXPECT_EQ(BrowserKindOf(CommandProgram(c.command)), c.kind);
  }
  EXPECT_EQ(BrowserKindOf("D:AOLDesktop.exe"), 2);  // a drive without a folder
}

TEST(IconSources, SourcesAreSortedAndPreparedForTheSystem) {
  EXPECT_EQ(IconSourceKindOf("%WINDIR%\\regedit.exe"), TIconSourceKind::Path);
  EXPECT_EQ(IconSourceKindOf("firefox.exe"), TIconSourceKind::Path);
  EXPECT_EQ(IconSourceKindOf("CSIDL_COOKIES"), TIconSourceKind::SpecialFolder);
  EXPECT_EQ(IconSourceKindOf("CSIDL_LOCAL_APPDATA\\Discord\\Update.exe"), TIconSourceKind::FolderMacro);

  EXPECT_EQ(IconProbeOf("C:\\WINDOWS\\system32\\Macromed\\Flash\\FlashUtil.exe"), TIconProbe::FlashUtil);
  EXPECT_EQ(IconProbeOf("C:\\Program Files\\Google\\GoogleToolbarNotifier\\x.exe"),
            TIconProbe::GoogleToolbarNotifier);
  EXPECT_EQ(IconProbeOf("C:\\Program Files\\Java\\bin\\javaws.exe"), TIconProbe::Javaws);
  EXPECT_EQ(IconProbeOf("C:\\Program Files\\Java\\bin\\JAVAWS.EXE"), TIconProbe::Plain);  // as written
  EXPECT_EQ(ProbeFileName(TIconProbe::Javaws), "javaws.exe");
  EXPECT_EQ(PathFolder("C:\\Java\\bin\\javaws.exe"), "C:\\Java\\bin");
  EXPECT_EQ(PathFolder("javaws.exe"), "");
  EXPECT_EQ(PathFileName("C:\\Java\\bin\\javaws.exe"), "javaws.exe");

  EXPECT_EQ(FirstQuoted("\"C:\\Program Files\\App\\app.exe\" \"%1\""), "C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(FirstQuoted("C:\\App\\app.exe"), "C:\\App\\app.exe");
  EXPECT_EQ(FirstQuoted("\"C:\\open"), "C:\\open");
}

}  // namespace
}  // namespace tw
