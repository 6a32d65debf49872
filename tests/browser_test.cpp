// Browser hosting: the script external object, the host policy handler and its place in the site's
// identity, the container's event sink and key routing (against a fake control), and Wine's real
// WebBrowser control in template 132: hosting, requests on the wire, cancelling, and with the
// stand-in page document, completion events and Refresh.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/login_app.h"
#include "browser/custom_site.h"
#include "browser/external.h"
#include "browser/web_browser.h"
#include "framework/dialog.h"
#include "framework/event_sink.h"
#include "framework/handles.h"
#include "framework/occ.h"
#include "login/login_active_dlg.h"
#include "tests/standin/document.h"
#include "tests/standin/standin.h"
#include "tests/support/ui_support.h"

namespace {

constexpr UINT kOverlayTemplate = 132;
constexpr int kBrowserId = 1000;

std::tuple<LONG, LONG, LONG, LONG> Box(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

std::wstring TextOf(const VARIANT* value)
{
    if (!value || value->vt != VT_BSTR || !value->bstrVal)
        return {};
    return std::wstring(value->bstrVal, ::SysStringLen(value->bstrVal));
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// COM and OLE on this thread for the whole run, as the launcher's first control brings them up.
void EnsureOle()
{
    static const HRESULT started = ::OleInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(started));
}

// Makes the launcher's control manager the installed one for one scope.
class ScopedControlManager {
public:
    ScopedControlManager() : m_previous(ActiveControlManager()) { AfxEnableControlContainer(&m_manager); }
    ~ScopedControlManager() { AfxEnableControlContainer(m_previous); }
    ScopedControlManager(const ScopedControlManager&) = delete;
    ScopedControlManager& operator=(const ScopedControlManager&) = delete;

private:
    CCustomOccManager m_manager;
    COccManager* m_previous;
};

// The application's external object for one scope.
class ScopedExternal {
public:
    ScopedExternal() : m_previous(std::exchange(theApp.m_pExternal, std::make_unique<CImpIDispatch>())) {}
    ~ScopedExternal() { theApp.m_pExternal = std::move(m_previous); }
    ScopedExternal(const ScopedExternal&) = delete;
    ScopedExternal& operator=(const ScopedExternal&) = delete;
    CImpIDispatch& Get() const { return *theApp.m_pExternal; }

private:
    std::unique_ptr<CImpIDispatch> m_previous;
};

// ---------------------------------------------------------------------------------------------
// The script external object

struct NameCase {
    const wchar_t* name;
    DISPID id;
};

TEST(ExternalObject, KnowsEveryNameStartingWithXxyAndNothingElse)
{
    const NameCase cases[] = {
        {L"xxyyzz", CImpIDispatch::kMemberId},
        {L"xxy", CImpIDispatch::kMemberId},
        {L"xxyab", CImpIDispatch::kMemberId},
        {L"\xFF58\xFF58\xFF59", CImpIDispatch::kMemberId}, // full-width "xxy"
        {L"xx\xFF59zz", CImpIDispatch::kMemberId},
        {L"xxz", DISPID_UNKNOWN},
        {L"XXY", DISPID_UNKNOWN},
        {L"Xxyyzz", DISPID_UNKNOWN},
        {L"xx", DISPID_UNKNOWN},
        {L"", DISPID_UNKNOWN},
        {L"yxxyzz", DISPID_UNKNOWN},
    };
    CImpIDispatch external;
    for (const NameCase& c : cases) {
        LPOLESTR name = const_cast<LPOLESTR>(c.name);
        DISPID id = 4711;
        const HRESULT hr = external.GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        EXPECT_EQ(id, c.id) << "name \"" << testing::PrintToString(std::wstring(c.name)) << "\"";
        EXPECT_EQ(hr, c.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK)
            << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(ExternalObject, MapsEveryNameOfTheArrayEvenAfterAnUnknownOne)
{
    CImpIDispatch external;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"xxyyzz"), const_cast<LPOLESTR>(L"abc"), const_cast<LPOLESTR>(L"xxyq")};
    DISPID ids[3] = {0, 0, 0};
    EXPECT_EQ(external.GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], CImpIDispatch::kMemberId);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(ids[2], CImpIDispatch::kMemberId);

    DISPID untouched = 4711;
    EXPECT_EQ(external.GetIDsOfNames(IID_NULL, names, 0, LOCALE_USER_DEFAULT, &untouched), S_OK);
    EXPECT_EQ(untouched, 4711);
}

struct InvokeCase {
    DISPID member;
    WORD flags;
    bool wibble; // the result becomes the string "Wibble"; otherwise it is left as it was
};

TEST(ExternalObject, ReadingTheMemberGivesWibbleAndEverythingElseSucceedsWithNothing)
{
    const InvokeCase cases[] = {
        {CImpIDispatch::kMemberId, DISPATCH_PROPERTYGET, true},
        {CImpIDispatch::kMemberId, DISPATCH_METHOD | DISPATCH_PROPERTYGET, true},
        {CImpIDispatch::kMemberId, DISPATCH_METHOD, false},
        {CImpIDispatch::kMemberId, DISPATCH_PROPERTYPUT, false},
        {7, DISPATCH_PROPERTYGET, false},
        {DISPID_UNKNOWN, DISPATCH_METHOD, false},
    };
    CImpIDispatch external;
    for (const InvokeCase& c : cases) {
        VARIANT result;
        ::VariantInit(&result);
        result.vt = VT_I4;
        result.lVal = 77;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        EXPECT_EQ(
            external.Invoke(c.member, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &none, &result, nullptr, nullptr), S_OK);
        if (c.wibble) {
            EXPECT_EQ(result.vt, VT_BSTR) << "member " << c.member << " flags " << c.flags;
            EXPECT_EQ(TextOf(&result), L"Wibble");
        } else {
            EXPECT_EQ(result.vt, VT_I4) << "member " << c.member << " flags " << c.flags;
            EXPECT_EQ(result.lVal, 77);
        }
        ::VariantClear(&result);
    }
    // No result buffer: nothing to write, still a success.
    EXPECT_EQ(external.Invoke(
                  CImpIDispatch::kMemberId, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
        S_OK);
}

TEST(ExternalObject, IsADispatchObjectWithoutTypeInformation)
{
    CImpIDispatch external;
    void* object = &external;
    EXPECT_EQ(external.QueryInterface(IID_IOleObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    for (REFIID iid : {IID_IDispatch, IID_IUnknown}) {
        object = nullptr;
        EXPECT_EQ(external.QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IDispatch*>(&external));
    }
    EXPECT_EQ(external.RefCount(), 2);

    UINT count = 99;
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x1234);
    EXPECT_EQ(external.GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(external.GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), E_NOTIMPL);
    EXPECT_EQ(count, 99u);
    EXPECT_EQ(info, reinterpret_cast<ITypeInfo*>(0x1234));
}

TEST(ExternalObject, CountsBelowZeroAndStaysUsable)
{
    CImpIDispatch external;
    EXPECT_EQ(external.AddRef(), 1u);
    EXPECT_EQ(external.Release(), 0u);
    external.Release();
    external.Release();
    EXPECT_EQ(external.RefCount(), -2);

    LPOLESTR name = const_cast<LPOLESTR>(L"xxyyzz");
    DISPID id = 0;
    EXPECT_EQ(external.GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, CImpIDispatch::kMemberId);
    EXPECT_EQ(static_cast<LONG>(external.AddRef()), -1);
}

// ---------------------------------------------------------------------------------------------
// The host policy

TEST(HostPolicy, GetHostInfoSetsOnlyFlagsAndDoubleClick)
{
    CCustomControlSite site(nullptr);
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    info.dwFlags = 0xFFFF0000;
    info.dwDoubleClick = 3;
    info.pchHostCss = const_cast<OLECHAR*>(L"css");
    info.pchHostNS = const_cast<OLECHAR*>(L"ns");
    const DOCHOSTUIINFO before = info;

    EXPECT_EQ(site.m_xDocHostUIHandler.GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x0Cu); // no 3-D border, no scroll bars
    EXPECT_EQ(info.dwDoubleClick, 0u);
    EXPECT_EQ(info.cbSize, before.cbSize);
    EXPECT_EQ(info.pchHostCss, before.pchHostCss);
    EXPECT_EQ(info.pchHostNS, before.pchHostNS);
}

TEST(HostPolicy, EveryOtherMethodAnswersAsThePolicySaysAndWritesNothing)
{
    CCustomControlSite site(nullptr);
    IDocHostUIHandler& handler = site.m_xDocHostUIHandler;
    void* const sentinel = reinterpret_cast<void*>(0x5EED);
    LPOLESTR key = static_cast<LPOLESTR>(sentinel);
    IDropTarget* drop = static_cast<IDropTarget*>(sentinel);
    LPWSTR translated = static_cast<LPWSTR>(sentinel);
    IDataObject* filtered = static_cast<IDataObject*>(sentinel);
    POINT at{10, 20};
    MSG keyMessage{nullptr, WM_KEYDOWN, VK_F5, 0, 0, {}};
    RECT border{1, 2, 3, 4};
    wchar_t url[] = L"http://127.0.0.1/";

    struct Case {
        const char* name;
        HRESULT expected;
        std::function<HRESULT()> call;
    };
    const Case cases[] = {
        {"ShowContextMenu", S_OK, [&] { return handler.ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr); }},
        {"ShowUI", S_OK, [&] { return handler.ShowUI(0, nullptr, nullptr, nullptr, nullptr); }},
        {"HideUI", S_OK, [&] { return handler.HideUI(); }},
        {"UpdateUI", S_OK, [&] { return handler.UpdateUI(); }},
        {"EnableModeless", E_NOTIMPL, [&] { return handler.EnableModeless(TRUE); }},
        {"OnDocWindowActivate", E_NOTIMPL, [&] { return handler.OnDocWindowActivate(TRUE); }},
        {"OnFrameWindowActivate", E_NOTIMPL, [&] { return handler.OnFrameWindowActivate(TRUE); }},
        {"ResizeBorder", E_NOTIMPL, [&] { return handler.ResizeBorder(&border, nullptr, TRUE); }},
        {"TranslateAccelerator", S_FALSE, [&] { return handler.TranslateAccelerator(&keyMessage, nullptr, 0); }},
        {"GetOptionKeyPath", E_NOTIMPL, [&] { return handler.GetOptionKeyPath(&key, 0); }},
        {"GetDropTarget", E_NOTIMPL, [&] { return handler.GetDropTarget(nullptr, &drop); }},
        {"TranslateUrl", E_NOTIMPL, [&] { return handler.TranslateUrl(0, url, &translated); }},
        {"FilterDataObject", E_NOTIMPL, [&] { return handler.FilterDataObject(nullptr, &filtered); }},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.call(), c.expected) << c.name;

    EXPECT_EQ(static_cast<void*>(key), sentinel);
    EXPECT_EQ(static_cast<void*>(drop), sentinel);
    EXPECT_EQ(static_cast<void*>(translated), sentinel);
    EXPECT_EQ(static_cast<void*>(filtered), sentinel);
    EXPECT_EQ(at.x, 10);
    EXPECT_EQ(Box(border), Box(RECT{1, 2, 3, 4}));
    EXPECT_EQ(std::wstring(url), L"http://127.0.0.1/");
}

TEST(HostPolicy, GetExternalHandsOutTheApplicationsObjectWithAReferenceEachTime)
{
    ScopedExternal external;
    CCustomControlSite site(nullptr);
    IDispatch* first = nullptr;
    IDispatch* second = nullptr;
    EXPECT_EQ(site.m_xDocHostUIHandler.GetExternal(&first), S_OK);
    EXPECT_EQ(site.m_xDocHostUIHandler.GetExternal(&second), S_OK);
    EXPECT_EQ(first, static_cast<IDispatch*>(&external.Get()));
    EXPECT_EQ(second, first);
    EXPECT_EQ(external.Get().RefCount(), 2);
}

TEST(HostPolicy, HandlerIsPartOfTheSitesIdentityAndCount)
{
    CCustomControlSite site(nullptr);
    IDocHostUIHandler& handler = site.m_xDocHostUIHandler;

    ComPtr<IUnknown> viaSite;
    ComPtr<IUnknown> viaHandler;
    ASSERT_EQ(site.QueryInterface(IID_IUnknown, viaSite.ReceiveVoid()), S_OK);
    ASSERT_EQ(handler.QueryInterface(IID_IUnknown, viaHandler.ReceiveVoid()), S_OK);
    EXPECT_EQ(viaSite.Get(), viaHandler.Get());

    ComPtr<IDocHostUIHandler> asked;
    ASSERT_EQ(site.QueryInterface(IID_IDocHostUIHandler, asked.ReceiveVoid()), S_OK);
    EXPECT_EQ(asked.Get(), &handler);
    ComPtr<IOleClientSite> back;
    ASSERT_EQ(handler.QueryInterface(IID_IOleClientSite, back.ReceiveVoid()), S_OK);
    EXPECT_EQ(back.Get(), static_cast<IOleClientSite*>(&site));

    const LONG before = site.RefCount();
    EXPECT_EQ(static_cast<LONG>(handler.AddRef()), before + 1);
    EXPECT_EQ(site.RefCount(), before + 1);
    EXPECT_EQ(static_cast<LONG>(handler.Release()), before);
}

// ---------------------------------------------------------------------------------------------
// A dialog on the overlay's template, listening to its browser like the launcher's dialogs do.

class BrowserDialog : public CDialogEx {
public:
    BrowserDialog() : CDialogEx(kOverlayTemplate) {}

    CWebBrowser2 m_browser;
    bool m_cancel = false;
    std::vector<std::wstring> m_before;
    std::vector<std::wstring> m_completed;
    std::vector<std::wstring> m_documents;

    void OnBeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*, BOOL* cancel)
    {
        m_before.push_back(TextOf(url));
        if (m_cancel)
            *cancel = TRUE;
    }
    void OnNavigateComplete2(IDispatch*, VARIANT* url) { m_completed.push_back(TextOf(url)); }
    void OnDocumentComplete(IDispatch*, VARIANT* url) { m_documents.push_back(TextOf(url)); }

    void Navigate(const std::wstring& url)
    {
        VARIANT empty;
        ::VariantInit(&empty);
        m_browser.Navigate(url.c_str(), &empty, &empty, &empty, &empty);
    }

protected:
    void DoDataExchange() override { DDX_Control(kBrowserId, m_browser); }
    BOOL OnInitDialog() override
    {
        CDialogEx::OnInitDialog();
        // Shown here, unactivated, the dialog is not one for a window manager to look after, so
        // hiding it later does not wait for one that is not there.
        ShowWindow(SW_SHOWNOACTIVATE);
        return FALSE;
    }
    void OnOK() override {}
    void OnCancel() override {}

    BEGIN_EVENTSINK_MAP(BrowserDialog)
        ON_EVENT(kBrowserId, DISPID_BEFORENAVIGATE2, OnBeforeNavigate2)
        ON_EVENT(kBrowserId, DISPID_NAVIGATECOMPLETE2, OnNavigateComplete2)
        ON_EVENT(kBrowserId, DISPID_DOCUMENTCOMPLETE, OnDocumentComplete)
    END_EVENTSINK_MAP()
};

// Registers a class object in this process for one scope.
class ScopedClassObject {
public:
    ScopedClassObject(REFCLSID clsid, IClassFactory* factory)
    {
        ::CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    }
    ~ScopedClassObject()
    {
        if (m_cookie)
            ::CoRevokeClassObject(m_cookie);
    }
    ScopedClassObject(const ScopedClassObject&) = delete;
    ScopedClassObject& operator=(const ScopedClassObject&) = delete;
    bool Registered() const { return m_cookie != 0; }

private:
    DWORD m_cookie = 0;
};

// ---------------------------------------------------------------------------------------------
// A fake control in the WebBrowser's place: it records the calls the wrapper makes, hands the test
// the event sink the site advised, and claims the keys it is given to translate.

class FakeBrowser : public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IDispatch,
                    public IConnectionPointContainer,
                    public IProvideClassInfo2 {
public:
    struct Call {
        DISPID member;
        WORD flags;
        std::vector<VARTYPE> types; // of the arguments, last argument first, as they arrive
        std::wstring url;
        bool optionalShared = false; // all four optional Navigate arguments point at one VARIANT
        bool optionalEmpty = false;  // ... which is VT_EMPTY
        bool wantsResult = false;
    };

    static constexpr WPARAM kClaimedKey = VK_F5;

    std::vector<Call> m_calls;
    std::vector<MSG> m_keys;
    std::vector<RECT> m_rects;
    ComPtr<IDispatch> m_sink;
    HWND m_window = nullptr;
    HWND m_inner = nullptr; // a window inside the control, like the page's own
    int m_innerKeys = 0;    // key messages the inner window got dispatched

    // Fires an event at the site's sink: arguments given last first, as DISPPARAMS carries them.
    HRESULT Fire(DISPID event, std::vector<VARIANTARG>& args)
    {
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        return m_sink ? m_sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                            nullptr)
                      : E_UNEXPECTED;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            *object = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
            *object = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IOleInPlaceActiveObject)
            *object = static_cast<IOleInPlaceActiveObject*>(this);
        else if (iid == IID_IDispatch)
            *object = static_cast<IDispatch*>(this);
        else if (iid == IID_IConnectionPointContainer)
            *object = static_cast<IConnectionPointContainer*>(this);
        else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
            *object = static_cast<IProvideClassInfo2*>(this);
        if (!*object)
            return E_NOINTERFACE;
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

    // IOleObject: what a container needs to host it and activate it in place.
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override
    {
        m_site = ComPtr<IOleClientSite>::FromBorrowed(site);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT) override
    {
        ComPtr<IOleInPlaceSite> inPlace;
        if (verb != OLEIVERB_INPLACEACTIVATE || !m_site || FAILED(m_site.As(inPlace)) ||
            inPlace->CanInPlaceActivate() != S_OK)
            return E_UNEXPECTED;
        inPlace->OnInPlaceActivate();
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        inPlace->GetWindowContext(frame.Receive(), document.Receive(), &position, &clip, &info);
        m_window = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD, position.left, position.top,
            position.right - position.left, position.bottom - position.top, parent, nullptr, nullptr, nullptr);
        m_inner = ::CreateWindowExW(
            0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, m_window, nullptr, nullptr, nullptr);
        ::SetWindowSubclass(m_inner, CountKeys, 1, reinterpret_cast<DWORD_PTR>(this));
        if (frame)
            frame->SetActiveObject(this, L"fake");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override
    {
        *status = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        *window = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override
    {
        ComPtr<IOleInPlaceSite> inPlace;
        if (m_site && SUCCEEDED(m_site.As(inPlace)))
            inPlace->OnInPlaceDeactivate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override
    {
        m_rects.push_back(*position);
        ::MoveWindow(m_window, position->left, position->top, position->right - position->left,
            position->bottom - position->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override
    {
        m_keys.push_back(*message);
        return message->wParam == kClaimedKey ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // IDispatch: the wrapper's automation calls, recorded.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
        EXCEPINFO*, UINT*) override
    {
        Call call{member, flags, {}, {}, false, false, result != nullptr};
        for (UINT i = 0; params && i < params->cArgs; ++i)
            call.types.push_back(params->rgvarg[i].vt);
        if (params && params->cArgs == 5) {
            call.url = TextOf(&params->rgvarg[4]);
            VARIANT* shared = params->rgvarg[0].pvarVal;
            call.optionalShared = true;
            for (int i = 0; i < 4; ++i)
                call.optionalShared = call.optionalShared && params->rgvarg[i].pvarVal == shared;
            call.optionalEmpty = shared && shared->vt == VT_EMPTY;
        }
        m_calls.push_back(call);
        return S_OK;
    }

    // IConnectionPointContainer: one outgoing interface, DWebBrowserEvents2.
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        *point = nullptr;
        if (iid != DIID_DWebBrowserEvents2)
            return CONNECT_E_NOCONNECTION;
        *point = &m_events;
        AddRef();
        return S_OK;
    }

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override
    {
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
            return E_INVALIDARG;
        *guid = DIID_DWebBrowserEvents2;
        return S_OK;
    }

private:
    // The connection point, a part of the control's identity.
    class EventPoint : public IConnectionPoint {
    public:
        explicit EventPoint(FakeBrowser& control) : m_control(control) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
        {
            if (iid != IID_IConnectionPoint)
                return m_control.QueryInterface(iid, object);
            *object = this;
            AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return m_control.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_control.Release(); }
        HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override
        {
            *iid = DIID_DWebBrowserEvents2;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override
        {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override
        {
            m_control.m_sink.Reset();
            if (!sink || FAILED(sink->QueryInterface(DIID_DWebBrowserEvents2, m_control.m_sink.ReceiveVoid())))
                return CONNECT_E_CANNOTCONNECT;
            *cookie = 1;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override
        {
            m_control.m_sink.Reset();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    private:
        FakeBrowser& m_control;
    };

    virtual ~FakeBrowser() = default;

    static LRESULT CALLBACK CountKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
    {
        if (message == WM_KEYDOWN)
            ++reinterpret_cast<FakeBrowser*>(self)->m_innerKeys;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }

    ULONG m_refCount = 0;
    ComPtr<IOleClientSite> m_site;
    EventPoint m_events{*this};
};

// Makes FakeBrowsers for the WebBrowser's class id and keeps the last one for the test to look at.
class FakeBrowserClass : public IClassFactory {
public:
    FakeBrowserClass() : m_registration(CLSID_WebBrowser, this) {}
    ~FakeBrowserClass() { m_last.Reset(); }

    FakeBrowser* Last() const { return m_last.Get(); }
    bool Registered() const { return m_registration.Registered(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** object) override
    {
        m_last = ComPtr<FakeBrowser>::FromBorrowed(new FakeBrowser);
        return m_last->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ComPtr<FakeBrowser> m_last;
    ScopedClassObject m_registration;
};

class FakeBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        EnsureOle();
        m_fakes = std::make_unique<FakeBrowserClass>();
        ASSERT_TRUE(m_fakes->Registered());
        ASSERT_TRUE(m_dialog.Create(kOverlayTemplate));
        m_fake = m_fakes->Last();
        ASSERT_NE(m_fake, nullptr);
        ASSERT_NE(m_fake->m_sink.Get(), nullptr) << "the site advised no event sink";
    }

    ScopedControlManager m_manager;
    std::unique_ptr<FakeBrowserClass> m_fakes;
    BrowserDialog m_dialog;
    FakeBrowser* m_fake = nullptr;
};

VARIANTARG Arg(VARTYPE type)
{
    VARIANTARG arg;
    ::VariantInit(&arg);
    arg.vt = type;
    return arg;
}

VARIANTARG ByRef(VARIANT& value)
{
    VARIANTARG arg = Arg(VT_BYREF | VT_VARIANT);
    arg.pvarVal = &value;
    return arg;
}

// The seven arguments of BeforeNavigate2, last first: cancel, headers, post data, target frame, flags,
// URL, frame.
struct BeforeNavigateArgs {
    explicit BeforeNavigateArgs(const wchar_t* address)
    {
        url.vt = VT_BSTR;
        url.bstrVal = address ? ::SysAllocString(address) : nullptr;
        VARIANTARG cancelArg = Arg(VT_BYREF | VT_BOOL);
        cancelArg.pboolVal = &cancel;
        VARIANTARG frame = Arg(VT_DISPATCH);
        args = {cancelArg, ByRef(empty), ByRef(empty), ByRef(empty), ByRef(empty), ByRef(url), frame};
    }
    ~BeforeNavigateArgs() { ::VariantClear(&url); }
    BeforeNavigateArgs(const BeforeNavigateArgs&) = delete;
    BeforeNavigateArgs& operator=(const BeforeNavigateArgs&) = delete;

    VARIANT url{};
    VARIANT empty{};
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANTARG> args;
};

TEST_F(FakeBrowserTest, WrapperMakesTheTwoAutomationCallsAsTheControlDefinesThem)
{
    m_dialog.Navigate(L"http://127.0.0.1:1/micro/");
    m_dialog.m_browser.Refresh();

    ASSERT_EQ(m_fake->m_calls.size(), 2u);
    const FakeBrowser::Call& navigate = m_fake->m_calls[0];
    EXPECT_EQ(navigate.member, 104);
    EXPECT_EQ(navigate.flags, DISPATCH_METHOD);
    const VARTYPE byRef = VT_BYREF | VT_VARIANT;
    EXPECT_EQ(navigate.types, (std::vector<VARTYPE>{byRef, byRef, byRef, byRef, VT_BSTR}));
    EXPECT_EQ(navigate.url, L"http://127.0.0.1:1/micro/");
    EXPECT_TRUE(navigate.optionalShared);
    EXPECT_TRUE(navigate.optionalEmpty);
    EXPECT_FALSE(navigate.wantsResult);

    const FakeBrowser::Call& refresh = m_fake->m_calls[1];
    EXPECT_EQ(refresh.member, DISPID_REFRESH);
    EXPECT_EQ(refresh.flags, DISPATCH_METHOD);
    EXPECT_TRUE(refresh.types.empty());
    EXPECT_FALSE(refresh.wantsResult);
}

TEST_F(FakeBrowserTest, MovingTheWrapperMovesTheControlThroughItsInPlaceObject)
{
    m_dialog.m_browser.MoveWindow(560, 177, 631, 446, TRUE);
    ASSERT_FALSE(m_fake->m_rects.empty());
    EXPECT_EQ(Box(m_fake->m_rects.back()), Box(RECT{560, 177, 1191, 623}));
    EXPECT_EQ(Box(uitest::ChildRectOf(m_fake->m_window)), Box(RECT{560, 177, 1191, 623}));
}

TEST_F(FakeBrowserTest, CancelWrittenByTheHandlerReachesTheControlAsVariantTrue)
{
    for (bool cancel : {false, true}) {
        m_dialog.m_cancel = cancel;
        BeforeNavigateArgs event(L"http://127.0.0.1:1/x");
        EXPECT_EQ(m_fake->Fire(DISPID_BEFORENAVIGATE2, event.args), S_OK);
        EXPECT_EQ(event.cancel, cancel ? VARIANT_TRUE : VARIANT_FALSE) << "handler cancels: " << cancel;
    }
    EXPECT_EQ(m_dialog.m_before, (std::vector<std::wstring>{L"http://127.0.0.1:1/x", L"http://127.0.0.1:1/x"}));
}

TEST_F(FakeBrowserTest, EventsThatDoNotFitTheirHandlerAreIgnored)
{
    m_dialog.m_cancel = true;
    const std::pair<const char*, std::function<void(BeforeNavigateArgs&)>> malformed[] = {
        {"one argument missing", [](BeforeNavigateArgs& e) { e.args.pop_back(); }},
        {"one argument too many", [](BeforeNavigateArgs& e) { e.args.push_back(Arg(VT_EMPTY)); }},
        {"no arguments", [](BeforeNavigateArgs& e) { e.args.clear(); }},
        {"URL not by reference", [](BeforeNavigateArgs& e) { e.args[5] = e.url; }},
        {"URL by reference to nothing", [](BeforeNavigateArgs& e) { e.args[5].pvarVal = nullptr; }},
        {"frame not a dispatch pointer", [](BeforeNavigateArgs& e) { e.args[6] = Arg(VT_I4); }},
        {"cancel flag as a 32-bit integer", [](BeforeNavigateArgs& e) { e.args[0].vt = VT_BYREF | VT_I4; }},
        {"cancel flag pointing nowhere", [](BeforeNavigateArgs& e) { e.args[0].pboolVal = nullptr; }},
    };
    for (const auto& [name, spoil] : malformed) {
        BeforeNavigateArgs event(L"http://127.0.0.1:1/x");
        spoil(event);
        EXPECT_EQ(m_fake->Fire(DISPID_BEFORENAVIGATE2, event.args), S_OK) << name;
        EXPECT_EQ(event.cancel, VARIANT_FALSE) << name;
    }
    EXPECT_TRUE(m_dialog.m_before.empty());

    // Complete events with the URL where a frame belongs, and none at all.
    VARIANT url{};
    std::vector<VARIANTARG> swapped = {Arg(VT_DISPATCH), ByRef(url)};
    m_fake->Fire(DISPID_NAVIGATECOMPLETE2, swapped);
    std::vector<VARIANTARG> none;
    m_fake->Fire(DISPID_DOCUMENTCOMPLETE, none);
    EXPECT_TRUE(m_dialog.m_completed.empty());
    EXPECT_TRUE(m_dialog.m_documents.empty());

    // A null argument list reaches the sink as it may from a broken control.
    ASSERT_NE(m_fake->m_sink.Get(), nullptr);
    EXPECT_EQ(m_fake->m_sink->Invoke(
                  DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
        S_OK);

    // A null URL string fits the handler, which then sees an empty URL.
    m_dialog.m_cancel = false;
    BeforeNavigateArgs nullUrl(nullptr);
    EXPECT_EQ(m_fake->Fire(DISPID_BEFORENAVIGATE2, nullUrl.args), S_OK);
    EXPECT_EQ(m_dialog.m_before, (std::vector<std::wstring>{L""}));
}

TEST_F(FakeBrowserTest, KeysForThePageReachTheControlsActiveObjectBeforeDispatch)
{
    // Posted to a window inside the control: the walk goes up to the browser wrapper.
    ::PostMessageW(m_fake->m_inner, WM_KEYDOWN, FakeBrowser::kClaimedKey, 0);
    ::PostMessageW(m_fake->m_inner, WM_KEYDOWN, VK_F6, 0);
    ASSERT_TRUE(uitest::PumpUntil([&] { return m_fake->m_keys.size() >= 2; }));
    EXPECT_EQ(m_fake->m_keys[0].hwnd, m_fake->m_inner);
    EXPECT_EQ(m_fake->m_keys[0].wParam, FakeBrowser::kClaimedKey);
    EXPECT_EQ(m_fake->m_keys[1].wParam, static_cast<WPARAM>(VK_F6));
    // The key the control claimed went no further; the other one reached its window.
    uitest::PumpFor(100);
    EXPECT_EQ(m_fake->m_innerKeys, 1);

    // Messages other than keys are not the control's to translate.
    ::PostMessageW(m_fake->m_inner, WM_MOUSEMOVE, 0, 0);
    uitest::PumpFor(100);
    EXPECT_EQ(m_fake->m_keys.size(), 2u);
}

// The overlay's own event-sink table, fed the way the container feeds it: only events that fit go
// to its handlers, and its BeforeNavigate2 handler copes with whatever URL the event carries.
TEST(OverlayEventTable, TakesFittingEventsAndLeavesTheCancelFlagAloneWithoutTheMarker)
{
    CLoginActiveDlg overlay(nullptr);
    CDialogEx& asDialog = overlay;

    struct Case {
        const char* name;
        int control;
        DISPID event;
        std::function<void(BeforeNavigateArgs&)> change;
        bool taken;
    };
    const Case cases[] = {
        {"plain URL", kBrowserId, DISPID_BEFORENAVIGATE2, nullptr, true},
        {"null URL string", kBrowserId, DISPID_BEFORENAVIGATE2,
            [](BeforeNavigateArgs& e) {
                ::VariantClear(&e.url);
                e.url.vt = VT_BSTR;
                e.url.bstrVal = nullptr;
            },
            true},
        {"URL not a string", kBrowserId, DISPID_BEFORENAVIGATE2,
            [](BeforeNavigateArgs& e) {
                ::VariantClear(&e.url);
                e.url.vt = VT_I4;
            },
            true},
        {"marker with a capital C", kBrowserId, DISPID_BEFORENAVIGATE2,
            [](BeforeNavigateArgs& e) {
                ::VariantClear(&e.url);
                e.url.vt = VT_BSTR;
                e.url.bstrVal = ::SysAllocString(L"http://127.0.0.1/game?Client=1");
            },
            true},
        {"argument missing", kBrowserId, DISPID_BEFORENAVIGATE2, [](BeforeNavigateArgs& e) { e.args.pop_back(); },
            false},
        {"cancel as an integer", kBrowserId, DISPID_BEFORENAVIGATE2,
            [](BeforeNavigateArgs& e) { e.args[0].vt = VT_BYREF | VT_I4; }, false},
        {"other control", 999, DISPID_BEFORENAVIGATE2, nullptr, false},
        {"other event", kBrowserId, 251, nullptr, false},
    };
    for (const Case& c : cases) {
        BeforeNavigateArgs event(L"http://127.0.0.1/micro/next");
        if (c.change)
            c.change(event);
        DISPPARAMS params{
            event.args.empty() ? nullptr : event.args.data(), nullptr, static_cast<UINT>(event.args.size()), 0};
        EXPECT_EQ(asDialog.OnControlEvent(c.control, c.event, params), c.taken) << c.name;
        EXPECT_EQ(event.cancel, VARIANT_FALSE) << c.name;
    }
    EXPECT_EQ(theApp.m_pGameDialog, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Wine's own WebBrowser control

// An HTTP server on a free loopback port that answers every request with a small page and keeps
// the request lines.
class LoopbackServer {
public:
    LoopbackServer()
    {
        static const bool started = [] {
            WSADATA data{};
            return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        }();
        if (!started)
            return;
        m_listener.Reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (!m_listener || ::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener.Get(), 8) != 0 ||
            ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool Listening() const { return m_port != 0; }
    std::wstring Url(const std::string& path) const
    {
        return Widen("http://127.0.0.1:" + std::to_string(m_port) + path);
    }
    std::vector<std::string> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    struct SocketTraits {
        using Handle = SOCKET;
        static Handle Null() { return INVALID_SOCKET; }
        static void Close(Handle handle) { ::closesocket(handle); }
    };
    using Socket = UniqueHandle<SocketTraits>;

    void Serve()
    {
        while (!m_stop) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_listener.Get(), &readable);
            timeval wait{0, 20000};
            if (::select(0, &readable, nullptr, nullptr, &wait) <= 0)
                continue;
            Socket client(::accept(m_listener.Get(), nullptr, nullptr));
            try {
                if (client)
                    Answer(client.Get());
            } catch (...) {
                // Out of memory: the request goes unrecorded, and the test that waits for it fails.
            }
        }
    }

    void Answer(SOCKET client)
    {
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos) {
            int got = ::recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0)
                return;
            request.append(buffer, static_cast<size_t>(got));
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request.substr(0, request.find("\r\n")));
        }
        static const char reply[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nCache-Control: no-store\r\n"
                                    "Content-Length: 27\r\n\r\n<html><body>ok</body></html>";
        ::send(client, reply, sizeof(reply) - 1, 0);
    }

    Socket m_listener;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

class RealBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        EnsureOle();
        ASSERT_TRUE(m_server.Listening());
        ASSERT_TRUE(m_dialog.Create(kOverlayTemplate));
        m_site = m_dialog.ControlContainer() ? m_dialog.ControlContainer()->FindSite(kBrowserId) : nullptr;
        ASSERT_NE(m_site, nullptr) << "the WebBrowser control was not hosted";
    }

    bool WaitForRequest(const std::string& line, DWORD timeoutMs = 5000)
    {
        return uitest::PumpUntil([&] {
            for (const std::string& request : m_server.Requests())
                if (request == line)
                    return true;
            return false;
        }, timeoutMs);
    }

    ScopedControlManager m_manager;
    LoopbackServer m_server;
    BrowserDialog m_dialog;
    COleControlSite* m_site = nullptr;
};

TEST_F(RealBrowserTest, IsHostedHiddenAndInPlaceActiveAtTheTemplatesRectangle)
{
    HWND control = m_dialog.GetDlgItem(kBrowserId);
    ASSERT_NE(control, nullptr);
    wchar_t className[64] = L"";
    ::GetClassNameW(control, className, 64);
    EXPECT_STREQ(className, L"Shell Embedding");
    EXPECT_EQ(m_site->ControlWindow(), control);
    EXPECT_EQ(m_dialog.m_browser.m_hWnd, control);
    EXPECT_EQ(m_dialog.m_browser.GetControlSite(), m_site);
    EXPECT_FALSE(::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);

    RECT expected{0, 17, 0 + 372, 17 + 265};
    ::MapDialogRect(m_dialog.m_hWnd, &expected);
    EXPECT_EQ(Box(uitest::ChildRectOf(control)), Box(expected));

    m_dialog.m_browser.MoveWindow(560, 177, 631, 446, TRUE);
    EXPECT_EQ(Box(uitest::ChildRectOf(control)), Box(RECT{560, 177, 1191, 623}));
}

TEST_F(RealBrowserTest, NavigateAsksTheOwnerFirstThenSendsThePlainRequest)
{
    m_dialog.Navigate(m_server.Url("/micro/?from=test"));
    EXPECT_TRUE(WaitForRequest("GET /micro/?from=test HTTP/1.1")) << testing::PrintToString(m_server.Requests());
    EXPECT_EQ(m_dialog.m_before, (std::vector<std::wstring>{m_server.Url("/micro/?from=test")}));
}

TEST_F(RealBrowserTest, CancelledNavigationSendsNoRequest)
{
    m_dialog.m_cancel = true;
    m_dialog.Navigate(m_server.Url("/cancelled"));
    ASSERT_EQ(m_dialog.m_before.size(), 1u);
    // A later navigation that goes ahead arrives; the cancelled one never does.
    m_dialog.m_cancel = false;
    m_dialog.Navigate(m_server.Url("/allowed"));
    EXPECT_TRUE(WaitForRequest("GET /allowed HTTP/1.1"));
    uitest::PumpFor(300);
    EXPECT_EQ(m_server.Requests(), (std::vector<std::string>{"GET /allowed HTTP/1.1"}));
    EXPECT_TRUE(m_dialog.m_completed.empty());
}

// With the stand-in page document in this process the navigation completes: the page gets the
// host's policy through the browser, the owner gets both completion events, and Refresh reaches
// the page as the refresh command.
TEST(RealBrowserWithPage, CompletesNavigationsAndPassesRefreshToThePage)
{
    EnsureOle();
    ScopedControlManager manager;
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    standin::DocumentClass pages;
    standin::EventCapture events;
    BrowserDialog dialog;
    ASSERT_TRUE(dialog.Create(kOverlayTemplate));

    const std::wstring url = server.Url("/micro/");
    dialog.Navigate(url);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !dialog.m_documents.empty(); }, 5000))
        << testing::PrintToString(events.Lines());
    EXPECT_EQ(dialog.m_completed, (std::vector<std::wstring>{url}));
    EXPECT_EQ(dialog.m_documents, (std::vector<std::wstring>{url}));

    auto logged = [&](const std::string& part) {
        for (const std::string& line : events.Lines())
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(logged("\"event\":\"navigation\",\"doc\":")) << testing::PrintToString(events.Lines());
    EXPECT_TRUE(logged("\"method\":\"GET\",\"post\":\"\",\"headers\":\"\""));
    EXPECT_TRUE(logged("\"handler\":true,\"hr\":0,\"flags\":12,\"doubleclick\":0"));

    dialog.m_browser.Refresh();
    EXPECT_TRUE(uitest::PumpUntil([&] { return logged("\"event\":\"refresh\""); }))
        << testing::PrintToString(events.Lines());
}

} // namespace
