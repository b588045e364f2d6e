#include "database/XMLProtect.h"

#include <windows.h>

#include "support/FileIO.h"

namespace tw {

bool TXMLProtect::LoadDocument(const std::string& fileName, TXmlDocument& document,
                               bool isProtected, const TCrypter& crypter) {
  if (!isProtected) return document.LoadFile(fileName);
  return document.LoadXML(crypter.Decrypt(ReadWholeFile(fileName)));
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
