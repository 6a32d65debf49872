// CDialogEx: windows built from the launcher's dialog templates, modal or modeless.
#pragma once

#include <memory>
#include <vector>

#include "framework/dialog_template.h"
#include "framework/wnd.h"

#include <oaidl.h>

class COleControlContainer;

class CDialogEx : public CWnd {
public:
    explicit CDialogEx(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDialogEx() override;

    // Modeless: creates the window from the template. Without a parent the application's main
    // window becomes the owner.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Modal: runs the dialog in a loop of its own and returns what EndDialog was given, or -1 when
    // the window could not be made. Without a parent the owner is the main window's last active
    // popup; the owner is disabled while the dialog runs.
    INT_PTR DoModal();
    void EndDialog(int result);

    // Keyboard navigation by the dialog manager.
    BOOL PreTranslateMessage(MSG* message) override;

    UINT TemplateId() const { return m_templateId; }
    COleControlContainer* ControlContainer() const { return m_container.get(); }

    // An event of a hosted control; the dialog's event-sink table answers true when it took it.
    virtual bool OnControlEvent(int, DISPID, DISPPARAMS&) { return false; }

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The base handling of WM_CTLCOLOR...: whatever the dialog manager paints with.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

    // Binds a member object to the template's control with this id (subclassing it).
    void DDX_Control(int id, CWnd& control);

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND owner);
    static HWND DefaultModalOwner();

    UINT m_templateId;
    CWnd* m_pParentWnd;
    bool m_modalDone = false;
    INT_PTR m_modalResult = -1;
    bool m_defaultPending = false;
    UINT m_defaultMessage = 0;
    // The template's items, kept when some of them are the control container's.
    std::vector<DialogItem> m_templateItems;
    std::unique_ptr<COleControlContainer> m_container;
};
