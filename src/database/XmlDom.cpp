#include "database/XmlDom.h"

#include "platform/Text.h"
#include "support/Format.h"
#include "support/LogFile.h"

namespace tw {
namespace {

// {88D96A05-F192-11D4-A65F-0040963251E5}
constexpr CLSID kDomDocument60 = {0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
// {88D969C0-F192-11D4-A65F-0040963251E5}
constexpr CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
// {F6D90F11-9C73-11D3-B32E-00C04F990BB4}
constexpr CLSID kDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// {2933BF95-7B36-11D2-B20E-00C04F983E60}
constexpr IID kIXMLDOMDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// {2933BF86-7B36-11D2-B20E-00C04F983E60}
constexpr IID kIXMLDOMElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

void DomCheck(HRESULT hr) {
  if (FAILED(hr)) throw EXMLDocError(HResultMessage(hr));
}

// The document's text is UTF-8 on this side of the DOM whatever the process's code page, so
// accented and CJK names read, written and saved back unchanged on every Windows version.
std::wstring FromUtf8(std::string_view text) { return Utf8ToWide(text); }
std::string ToUtf8(std::wstring_view text) { return WideToUtf8(text); }

std::string ToUtf8(const BStr& text) {
  return text.get() ? ToUtf8(std::wstring_view(text.get(), ::SysStringLen(text.get()))) : std::string();
}

bool IsWhitespace(const std::wstring_view text) {
  return text.find_first_not_of(L" \t\r\n") == std::wstring_view::npos;
}

// Calls Fn for every child except whitespace-only text; stops when Fn returns false.
template <class Fn>
void ForEachChild(IXMLDOMNode* node, Fn&& fn) {
  if (!node) return;
  ComPtr<IXMLDOMNode> child;
  node->get_firstChild(child.put());
  while (child) {
    DOMNodeType type = NODE_INVALID;
    child->get_nodeType(&type);
    bool skip = false;
    if (type == NODE_TEXT) {
      BStr text;
      child->get_text(text.put());
      skip = !text.get() || IsWhitespace(std::wstring_view(text.get(), ::SysStringLen(text.get())));
    }
    if (!skip && !fn(child)) return;
    ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(next.put());
    child = std::move(next);
  }
}

}  // namespace

std::string TXmlNode::Name() const {
  if (!node_) return {};
  BStr name;
  DomCheck(node_->get_nodeName(name.put()));
  return ToUtf8(name);
}

bool TXmlNode::IsElement() const {
  DOMNodeType type = NODE_INVALID;
  return node_ && SUCCEEDED(node_->get_nodeType(&type)) && type == NODE_ELEMENT;
}

std::optional<std::string> TXmlNode::AttrOpt(const char* name) const {
  ComPtr<IXMLDOMElement> element = node_.query<IXMLDOMElement>(kIXMLDOMElement);
  if (!element) return std::nullopt;
  ComPtr<IXMLDOMAttribute> attr;
  BStr bname{FromUtf8(name)};
  if (element->getAttributeNode(bname.get(), attr.put()) != S_OK || !attr) return std::nullopt;
  Variant value;
  DomCheck(attr->get_nodeValue(value.get()));
  if (value.get()->vt != VT_BSTR) return std::string();
  BSTR b = value.get()->bstrVal;
  return ToUtf8(std::wstring_view(b, ::SysStringLen(b)));
}

std::string TXmlNode::Attr(const char* name) const {
  if (auto value = AttrOpt(name)) return *value;
  throw EXMLAttributeError(Format("Attribute \"%s\" of element \"%s\" not found.", name, Name()));
}

void TXmlNode::SetAttr(const char* name, const std::string& value) {
  ComPtr<IXMLDOMElement> element = node_.query<IXMLDOMElement>(kIXMLDOMElement);
  if (!element) throw EXMLDocError(Format("\"%s\" is not an element.", Name()));
  BStr bname{FromUtf8(name)};
  BStr bvalue{FromUtf8(value)};
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = bvalue.get();  // borrowed: bvalue frees it
  DomCheck(element->setAttribute(bname.get(), v));
}

std::vector<TXmlNode> TXmlNode::Children() const {
  std::vector<TXmlNode> out;
  ForEachChild(node_.get(), [&](const ComPtr<IXMLDOMNode>& child) {
    out.emplace_back(child);
    return true;
  });
  return out;
}

int TXmlNode::ChildCount() const {
  int n = 0;
  ForEachChild(node_.get(), [&](const ComPtr<IXMLDOMNode>&) {
    ++n;
    return true;
  });
  return n;
}

TXmlNode TXmlNode::Child(int index) const {
  TXmlNode found;
  int n = 0;
  if (index < 0) return found;
  ForEachChild(node_.get(), [&](const ComPtr<IXMLDOMNode>& child) {
    if (n++ == index) {
      found = TXmlNode(child);
      return false;
    }
    return true;
  });
  return found;
}

TXmlNode TXmlNode::Parent() const {
  ComPtr<IXMLDOMNode> parent;
  if (node_) node_->get_parentNode(parent.put());
  return TXmlNode(std::move(parent));
}

std::string TXmlParseError::Message() const {
  return Format("errorCode=%d line=%d linepos=%d filepos=%d url=%s reason=%s srcText=%s",
                errorCode, line, linePos, filePos, url, reason, srcText);
}

TXmlDocument TXmlDocument::Create(TFileLogFile& log) {
  struct Attempt {
    const CLSID& clsid;
    const char* logFormat;
  };
  const Attempt attempts[] = {
      {kDomDocument60, "[TXMLDatabase.Load (CLASS_DOMDocument60)] %s %s"},
      {kDomDocument40, "[TXMLDatabase.Load (CLASS_DOMDocument40)] %s %s"},
      {kDomDocument, nullptr},
  };
  TXmlDocument doc;
  for (const Attempt& attempt : attempts) {
    HRESULT hr = ::CoCreateInstance(attempt.clsid, nullptr, CLSCTX_INPROC_SERVER,
                                    kIXMLDOMDocument2, doc.doc_.put_void());
    if (SUCCEEDED(hr) && doc.doc_) break;
    doc.doc_.reset();
    EOleSysError error(HResultMessage(hr));
    if (!attempt.logFormat) throw error;
    log.Write(attempt.logFormat, error.ClassName(), error.Message());
  }
  DomCheck(doc.doc_->put_async(VARIANT_FALSE));
  DomCheck(doc.doc_->put_validateOnParse(VARIANT_FALSE));
  DomCheck(doc.doc_->put_resolveExternals(VARIANT_FALSE));
  DomCheck(doc.doc_->put_preserveWhiteSpace(VARIANT_TRUE));
  return doc;
}

bool TXmlDocument::LoadFile(const std::string& fileName) {
  Variant source{std::string_view(fileName)};
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = doc_->load(*source.get(), &ok);
  return SUCCEEDED(hr) && ok == VARIANT_TRUE;
}

bool TXmlDocument::LoadXML(std::string_view text) {
  BStr xml{FromUtf8(text)};
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = doc_->loadXML(xml.get(), &ok);
  return SUCCEEDED(hr) && ok == VARIANT_TRUE;
}

TXmlParseError TXmlDocument::ParseError() const {
  TXmlParseError out;
  ComPtr<IXMLDOMParseError> error;
  if (FAILED(doc_->get_parseError(error.put())) || !error) return out;
  error->get_errorCode(&out.errorCode);
  error->get_line(&out.line);
  error->get_linepos(&out.linePos);
  error->get_filepos(&out.filePos);
  BStr url, reason, src;
  error->get_url(url.put());
  error->get_reason(reason.put());
  error->get_srcText(src.put());
  out.url = url.ToAnsi();
  out.reason = reason.ToAnsi();
  out.srcText = ToUtf8(src);
  return out;
}

std::string TXmlDocument::Xml() const {
  BStr xml;
  DomCheck(doc_->get_xml(xml.put()));
  return ToUtf8(xml);
}

void TXmlDocument::SaveFile(const std::string& fileName) const {
  Variant target{std::string_view(fileName)};
  DomCheck(doc_->save(*target.get()));
}

TXmlNode TXmlDocument::Root() const {
  ComPtr<IXMLDOMElement> root;
  if (doc_) doc_->get_documentElement(root.put());
  if (!root) return TXmlNode();
  ComPtr<IXMLDOMNode> node;
  root->QueryInterface(IID_IXMLDOMNode, node.put_void());
  return TXmlNode(std::move(node));
}

}  // namespace tw
