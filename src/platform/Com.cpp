#include "platform/Com.h"

#include "platform/Text.h"
#include "support/Format.h"

namespace tw {

std::string HResultMessage(HRESULT hr) {
  std::string text = SysErrorMessage(static_cast<unsigned long>(hr));
  if (text.empty()) text = Format("OLE error %X", static_cast<unsigned long long>(static_cast<ULONG>(hr)));
  return text;
}

void OleCheck(HRESULT hr) {
  if (FAILED(hr)) throw EOleSysError(HResultMessage(hr));
}

BStr::BStr(std::wstring_view text)
    : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!b_) throw std::bad_alloc();
}

BStr::BStr(std::string_view ansi) : BStr(std::wstring_view(Widen(ansi))) {}

std::string BStr::ToAnsi() const {
  return b_ ? Narrow(std::wstring_view(b_, ::SysStringLen(b_))) : std::string();
}

Variant::Variant(std::string_view ansi) {
  ::VariantInit(&v_);
  std::wstring wide = Widen(ansi);
  v_.bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!v_.bstrVal) throw std::bad_alloc();
  v_.vt = VT_BSTR;
}

ComApartment::ComApartment(DWORD model)
    : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, model))) {}

ComApartment::~ComApartment() {
  if (initialised_) ::CoUninitialize();
}

}  // namespace tw
