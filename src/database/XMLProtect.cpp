#include "database/XMLProtect.h"

#include <windows.h>

#include "platform/Text.h"
#include "support/FileIO.h"
#include "support/Utf8.h"

namespace tw {
namespace {

// The deciphered document is UTF-8. One saved by an earlier version on a system whose code page
// was not UTF-8 holds its text in that code page: text that is not valid UTF-8 is read that way
// (and the next save writes it as UTF-8).
std::string DocumentText(std::string bytes) {
  return IsValidUtf8(bytes) ? bytes : WideToUtf8(Widen(bytes));
}

}  // namespace

bool TXMLProtect::LoadDocument(const std::string& fileName, TXmlDocument& document,
                               bool isProtected, const TCrypter& crypter) {
  if (!isProtected) return document.LoadFile(fileName);
  return document.LoadXML(DocumentText(crypter.Decrypt(ReadWholeFile(fileName))));
}

void TXMLProtect::SaveDocument(const std::string& fileName, const TXmlDocument& document,
                               bool isProtected, const TCrypter& crypter) {
  if (isProtected) {
    WriteFileAtomic(fileName, crypter.Encrypt(document.Xml()));
    return;
  }
  const std::string temp = fileName + ".tmp~";
  try {
    document.SaveFile(temp);
  } catch (...) {
    ::DeleteFileA(temp.c_str());
    throw;
  }
  CommitTempFile(temp, fileName);
}

}  // namespace tw
