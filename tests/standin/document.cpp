#include "tests/standin/document.h"

#include <commctrl.h>
#include <exdispid.h>
#include <olectl.h>

#include <algorithm>
#include <memory>
#include <new>

#include "tests/standin/standin.h"

namespace standin {
namespace {

constexpr wchar_t kViewClass[] = L"QarveloStandinPage";

std::vector<Document*>& LiveDocuments()
{
    static std::vector<Document*> documents;
    return documents;
}

// Strings the COM task allocator handed out.
struct TaskMemoryFree {
    void operator()(wchar_t* text) const { ::CoTaskMemFree(text); }
};
using TaskString = std::unique_ptr<wchar_t, TaskMemoryFree>;

// What a binding describes its request with; released with the object.
struct BindInfo {
    BindInfo() { info.cbSize = sizeof(info); }
    ~BindInfo() { ::ReleaseBindInfo(&info); }
    BindInfo(const BindInfo&) = delete;
    BindInfo& operator=(const BindInfo&) = delete;
    BINDINFO info{};
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Null() { return nullptr; }
    static void Close(Handle key) { ::RegCloseKey(key); }
};

long long HandleNumber(HWND window) { return static_cast<long long>(reinterpret_cast<INT_PTR>(window)); }

// A VARIANT that clears itself.
struct Variant {
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT v;
};

// What a frame of the page hands out as itself in the browser's events: not the browser.
class Frame : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refCount; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG count = --m_refCount;
        if (!count)
            delete this;
        return count;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    virtual ~Frame() = default;
    ULONG m_refCount = 0;
};

// The text of an event's URL argument, which the browser passes by reference.
std::wstring UrlOf(const VARIANT& arg)
{
    const VARIANT* value = arg.vt == (VT_BYREF | VT_VARIANT) ? arg.pvarVal : &arg;
    if (!value || value->vt != VT_BSTR || !value->bstrVal)
        return {};
    return std::wstring(value->bstrVal, ::SysStringLen(value->bstrVal));
}

// A client of the browser's events like any other, connected after the host: it logs, for each
// navigation, the cancel flag as the host's handler left it, and whether it completed or failed.
class BrowserEvents : public IDispatch {
public:
    // Connects one listener to the browser of that top-level window, unless one listens already.
    static void Watch(IWebBrowser2* browser, HWND toplevel)
    {
        ComPtr<IUnknown> identity;
        if (!browser || FAILED(browser->QueryInterface(IID_IUnknown, identity.ReceiveVoid())))
            return;
        for (const BrowserEvents* listener : Listeners()) {
            if (listener->m_browser == identity.Get() && listener->m_toplevel == toplevel)
                return;
        }
        ComPtr<IConnectionPointContainer> points;
        ComPtr<IConnectionPoint> point;
        if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, points.ReceiveVoid())) ||
            FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Receive())))
            return;
        ComPtr<IDispatch> listener =
            ComPtr<IDispatch>::FromBorrowed(new (std::nothrow) BrowserEvents(identity.Get(), toplevel));
        DWORD cookie = 0;
        if (listener)
            point->Advise(listener.Get(), &cookie);
    }

    static bool IsListener(IDispatch* sink)
    {
        const auto& listeners = Listeners();
        return std::find(listeners.begin(), listeners.end(), sink) != listeners.end();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DWebBrowserEvents2)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refCount; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG count = --m_refCount;
        if (!count)
            delete this;
        return count;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
        UINT*) override
    {
        // Arguments come last first: the frame is the highest index.
        const UINT count = params && params->rgvarg ? params->cArgs : 0;
        const VARIANTARG* args = count ? params->rgvarg : nullptr;
        if (member == DISPID_BEFORENAVIGATE2 && count == 7) {
            const bool cancel = args[0].vt == (VT_BYREF | VT_BOOL) && args[0].pboolVal &&
                                *args[0].pboolVal != VARIANT_FALSE;
            Log("before-navigate", args[6], args[5]).Bool("cancel", cancel).Write();
        } else if (member == DISPID_NAVIGATECOMPLETE2 && count == 2) {
            Log("navigate-complete", args[1], args[0]).Write();
        } else if (member == DISPID_NAVIGATEERROR && count == 5) {
            const VARIANT* status = args[1].vt == (VT_BYREF | VT_VARIANT) ? args[1].pvarVal : &args[1];
            const long code = status && status->vt == VT_I4 ? status->lVal : 0;
            Log("navigate-error", args[4], args[3]).Num("status", code).Write();
        }
        return S_OK;
    }

private:
    BrowserEvents(IUnknown* browser, HWND toplevel) : m_browser(browser), m_toplevel(toplevel)
    {
        Listeners().push_back(this);
    }
    virtual ~BrowserEvents()
    {
        auto& listeners = Listeners();
        listeners.erase(std::remove(listeners.begin(), listeners.end(), this), listeners.end());
    }

    static std::vector<BrowserEvents*>& Listeners()
    {
        static std::vector<BrowserEvents*> listeners;
        return listeners;
    }

    Event Log(const char* name, const VARIANTARG& frame, const VARIANTARG& url) const
    {
        // A frame's navigation names the frame, the page's own names the browser.
        ComPtr<IUnknown> source;
        if (frame.vt == VT_DISPATCH && frame.pdispVal)
            frame.pdispVal->QueryInterface(IID_IUnknown, source.ReceiveVoid());
        Event event(name);
        event.Num("window", HandleNumber(m_toplevel))
            .Str("url", UrlOf(url))
            .Bool("frame", source.Get() != m_browser);
        return event;
    }

    ULONG m_refCount = 0;
    // Compared, never used: the browser holds this listener, not the other way round.
    IUnknown* m_browser;
    HWND m_toplevel;
};

// The host's sinks of the browser's DWebBrowserEvents2, to notify as the browser itself would; the
// stand-in's own listeners log what the browser does, not what the stand-in makes up.
std::vector<ComPtr<IDispatch>> EventSinks(IWebBrowser2* browser)
{
    std::vector<ComPtr<IDispatch>> sinks;
    ComPtr<IConnectionPointContainer> points;
    ComPtr<IConnectionPoint> point;
    ComPtr<IEnumConnections> connections;
    if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, points.ReceiveVoid())) ||
        FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Receive())) ||
        FAILED(point->EnumConnections(connections.Receive())) || !connections)
        return sinks;
    CONNECTDATA connection{};
    while (connections->Next(1, &connection, nullptr) == S_OK) {
        // Wine's enumerator hands the sinks out without the reference COM promises (Windows adds
        // one): borrowed, so that no sink is released once too often and freed under the browser.
        const ComPtr<IUnknown> sink = ComPtr<IUnknown>::FromBorrowed(connection.pUnk);
        ComPtr<IDispatch> dispatch;
        if (SUCCEEDED(sink.As(dispatch)) && !BrowserEvents::IsListener(dispatch.Get()))
            sinks.push_back(std::move(dispatch));
    }
    return sinks;
}

void Fire(const std::vector<ComPtr<IDispatch>>& sinks, DISPID event, VARIANTARG* args, UINT count)
{
    DISPPARAMS params{args, nullptr, count, 0};
    for (const auto& sink : sinks)
        sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

VARIANTARG ByRef(VARIANT& value)
{
    VARIANTARG arg;
    ::VariantInit(&arg);
    arg.vt = VT_BYREF | VT_VARIANT;
    arg.pvarVal = &value;
    return arg;
}

// The page's view fills the browser's document window, and follows its size.
LRESULT CALLBACK FitViewToParent(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR view)
{
    if (message == WM_SIZE)
        ::MoveWindow(reinterpret_cast<HWND>(view), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(parent, FitViewToParent, id);
    return ::DefSubclassProc(parent, message, wParam, lParam);
}

} // namespace

Document::Document()
{
    static int lastId = 0;
    m_id = ++lastId;
    LiveDocuments().push_back(this);
}

Document::~Document()
{
    auto& documents = LiveDocuments();
    documents.erase(std::remove(documents.begin(), documents.end(), this), documents.end());
    CloseView();
}

Document* Document::Find(HWND toplevel)
{
    auto& documents = LiveDocuments();
    for (auto it = documents.rbegin(); it != documents.rend(); ++it) {
        if ((*it)->m_site && (!toplevel || (*it)->TopLevel() == toplevel))
            return *it;
    }
    return nullptr;
}

HRESULT STDMETHODCALLTYPE Document::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject)
        *object = static_cast<IOleObject*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistMoniker)
        *object = static_cast<IPersistMoniker*>(this);
    else if (iid == IID_IHlinkTarget)
        *object = static_cast<IHlinkTarget*>(this);
    else if (iid == IID_IOleCommandTarget)
        *object = static_cast<IOleCommandTarget*>(this);
    else if (iid == IID_IDispatch)
        *object = static_cast<IDispatch*>(this);
    if (!*object)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE Document::Release()
{
    ULONG count = --m_refCount;
    if (!count)
        delete this;
    return count;
}

// ---------------------------------------------------------------------------------------------
// What the browser does with its page

HRESULT STDMETHODCALLTYPE Document::SetClientSite(IOleClientSite* site)
{
    m_hostUI.Reset();
    m_site = ComPtr<IOleClientSite>::FromBorrowed(site);
    if (!site) {
        CloseView();
        return S_OK;
    }
    // A page engine's first questions: the host's UI handler, asked through the browser's document
    // host, and the host's wishes for borders, scroll bars and double clicks.
    site->QueryInterface(IID_IDocHostUIHandler, m_hostUI.ReceiveVoid());
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    HRESULT hr = m_hostUI ? m_hostUI->GetHostInfo(&info) : E_NOINTERFACE;
    Event("hostinfo")
        .Num("doc", m_id)
        .Str("url", m_url)
        .Num("window", HandleNumber(TopLevel()))
        .Bool("handler", static_cast<bool>(m_hostUI))
        .Num("hr", hr)
        .Num("flags", info.dwFlags)
        .Num("doubleclick", info.dwDoubleClick)
        .Write();
    BrowserEvents::Watch(Browser().Get(), TopLevel());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = m_site.Get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::Close(DWORD)
{
    CloseView();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = kHtmlDocumentClassId;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::Load(BOOL, IMoniker* moniker, IBindCtx* context, DWORD)
{
    if (!moniker)
        return E_INVALIDARG;
    try {
        Load(*moniker, context);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void Document::Load(IMoniker& moniker, IBindCtx* context)
{
    LPOLESTR name = nullptr;
    moniker.GetDisplayName(context, nullptr, &name);
    const TaskString ownedName(name);
    if (name)
        m_url = name;

    // The request as the browser made it: its verb and post data from the binding, its extra
    // headers from the browser's own answer to the binding's question for them.
    DWORD verb = BINDVERB_GET;
    std::string postData;
    std::wstring headers;
    ComPtr<IUnknown> binding;
    if (context && SUCCEEDED(context->GetObjectParam(const_cast<LPOLESTR>(L"CBinding Context"), binding.Receive()))) {
        ComPtr<IInternetBindInfo> bindInfo;
        DWORD flags = 0;
        BindInfo request;
        if (SUCCEEDED(binding.As(bindInfo)) && SUCCEEDED(bindInfo->GetBindInfo(&flags, &request.info))) {
            verb = request.info.dwBindVerb;
            const STGMEDIUM& data = request.info.stgmedData;
            if (data.tymed == TYMED_HGLOBAL && data.hGlobal && request.info.cbstgmedData) {
                if (const auto* bytes = static_cast<const char*>(::GlobalLock(data.hGlobal))) {
                    postData.assign(bytes, request.info.cbstgmedData);
                    ::GlobalUnlock(data.hGlobal);
                }
            }
        }
        ComPtr<IServiceProvider> services;
        ComPtr<IHttpNegotiate> negotiate;
        LPWSTR extra = nullptr;
        if (SUCCEEDED(binding.As(services)) &&
            SUCCEEDED(services->QueryService(IID_IHttpNegotiate, IID_IHttpNegotiate, negotiate.ReceiveVoid())))
            negotiate->BeginningTransaction(m_url.c_str(), L"", 0, &extra);
        const TaskString ownedExtra(extra);
        if (extra)
            headers = extra;
    }
    Event("navigation")
        .Num("doc", m_id)
        .Str("url", m_url)
        .Str("method", verb == BINDVERB_POST ? L"POST" : verb == BINDVERB_GET ? L"GET" : L"other")
        .Bytes("post", postData)
        .Str("headers", headers)
        .Write();
}

// The browser shows the page it has loaded.
HRESULT STDMETHODCALLTYPE Document::Navigate(DWORD, LPCWSTR)
{
    ShowView();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT*)
{
    if (group)
        return OLECMDERR_E_UNKNOWNGROUP;
    if (count && !commands)
        return E_POINTER;
    for (ULONG i = 0; i < count; ++i)
        commands[i].cmdf = commands[i].cmdID == OLECMDID_REFRESH ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT*)
{
    if (group)
        return OLECMDERR_E_UNKNOWNGROUP;
    if (id != OLECMDID_REFRESH)
        return OLECMDERR_E_NOTSUPPORTED;
    ++m_refreshes;
    Event("refresh").Num("doc", m_id).Str("url", m_url).Num("count", m_refreshes).Write();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Document::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

// The browser waits for the page to say it is complete; this one always is.
HRESULT STDMETHODCALLTYPE Document::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
    EXCEPINFO*, UINT*)
{
    if (member != DISPID_READYSTATE || !(flags & DISPATCH_PROPERTYGET) || !result)
        return DISP_E_MEMBERNOTFOUND;
    ::VariantInit(result);
    result->vt = VT_I4;
    result->lVal = READYSTATE_COMPLETE;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// What page script and the user do

void Document::Navigate(const std::wstring& url, const std::string& postData, const std::wstring& headers)
{
    ComPtr<IWebBrowser2> browser = Browser();
    Variant target, none, post, extra;
    target.v.vt = VT_BSTR;
    target.v.bstrVal = ::SysAllocString(url.c_str());
    if (!postData.empty()) {
        SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(postData.size()));
        void* data = nullptr;
        if (bytes && SUCCEEDED(::SafeArrayAccessData(bytes, &data))) {
            std::copy(postData.begin(), postData.end(), static_cast<char*>(data));
            ::SafeArrayUnaccessData(bytes);
        }
        post.v.vt = VT_ARRAY | VT_UI1;
        post.v.parray = bytes;
    }
    if (!headers.empty()) {
        extra.v.vt = VT_BSTR;
        extra.v.bstrVal = ::SysAllocString(headers.c_str());
    }
    HRESULT hr = browser ? browser->Navigate2(&target.v, &none.v, &none.v, &post.v, &extra.v) : E_NOINTERFACE;
    Event("script-navigate").Num("doc", m_id).Str("url", url).Num("hr", hr).Write();
}

void Document::FrameNavigate(const std::wstring& url)
{
    ComPtr<IWebBrowser2> browser = Browser();
    if (!browser) {
        Event("frame-navigation").Num("doc", m_id).Str("url", url).Num("sinks", 0).Write();
        return;
    }
    const std::vector<ComPtr<IDispatch>> sinks = EventSinks(browser.Get());
    ComPtr<IDispatch> frame = ComPtr<IDispatch>::FromBorrowed(new (std::nothrow) Frame);
    if (!frame)
        return;

    Variant address, flags, targetFrame, postData, headers;
    address.v.vt = VT_BSTR;
    address.v.bstrVal = ::SysAllocString(url.c_str());
    flags.v.vt = VT_I4;
    targetFrame.v.vt = VT_BSTR;
    targetFrame.v.bstrVal = ::SysAllocString(L"");
    headers.v.vt = VT_BSTR;
    headers.v.bstrVal = ::SysAllocString(L"");
    VARIANT_BOOL cancel = VARIANT_FALSE;

    // Arguments in reverse order: the frame is the first parameter, the cancel flag the last.
    VARIANTARG before[7];
    ::VariantInit(&before[0]);
    before[0].vt = VT_BYREF | VT_BOOL;
    before[0].pboolVal = &cancel;
    before[1] = ByRef(headers.v);
    before[2] = ByRef(postData.v);
    before[3] = ByRef(targetFrame.v);
    before[4] = ByRef(flags.v);
    before[5] = ByRef(address.v);
    ::VariantInit(&before[6]);
    before[6].vt = VT_DISPATCH;
    before[6].pdispVal = frame.Get();
    Fire(sinks, DISPID_BEFORENAVIGATE2, before, 7);

    const bool cancelled = cancel != VARIANT_FALSE;
    if (!cancelled) {
        VARIANTARG after[2] = {ByRef(address.v), before[6]};
        Fire(sinks, DISPID_NAVIGATECOMPLETE2, after, 2);
        Fire(sinks, DISPID_DOCUMENTCOMPLETE, after, 2);
    }
    Event("frame-navigation")
        .Num("doc", m_id)
        .Str("url", url)
        .Num("sinks", static_cast<long long>(sinks.size()))
        .Bool("cancelled", cancelled)
        .Write();
}

void Document::RightClick(POINT at)
{
    // S_OK means the host has shown its own menu (or none); anything else asks for the page's.
    HRESULT hr = m_hostUI ? m_hostUI->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at,
                                static_cast<IOleCommandTarget*>(this), static_cast<IDispatch*>(this))
                          : E_NOINTERFACE;
    Event("context-menu")
        .Num("doc", m_id)
        .Num("x", at.x)
        .Num("y", at.y)
        .Num("hr", hr)
        .Bool("suppressed", hr == S_OK)
        .Write();
}

void Document::ReadExternal()
{
    // window.external, read twice. The object's own count (what AddRef answers, less one) shows
    // whether each read handed out a reference of its own.
    auto countOf = [](IDispatch* object) {
        long long count = static_cast<LONG>(object->AddRef());
        object->Release();
        return count - 1;
    };
    ComPtr<IDispatch> first, second;
    HRESULT hr = m_hostUI ? m_hostUI->GetExternal(first.Receive()) : E_NOINTERFACE;
    const long long countAfterFirst = first ? countOf(first.Get()) : 0;
    HRESULT hrSecond = m_hostUI ? m_hostUI->GetExternal(second.Receive()) : E_NOINTERFACE;
    const long long countAfterSecond = second ? countOf(second.Get()) : 0;

    std::wstring value;
    if (first) {
        LPOLESTR name = const_cast<LPOLESTR>(L"xxyyzz");
        DISPID id = DISPID_UNKNOWN;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        Variant result;
        if (SUCCEEDED(first->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)) &&
            SUCCEEDED(first->Invoke(
                id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result.v, nullptr, nullptr)) &&
            result.v.vt == VT_BSTR && result.v.bstrVal)
            value.assign(result.v.bstrVal, ::SysStringLen(result.v.bstrVal));
    }
    Event("external")
        .Num("doc", m_id)
        .Num("hr", hr)
        .Num("hr_second", hrSecond)
        .Bool("present", static_cast<bool>(first))
        .Bool("same", first && first.Get() == second.Get())
        .Num("references_added", countAfterSecond - countAfterFirst)
        .Str("xxyyzz", value)
        .Write();
}

void Document::ReportRefreshes()
{
    Event("refresh-count").Num("doc", m_id).Str("url", m_url).Num("count", m_refreshes).Write();
}

// ---------------------------------------------------------------------------------------------

ComPtr<IWebBrowser2> Document::Browser() const
{
    ComPtr<IWebBrowser2> browser;
    ComPtr<IServiceProvider> services;
    if (m_site && SUCCEEDED(m_site.As(services)))
        services->QueryService(IID_IWebBrowserApp, IID_IWebBrowser2, browser.ReceiveVoid());
    return browser;
}

HWND Document::DocumentWindow() const
{
    ComPtr<IOleWindow> window;
    HWND hwnd = nullptr;
    if (m_site && SUCCEEDED(m_site.As(window)))
        window->GetWindow(&hwnd);
    return hwnd;
}

HWND Document::TopLevel() const
{
    HWND window = DocumentWindow();
    return window ? ::GetAncestor(window, GA_ROOT) : nullptr;
}

void Document::ShowView()
{
    HWND parent = DocumentWindow();
    if (m_view || !parent)
        return;
    static const ATOM viewClass = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ViewProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = ::CreateSolidBrush(kPageColor);
        windowClass.lpszClassName = kViewClass;
        return ::RegisterClassW(&windowClass);
    }();
    RECT area{};
    ::GetClientRect(parent, &area);
    m_view = ::CreateWindowExW(0, MAKEINTATOM(viewClass), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, area.right, area.bottom,
        parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!m_view)
        return;
    ::SetWindowLongPtrW(m_view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowSubclass(
        parent, FitViewToParent, reinterpret_cast<UINT_PTR>(m_view), reinterpret_cast<DWORD_PTR>(m_view));
}

void Document::CloseView()
{
    if (!m_view)
        return;
    if (HWND parent = ::GetParent(m_view))
        ::RemoveWindowSubclass(parent, FitViewToParent, reinterpret_cast<UINT_PTR>(m_view));
    ::DestroyWindow(m_view);
    m_view = nullptr;
}

LRESULT CALLBACK Document::ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The demo login page's "start game" link, for a person trying the launcher without an engine.
    if (message == WM_LBUTTONUP) {
        auto* document = reinterpret_cast<Document*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        const size_t login = document ? document->m_url.find(L"/micro/") : std::wstring::npos;
        if (login != std::wstring::npos)
            document->Navigate(document->m_url.substr(0, login) + L"/game/play?server=1&client=1", {}, {});
        return 0;
    }
    if (message == WM_RBUTTONUP) {
        if (auto* document = reinterpret_cast<Document*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ::ClientToScreen(window, &at);
            document->RightClick(at);
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------

DocumentClass::DocumentClass()
{
    ::CoRegisterClassObject(kHtmlDocumentClassId, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    // The browser finds the class of a page of type text/html in the MIME database, which a prefix
    // booted without the HTML engine lacks. Volatile: the entry goes with the session.
    HKEY created = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type\\text/html", 0, nullptr,
            REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    const UniqueHandle<RegistryKeyTraits> key(created);
    wchar_t clsid[40] = L"";
    const int length = ::StringFromGUID2(kHtmlDocumentClassId, clsid, 40);
    ::RegSetValueExW(key.Get(), L"CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid),
        static_cast<DWORD>(length * sizeof(wchar_t)));
}

DocumentClass::~DocumentClass()
{
    if (m_cookie)
        ::CoRevokeClassObject(m_cookie);
}

HRESULT STDMETHODCALLTYPE DocumentClass::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DocumentClass::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    Document* document = nullptr;
    try {
        document = new Document;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    document->AddRef();
    HRESULT hr = document->QueryInterface(iid, object);
    document->Release();
    return hr;
}

} // namespace standin
