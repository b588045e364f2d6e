#include "database/XMLProtect.h"

#include <windows.h>

#include "platform/Text.h"
#include "support/FileIO.h"

namespace tw {
namespace {

// The deciphered document is UTF-8. One saved by an earlier version on a system whose code page
// was not UTF-8 holds its text in that code page: text that is not valid UTF-8 is read that way
// (and the next save writes it as UTF-8).
std::string DocumentText(std::string bytes) {
  const int size = static_cast<int>(bytes.size());
  if (size == 0 || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0) > 0)
    return bytes;
  const std::wstring wide = Widen(bytes);
  const int wsize = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wsize, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wsize, out.data(), n, nullptr, nullptr);
  return out;
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
