#pragma once
// COM pointers, BSTRs, VARIANTs and apartment initialisation, each owned by a small RAII type.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "support/Exceptions.h"

namespace tw {

TW_DECLARE_EXCEPTION(EOleSysError, Exception)

// Raises EOleSysError for a failed HRESULT.
void OleCheck(HRESULT hr);
std::string HResultMessage(HRESULT hr);

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference to Raw.
  explicit ComPtr(T* raw) noexcept : p_(raw) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (auto* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Releases what was held, then hands out the address for an out-parameter.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  // Null when the object does not offer the interface.
  template <class U>
  ComPtr<U> query(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, out.put_void());
    return out;
  }

 private:
  T* p_ = nullptr;
};

class BStr {
 public:
  BStr() noexcept = default;
  explicit BStr(std::wstring_view text);
  explicit BStr(std::string_view ansi);
  BStr(const BStr&) = delete;
  BStr& operator=(const BStr&) = delete;
  ~BStr() { ::SysFreeString(b_); }
  BSTR get() const noexcept { return b_; }
  BSTR* put() noexcept {
    ::SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  std::string ToAnsi() const;

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() noexcept { ::VariantInit(&v_); }
  // A VT_BSTR holding the text.
  explicit Variant(std::string_view ansi);
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&v_); }
  VARIANT* get() noexcept { return &v_; }
  VARIANT* put() noexcept {
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// Initialises COM for the calling thread for its lifetime.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED);
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();

 private:
  bool initialised_;
};

}  // namespace tw
