// ActiveX control containment for dialogs. A dialog's template items that name a control by class id
// are created here, each with a site from the installed manager, in-place activated at the item's
// rectangle, and their events routed to the dialog's event-sink table.
#pragma once

#include <ole2.h>
#include <ocidl.h>

#include <memory>
#include <vector>

#include "framework/dialog_template.h"
#include "framework/handles.h"

class CDialogEx;
class COleControlContainer;

// What a host gives one control: client site, in-place site and frame, control site, ambient
// properties, and the event sink. One COM identity; the container owns the object.
class COleControlSite : public IOleClientSite,
                        public IOleInPlaceSite,
                        public IOleInPlaceFrame,
                        public IOleControlSite,
                        public IDispatch {
public:
    explicit COleControlSite(COleControlContainer* container) : m_pContainer(container) {}
    virtual ~COleControlSite();
    COleControlSite(const COleControlSite&) = delete;
    COleControlSite& operator=(const COleControlSite&) = delete;

    // Creates the control for this template item and activates it in place; false when it cannot.
    bool CreateControl(CDialogEx& dialog, const DialogItem& item, const std::vector<BYTE>* persistedState);
    // Deactivates and closes the control and drops every reference this site holds on it.
    void Close();

    int ControlId() const { return m_nID; }
    HWND ControlWindow() const { return m_hWnd; }
    IUnknown* Control() const { return m_pObject.Get(); }
    // Automation on the control itself (IDispatch of the control, not of this site).
    HRESULT InvokeControl(DISPID member, WORD flags, DISPPARAMS& params, VARIANT* result) const;
    // Keys on their way to the control: the in-place active object translates its accelerators.
    bool TranslateAccelerator(MSG* message) const;
    // Moves the control through its in-place object, so that it lays itself out again.
    void SetObjectRects(const RECT& rect);

    // IUnknown, shared by every interface of the site.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refCount); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_refCount); }
    LONG RefCount() const { return m_refCount; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (for the in-place site and the frame alike)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
        RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame: the dialog has no tool space, menus or status bar.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
        EXCEPINFO*, UINT*) override;

protected:
    // Interfaces a derived site adds to the shared identity; null for none.
    virtual void* QueryExtraInterface(REFIID) { return nullptr; }

private:
    // The control's events, handed to the dialog's event-sink table.
    class EventSink : public IDispatch {
    public:
        explicit EventSink(COleControlSite& site) : m_site(site) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return m_site.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_site.Release(); }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
            EXCEPINFO*, UINT*) override;
        IID m_iid{};

    private:
        COleControlSite& m_site;
    };

    void ConnectEvents();
    RECT m_rect{};

    COleControlContainer* m_pContainer;
    CDialogEx* m_pDialog = nullptr;
    LONG m_refCount = 0;
    int m_nID = 0;
    HWND m_hWnd = nullptr;
    ComPtr<IOleObject> m_pObject;
    ComPtr<IOleInPlaceObject> m_pInPlaceObject;
    ComPtr<IOleInPlaceActiveObject> m_pActiveObject;
    ComPtr<IDispatch> m_pDispatch;
    ComPtr<IConnectionPoint> m_pEventPoint;
    DWORD m_eventCookie = 0;
    EventSink m_eventSink{*this};
};

// Decides which site each hosted control gets.
class COccManager {
public:
    virtual ~COccManager() = default;
    [[nodiscard]] virtual std::unique_ptr<COleControlSite> CreateSite(COleControlContainer* container) = 0;
};

// Installs the manager for every dialog created afterwards.
void AfxEnableControlContainer(COccManager* manager);
COccManager* ActiveControlManager();

// The ActiveX controls of one dialog.
class COleControlContainer {
public:
    // Null when no manager is installed: the items are then left out of the dialog.
    static std::unique_ptr<COleControlContainer> CreateFor(CDialogEx& dialog, const std::vector<DialogItem>& items);
    ~COleControlContainer();

    COleControlSite* FindSite(int id) const;
    CDialogEx& Dialog() const { return m_dialog; }
    void CloseAll();

private:
    explicit COleControlContainer(CDialogEx& dialog) : m_dialog(dialog) {}

    CDialogEx& m_dialog;
    std::vector<std::unique_ptr<COleControlSite>> m_sites;
};
