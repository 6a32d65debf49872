// The stand-in HTML document: the parts of a page engine that the WebBrowser control and its host
// meet. One object per loaded page.
#pragma once

#include <ole2.h>
#include <docobj.h>
#include <exdisp.h>
#include <hlink.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include <string>
#include <vector>

#include "framework/handles.h"

namespace standin {

// The class the browser creates for a page of type text/html.
inline constexpr CLSID kHtmlDocumentClassId = {
    0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
// What every page looks like: one colour found nowhere in the launcher's artwork.
inline constexpr COLORREF kPageColor = RGB(0x2E, 0x8B, 0x57);

class Document : public IOleObject,
                 public IPersistMoniker,
                 public IHlinkTarget,
                 public IOleCommandTarget,
                 public IDispatch {
public:
    Document();
    virtual ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // The newest live document whose browser sits in the top-level window `toplevel` (any when null).
    static Document* Find(HWND toplevel);

    // What page script can do.
    void Navigate(const std::wstring& url, const std::string& postData, const std::wstring& headers);
    void FrameNavigate(const std::wstring& url);
    void RightClick(POINT at);
    void ReadExternal();
    void ReportRefreshes();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refCount; }
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override
    {
        ShowView();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IPersistMoniker (and IPersist)
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(BOOL, IMoniker* moniker, IBindCtx* context, DWORD) override;
    HRESULT STDMETHODCALLTYPE Save(IMoniker*, IBindCtx*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveCompleted(IMoniker*, IBindCtx*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurMoniker(IMoniker**) override { return E_NOTIMPL; }

    // IHlinkTarget
    HRESULT STDMETHODCALLTYPE SetBrowseContext(IHlinkBrowseContext*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBrowseContext(IHlinkBrowseContext**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(DWORD, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(LPCWSTR, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFriendlyName(LPCWSTR, LPWSTR*) override { return E_NOTIMPL; }

    // IOleCommandTarget: the browser passes Refresh on as OLECMDID_REFRESH.
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT*) override;
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT*) override;

    // IDispatch: the browser reads the ready state.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
        EXCEPINFO*, UINT*) override;

private:
    void Load(IMoniker& moniker, IBindCtx* context);
    ComPtr<IWebBrowser2> Browser() const;
    HWND DocumentWindow() const;
    HWND TopLevel() const;
    // The page on screen: a plain window of kPageColor over the browser's document window, which
    // takes the user's right clicks.
    void ShowView();
    void CloseView();
    static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ULONG m_refCount = 0;
    int m_id = 0;
    std::wstring m_url;
    ComPtr<IOleClientSite> m_site;
    ComPtr<IDocHostUIHandler> m_hostUI;
    HWND m_view = nullptr;
    int m_refreshes = 0;
};

// While it exists, every HTML document made in this process (on a COM thread) is a stand-in.
class DocumentClass : public IClassFactory {
public:
    DocumentClass();
    virtual ~DocumentClass();
    DocumentClass(const DocumentClass&) = delete;
    DocumentClass& operator=(const DocumentClass&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    DWORD m_cookie = 0;
};

} // namespace standin
