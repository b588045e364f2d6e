#include "ui/dialogs/BrowserHost.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ole2.h>
#include <shellapi.h>

#include "platform/Com.h"
#include "platform/Text.h"
#include "support/FileIO.h"
#include "support/LogFile.h"
#include "ui/components/Window.h"

namespace tw {
namespace {

// The HTML document class: creating it proves that a browser engine is installed.
const CLSID kClsidHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

}  // namespace

void OpenInBrowser(const std::string& url) {
  ::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The container side of the control: client site, in-place site and frame, UI handler, and the
// receiver of the control's events. Its lifetime is counted by COM; the host holds one reference.
class TBrowserHost::TSite final : public IOleClientSite,
                                  public IOleInPlaceSite,
                                  public IOleInPlaceFrame,
                                  public IDocHostUIHandler,
                                  public IDispatch {
 public:
  TSite(HWND parent, const RECT& bounds) : parent_(parent), bounds_(bounds) {}

  bool Start() {
    ComPtr<IUnknown> engine;
    if (FAILED(::CoCreateInstance(kClsidHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  engine.put_void())))
      return false;
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  object_.put_void())))
      return false;
    if (FAILED(object_->SetClientSite(this))) return false;
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, parent_, &bounds_))) return false;
    if (FAILED(object_->QueryInterface(IID_IWebBrowser2, browser_.put_void()))) return false;
    browser_->put_Silent(VARIANT_TRUE);
    ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(browser_->QueryInterface(IID_IConnectionPointContainer, container.put_void())) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.put())))
      events_->Advise(static_cast<IDispatch*>(this), &cookie_);
    return true;
  }

  void Stop() {
    if (events_ && cookie_) events_->Unadvise(cookie_);
    events_ = ComPtr<IConnectionPoint>();
    browser_ = ComPtr<IWebBrowser2>();
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
    }
    object_ = ComPtr<IOleObject>();
  }

  bool Navigate(const std::string& path) {
    if (!browser_) return false;
    BStr url(::SysAllocString(Widen(path).c_str()));
    VARIANT empty;
    ::VariantInit(&empty);
    return SUCCEEDED(browser_->Navigate(url.get(), &empty, &empty, &empty, &empty));
  }

  // IUnknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) *out = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDocHostUIHandler) *out = static_cast<IDocHostUIHandler*>(this);
    else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) *out = static_cast<IDispatch*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IOleClientSite.
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow.
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = parent_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite.
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = bounds_;
    *clip = bounds_;
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame.
  STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler: no context menu, no border, no scroll bars, no help menu.
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_DIALOG |
                    DOCHOSTUIFLAG_DISABLE_HELP_MENU;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    *key = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget**) override { return E_NOTIMPL; }
  STDMETHODIMP GetExternal(IDispatch** external) override {
    *external = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
    *out = nullptr;
    return S_FALSE;
  }

  // IDispatch: the control's events.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    // NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl): arguments arrive in reverse.
    if (id == DISPID_NEWWINDOW3 && params && params->cArgs >= 5) {
      VARIANT& cancel = params->rgvarg[3];
      if ((cancel.vt & VT_BYREF) && cancel.pboolVal) *cancel.pboolVal = VARIANT_TRUE;
      const VARIANT& url = params->rgvarg[0];
      if (url.vt == VT_BSTR && url.bstrVal) OpenInBrowser(Narrow(url.bstrVal));
    }
    return S_OK;
  }

 private:
  LONG refs_ = 1;
  HWND parent_;
  RECT bounds_;
  ComPtr<IOleObject> object_;
  ComPtr<IWebBrowser2> browser_;
  ComPtr<IConnectionPoint> events_;
  DWORD cookie_ = 0;
};

std::unique_ptr<TBrowserHost> TBrowserHost::Create(HWND parent, const RECT& bounds) {
  std::unique_ptr<TBrowserHost> host(new TBrowserHost());
  host->site_ = new TSite(parent, bounds);
  try {
    if (host->site_->Start()) return host;
  } catch (...) {
    LogBoundaryError("TBrowserHost.Create");
  }
  return nullptr;
}

TBrowserHost::~TBrowserHost() {
  if (site_) {
    site_->Stop();
    site_->Release();
  }
  if (!pageFile_.empty()) ::DeleteFileA(pageFile_.c_str());
}

bool TBrowserHost::LoadHtml(const std::string& html) {
  // The page goes through a temporary file, declared in the program's code page.
  char folder[MAX_PATH], name[MAX_PATH];
  if (!::GetTempPathA(MAX_PATH, folder) || !::GetTempFileNameA(folder, "twp", 0, name)) return false;
  ::DeleteFileA(name);  // the unique name, with the ending that makes it a page
  if (!pageFile_.empty()) ::DeleteFileA(pageFile_.c_str());
  pageFile_ = std::string(name) + ".htm";
  const std::string charset = ::GetACP() == CP_UTF8 ? "utf-8" : "windows-" + std::to_string(::GetACP());
  const std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                           charset + "\"></head><body style=\"margin:0;font-family:Tahoma,sans-serif;"
                           "font-size:11px\" onselectstart=\"return false\">" + html + "</body></html>";
  try {
    WriteFileAtomic(pageFile_, page);
  } catch (...) {
    LogBoundaryError("TBrowserHost.LoadHtml");
    return false;
  }
  return site_->Navigate(pageFile_);
}

}  // namespace tw
