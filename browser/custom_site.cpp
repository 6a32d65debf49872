#include "browser/custom_site.h"

#include "app/login_app.h"
#include "browser/external.h"

void* CCustomControlSite::QueryExtraInterface(REFIID iid)
{
    if (iid == IID_IDocHostUIHandler)
        return static_cast<IDocHostUIHandler*>(&m_xDocHostUIHandler);
    return COleControlSite::QueryExtraInterface(iid);
}

HRESULT STDMETHODCALLTYPE CCustomControlSite::XDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info)
        return E_POINTER;
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCustomControlSite::XDocHostUIHandler::GetExternal(IDispatch** external)
{
    if (!external)
        return E_POINTER;
    // The application made the object before any dialog, so before any browser, existed.
    CImpIDispatch* object = theApp.m_pExternal.get();
    if (object)
        object->AddRef();
    *external = object;
    return S_OK;
}
