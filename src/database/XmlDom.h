#pragma once
// A thin view of the MSXML DOM with the operations the program needs. Names, attribute values
// and the document's text are UTF-8 whatever the process's code page; file names are in the
// code page, as everywhere else. Child lists never include whitespace-only text nodes.
#include <msxml2.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "support/LogFile.h"

namespace tw {

// Reading an attribute that an element does not have.
TW_DECLARE_EXCEPTION(EXMLAttributeError, Exception)
// A DOM operation failed, or the document could not be parsed.
TW_DECLARE_EXCEPTION(EXMLDocError, Exception)

class TXmlNode {
 public:
  TXmlNode() = default;
  explicit TXmlNode(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

  explicit operator bool() const { return static_cast<bool>(node_); }
  std::string Name() const;
  bool IsElement() const;

  // Raises EXMLAttributeError when the attribute is absent.
  std::string Attr(const char* name) const;
  std::optional<std::string> AttrOpt(const char* name) const;
  void SetAttr(const char* name, const std::string& value);

  std::vector<TXmlNode> Children() const;
  int ChildCount() const;
  // Null when Index is out of range.
  TXmlNode Child(int index) const;
  TXmlNode Parent() const;

  IXMLDOMNode* Raw() const { return node_.get(); }

 private:
  ComPtr<IXMLDOMNode> node_;
};

struct TXmlParseError {
  long errorCode = 0;
  long line = 0;
  long linePos = 0;
  long filePos = 0;
  std::string url;
  std::string reason;
  std::string srcText;
  // "errorCode=%d line=%d linepos=%d filepos=%d url=%s reason=%s srcText=%s"
  std::string Message() const;
};

class TXmlDocument {
 public:
  // Tries MSXML 6.0, then 4.0, then the version-independent DOMDocument, logging the first two
  // failures; raises the last failure. Sets async, validateOnParse and resolveExternals off, and
  // keeps whitespace so that a document saved without changes keeps its layout.
  static TXmlDocument Create(TFileLogFile& log = LogFile());

  explicit operator bool() const { return static_cast<bool>(doc_); }
  // The parser's success flag. LoadFile reads the bytes itself (their encoding as the document
  // declares it); LoadXML parses UTF-8 text.
  bool LoadFile(const std::string& fileName);
  bool LoadXML(std::string_view text);
  TXmlParseError ParseError() const;

  // The document serialised as UTF-8 text.
  std::string Xml() const;
  // Written in the encoding the document declares (UTF-8 when it declares none).
  void SaveFile(const std::string& fileName) const;

  TXmlNode Root() const;
  IXMLDOMDocument2* Raw() const { return doc_.get(); }

 private:
  ComPtr<IXMLDOMDocument2> doc_;
};

}  // namespace tw
