#include "framework/occ.h"

#include <olectl.h>
#include <shlwapi.h>

#include "framework/app.h"
#include "framework/dialog.h"

namespace {

COccManager* g_manager = nullptr;

constexpr WORD kLoadFromStream = 0x0376; // initialisation record: the control's persisted state

// OLE comes up on the user-interface thread with its first control and stays up for the process.
bool EnsureOle()
{
    thread_local const bool started = SUCCEEDED(::OleInitialize(nullptr));
    return started;
}

std::vector<DialogInitRecord> LoadDialogInit(UINT templateId)
{
    HINSTANCE module = ResourceModule();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(240));
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return data ? ParseDialogInit(data, ::SizeofResource(module, found)) : std::vector<DialogInitRecord>{};
}

} // namespace

void AfxEnableControlContainer(COccManager* manager) { g_manager = manager; }

COccManager* ActiveControlManager() { return g_manager; }

// ---------------------------------------------------------------------------------------------
// COleControlSite

COleControlSite::~COleControlSite() { Close(); }

bool COleControlSite::CreateControl(CDialogEx& dialog, const DialogItem& item, const std::vector<BYTE>* persistedState)
{
    m_pDialog = &dialog;
    m_nID = static_cast<int>(item.id);
    CLSID clsid{};
    if (FAILED(::CLSIDFromString(item.className.c_str(), &clsid)))
        return false;
    ComPtr<IUnknown> control;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.ReceiveVoid())))
        return false;
    if (FAILED(control.As(m_pObject)))
        return false;

    DWORD misc = 0;
    m_pObject->GetMiscStatus(DVASPECT_CONTENT, &misc);
    if (misc & OLEMISC_SETCLIENTSITEFIRST)
        m_pObject->SetClientSite(this);

    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(control.As(persist))) {
        bool loaded = false;
        if (persistedState && !persistedState->empty()) {
            ComPtr<IStream> stream;
            *stream.Receive() = ::SHCreateMemStream(persistedState->data(), static_cast<UINT>(persistedState->size()));
            loaded = stream && SUCCEEDED(persist->Load(stream.Get()));
        }
        // A state the control does not accept is no reason to go without it: start it fresh.
        if (!loaded)
            persist->InitNew();
    }
    if (!(misc & OLEMISC_SETCLIENTSITEFIRST))
        m_pObject->SetClientSite(this);
    control.As(m_pDispatch);
    ConnectEvents();

    m_rect = item.rect;
    ::MapDialogRect(dialog.m_hWnd, &m_rect);
    if (FAILED(m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, dialog.m_hWnd, &m_rect)))
        return false;
    if (!m_pInPlaceObject)
        control.As(m_pInPlaceObject);
    if (m_pInPlaceObject)
        m_pInPlaceObject->GetWindow(&m_hWnd);
    if (!m_hWnd)
        return false;

    ::SetWindowLongPtrW(m_hWnd, GWLP_ID, static_cast<LONG_PTR>(item.id));
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    style = (style & ~WS_TABSTOP) | (item.style & WS_TABSTOP);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, style);
    ::ShowWindow(m_hWnd, (item.style & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
    return true;
}

void COleControlSite::ConnectEvents()
{
    ComPtr<IConnectionPointContainer> points;
    if (!m_pObject || FAILED(m_pObject.As(points)))
        return;
    ComPtr<IProvideClassInfo2> classInfo;
    IID events{};
    if (SUCCEEDED(m_pObject.As(classInfo)) &&
        SUCCEEDED(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events))) {
        points->FindConnectionPoint(events, m_pEventPoint.Receive());
    }
    if (!m_pEventPoint) {
        // No class information: take the control's first outgoing interface.
        ComPtr<IEnumConnectionPoints> all;
        if (SUCCEEDED(points->EnumConnectionPoints(all.Receive())) && all)
            all->Next(1, m_pEventPoint.Receive(), nullptr);
        if (m_pEventPoint)
            m_pEventPoint->GetConnectionInterface(&events);
    }
    if (!m_pEventPoint)
        return;
    m_eventSink.m_iid = events;
    if (FAILED(m_pEventPoint->Advise(&m_eventSink, &m_eventCookie)))
        m_pEventPoint.Reset();
}

void COleControlSite::Close()
{
    if (m_pEventPoint) {
        m_pEventPoint->Unadvise(m_eventCookie);
        m_pEventPoint.Reset();
    }
    m_pActiveObject.Reset();
    if (m_pInPlaceObject) {
        m_pInPlaceObject->InPlaceDeactivate();
        m_pInPlaceObject.Reset();
    }
    m_pDispatch.Reset();
    if (m_pObject) {
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
        m_pObject.Reset();
    }
    m_hWnd = nullptr;
}

HRESULT COleControlSite::InvokeControl(DISPID member, WORD flags, DISPPARAMS& params, VARIANT* result) const
{
    if (!m_pDispatch)
        return E_UNEXPECTED;
    return m_pDispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

bool COleControlSite::TranslateAccelerator(MSG* message) const
{
    ComPtr<IOleInPlaceActiveObject> active;
    if (m_pActiveObject)
        active = ComPtr<IOleInPlaceActiveObject>::FromBorrowed(m_pActiveObject.Get());
    else if (m_pObject)
        m_pObject.As(active);
    return active && active->TranslateAccelerator(message) == S_OK;
}

void COleControlSite::SetObjectRects(const RECT& rect)
{
    m_rect = rect;
    if (m_pInPlaceObject)
        m_pInPlaceObject->SetObjectRects(&m_rect, &m_rect);
    else if (m_hWnd)
        ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

HRESULT STDMETHODCALLTYPE COleControlSite::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IOleControlSite)
        *object = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IDispatch)
        *object = static_cast<IDispatch*>(this);
    else
        *object = QueryExtraInterface(iid);
    if (!*object)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE COleControlSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_pDialog ? m_pDialog->m_hWnd : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE COleControlSite::OnInPlaceActivate()
{
    if (m_pObject && !m_pInPlaceObject)
        m_pObject.As(m_pInPlaceObject);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
    RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* frameInfo)
{
    if (!frame || !document || !position || !clip || !frameInfo)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = m_rect;
    *clip = m_rect;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = m_pDialog ? m_pDialog->m_hWnd : nullptr;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::OnInPlaceDeactivate()
{
    m_pActiveObject.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::OnPosRectChange(LPCRECT rect)
{
    if (!rect)
        return E_POINTER;
    SetObjectRects(*rect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    m_pActiveObject = ComPtr<IOleInPlaceActiveObject>::FromBorrowed(object);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*,
    VARIANT* result, EXCEPINFO*, UINT*)
{
    if (!(flags & DISPATCH_PROPERTYGET) || !result)
        return DISP_E_MEMBERNOTFOUND;
    switch (member) {
    case DISPID_AMBIENT_USERMODE:
        ::VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        ::VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

// ---------------------------------------------------------------------------------------------
// COleControlSite::EventSink

HRESULT STDMETHODCALLTYPE COleControlSite::EventSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_iid)
        return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::EventSink::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleControlSite::EventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params,
    VARIANT*, EXCEPINFO*, UINT*)
{
    if (!params || !m_site.m_pDialog)
        return S_OK;
    try {
        m_site.m_pDialog->OnControlEvent(m_site.m_nID, member, *params);
    } catch (...) {
        // An event handler's failure stays on this side of the control.
    }
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// COleControlContainer

std::unique_ptr<COleControlContainer> COleControlContainer::CreateFor(CDialogEx& dialog, const std::vector<DialogItem>& items)
{
    if (!g_manager || !EnsureOle())
        return nullptr;
    std::unique_ptr<COleControlContainer> container(new COleControlContainer(dialog));
    const std::vector<DialogInitRecord> initData = LoadDialogInit(dialog.TemplateId());

    // Each control goes into the sibling (and tab) order where its template item stands.
    HWND previous = HWND_TOP;
    for (const DialogItem& item : items) {
        if (!DialogTemplate::IsClassIdItem(item)) {
            if (HWND made = ::GetDlgItem(dialog.m_hWnd, static_cast<int>(item.id)))
                previous = made;
            continue;
        }
        const std::vector<BYTE>* state = nullptr;
        for (const DialogInitRecord& record : initData) {
            if (record.controlId == item.id && record.message == kLoadFromStream)
                state = &record.data;
        }
        std::unique_ptr<COleControlSite> site = g_manager->CreateSite(container.get());
        if (!site || !site->CreateControl(dialog, item, state))
            continue;
        ::SetWindowPos(site->ControlWindow(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = site->ControlWindow();
        container->m_sites.push_back(std::move(site));
    }
    return container;
}

COleControlContainer::~COleControlContainer() { CloseAll(); }

COleControlSite* COleControlContainer::FindSite(int id) const
{
    for (const auto& site : m_sites) {
        if (site->ControlId() == id)
            return site.get();
    }
    return nullptr;
}

void COleControlContainer::CloseAll()
{
    for (const auto& site : m_sites)
        site->Close();
}
