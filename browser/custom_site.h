// The launcher's control container: every hosted browser gets a site that imposes the host policy
// (no context menu, no 3-D border, no scroll bars, the launcher's window.external).
#pragma once

#include <mshtmhst.h>

#include "framework/occ.h"

class CCustomControlSite : public COleControlSite {
public:
    explicit CCustomControlSite(COleControlContainer* container) : COleControlSite(container) {}

    // The document host's questions, answered with the launcher's policy. Shares the site's identity
    // and reference count.
    class XDocHostUIHandler : public IDocHostUIHandler {
    public:
        explicit XDocHostUIHandler(CCustomControlSite& site) : m_site(site) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
        {
            return m_site.QueryInterface(iid, object);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return m_site.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_site.Release(); }

        HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
        HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
            IOleInPlaceUIWindow*) override
        {
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
        HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR*, DWORD) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
        HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject**) override { return E_NOTIMPL; }

    private:
        CCustomControlSite& m_site;
    };

    XDocHostUIHandler m_xDocHostUIHandler{*this};

protected:
    void* QueryExtraInterface(REFIID iid) override;
};

class CCustomOccManager : public COccManager {
public:
    std::unique_ptr<COleControlSite> CreateSite(COleControlContainer* container) override
    {
        return std::make_unique<CCustomControlSite>(container);
    }
};
