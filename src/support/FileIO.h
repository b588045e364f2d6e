#pragma once
// Whole-file reading and crash-safe writing of the files the program owns.
#include <string>
#include <string_view>

namespace tw {

bool FileExists(const std::string& fileName);

// The whole file; others may read it meanwhile but not write. Raises EFOpenError.
std::string ReadWholeFile(const std::string& fileName);

// Writes Data to a temporary file beside FileName, flushes it and renames it over FileName, so
// that the old file stays whole until the new one is complete. Raises EFCreateError/EInOutError.
void WriteFileAtomic(const std::string& fileName, std::string_view data);

// As WriteFileAtomic, but never replaces a file: false, and nothing written, when FileName
// exists by the time the new file is complete. Writers racing for one name cannot both win.
bool WriteNewFileAtomic(const std::string& fileName, std::string_view data);

// Renames the finished temporary file Temp over FileName (replacing it); on failure Temp is
// deleted and EInOutError raised, and FileName is left as it was.
void CommitTempFile(const std::string& temp, const std::string& fileName);

}  // namespace tw
