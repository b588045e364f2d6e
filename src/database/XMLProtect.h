#pragma once
// The scan database on disk: plain XML, or the whole text enciphered (no header, no trailer).
#include <string>

#include "containers/Crypter.h"
#include "database/XmlDom.h"

namespace tw {

class TXMLProtect {
 public:
  // Protected: the file is deciphered, read as UTF-8 text and parsed from memory; otherwise the
  // DOM loads the file itself. Returns the parser's success flag; raises when the file cannot be read.
  static bool LoadDocument(const std::string& fileName, TXmlDocument& document, bool isProtected,
                           const TCrypter& crypter = Crypter());
  // Writes the document (its UTF-8 text enciphered when Protected) to a temporary file and
  // renames it over FileName, so a failure leaves the old file whole.
  static void SaveDocument(const std::string& fileName, const TXmlDocument& document,
                           bool isProtected, const TCrypter& crypter = Crypter());
};

}  // namespace tw
