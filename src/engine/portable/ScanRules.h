#pragma once
// The rules by which a scan picks the database items of a cleaning mode and collects the
// programs to close, as text functions.
#include <string>
#include <string_view>

namespace tw {

// Whether the group with GroupId is walked in Mode (the registry mode walks "g00" and the
// custom places, "gcustom", only).
bool GroupTakesPart(int mode, std::string_view groupId);
// Whether an item takes part in Mode: never when Enabled is "false"; in the picked modes
// (5 and 7) when Checked is "true"; in the others when ModeText has "1" at position Mode
// (counted from 1).
bool ItemTakesPart(int mode, std::string_view enabled, std::string_view modeText,
                   std::string_view checked);
// The program an icon field names: its file-name part (after the last "\" or ":"), lower-cased,
// when it contains ".exe" and is not one of the programs that are never closed; else empty.
std::string IconProgram(std::string_view iconField);
// Items whose icons never add programs to close ("g05-i01" to "g05-i06").
bool IconProgramsIgnored(std::string_view itemId);
// Whether the message of the error that ended a scan only says that the place the object looks
// at is not there (a folder, a profile, a program or a key that does not exist): nothing to
// list, rather than something that could not be read.
bool ErrorMeansAbsent(std::string_view message);

}  // namespace tw
