#include "framework/dialog.h"

#include <algorithm>

#include "framework/app.h"
#include "framework/occ.h"

namespace {

thread_local CDialogEx* t_dialogBeingCreated = nullptr;

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG ||
           message == WM_QUERYDRAGICON || message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
           message == WM_CHARTOITEM;
}

} // namespace

CDialogEx::CDialogEx(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialogEx::~CDialogEx()
{
    // Go before the members do, and without routing the last messages into a half-destroyed object.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND window = m_hWnd;
        Unbind();
        ::DestroyWindow(window);
    }
}

HWND CDialogEx::CreateFromTemplate(HWND owner)
{
    HINSTANCE module = ResourceModule();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return nullptr;

    DialogTemplate parsed;
    std::vector<BYTE> filtered;
    const void* source = bytes;
    m_templateItems.clear();
    if (parsed.Parse(bytes, ::SizeofResource(module, found))) {
        const auto& items = parsed.Items();
        if (std::any_of(items.begin(), items.end(), DialogTemplate::IsClassIdItem)) {
            m_templateItems = items;
            // The dialog manager knows no class ids: those items are the control container's.
            filtered = parsed.Filtered([](const DialogItem& item) { return !DialogTemplate::IsClassIdItem(item); });
            source = filtered.data();
        }
    }

    t_dialogBeingCreated = this;
    HWND window = ::CreateDialogIndirectParamW(module, static_cast<const DLGTEMPLATE*>(source), owner, DialogProc, 0);
    t_dialogBeingCreated = nullptr;
    if (!window) {
        Unbind();
        return nullptr;
    }
    return window;
}

BOOL CDialogEx::Create(UINT templateId, CWnd* parent)
{
    if (m_hWnd)
        return FALSE;
    m_templateId = templateId;
    if (parent)
        m_pParentWnd = parent;
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner) {
        CWnd* main = AfxGetMainWnd();
        owner = main ? main->m_hWnd : nullptr;
    }
    return CreateFromTemplate(owner) != nullptr;
}

HWND CDialogEx::DefaultModalOwner()
{
    CWnd* main = AfxGetMainWnd();
    HWND owner = main ? main->m_hWnd : nullptr;
    if (!owner || !::IsWindow(owner))
        return nullptr;
    // A popup is owned by a top-level window, and by the one of its family the user used last.
    while (::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)
        owner = ::GetParent(owner);
    return ::GetLastActivePopup(owner);
}

INT_PTR CDialogEx::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : DefaultModalOwner();
    while (owner && (::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);

    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }

    m_modalDone = false;
    m_modalResult = -1;
    HWND window = CreateFromTemplate(owner);
    if (window && !m_modalDone) {
        if (!::IsWindowVisible(window))
            ::ShowWindow(window, SW_SHOWNORMAL);
        CWinApp::PumpUntil([this] { return m_modalDone; });
    }

    // The owner must be enabled again before the dialog goes, or the system activates another program.
    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (::GetActiveWindow() == m_hWnd && owner)
            ::SetActiveWindow(owner);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
            SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        HWND dying = m_hWnd;
        ::DestroyWindow(dying);
    }
    return m_modalResult;
}

void CDialogEx::EndDialog(int result)
{
    m_modalResult = result;
    m_modalDone = true;
    // Wake the loop in case this came from outside its dispatch.
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialogEx::PreTranslateMessage(MSG* message)
{
    if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST && m_hWnd)
        return ::IsDialogMessageW(m_hWnd, message);
    return FALSE;
}

BOOL CDialogEx::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

HBRUSH CDialogEx::OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

void CDialogEx::DDX_Control(int id, CWnd& control)
{
    if (control.m_hWnd)
        return;
    HWND item = GetDlgItem(id);
    control.SubclassWindow(item);
    if (m_container)
        control.SetControlSite(m_container->FindSite(id));
}

bool CDialogEx::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_INITDIALOG) {
        result = OnInitDialog();
        return true;
    }
    if (message == WM_DRAWITEM) {
        auto item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (CWnd* control = item ? CWnd::FromHandlePermanent(item->hwndItem) : nullptr)
            return control->OnReflectedMessage(message, wParam, lParam, result);
    }
    if (message == WM_COMMAND && HIWORD(wParam) <= 1) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            result = 0;
            return true;
        case IDCANCEL:
            OnCancel();
            result = 0;
            return true;
        default:
            // Commands no window took go on to the application (the help command does).
            if (CWinApp* app = CWinApp::Instance(); app && app->OnCommand(LOWORD(wParam))) {
                result = 0;
                return true;
            }
        }
    }
    return CWnd::ProcessWindowMessage(message, wParam, lParam, result);
}

LRESULT CDialogEx::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The dialog manager's own processing: it asks the dialog procedure first, which then declines.
    m_defaultPending = true;
    m_defaultMessage = message;
    LRESULT result = ::DefDlgProcW(m_hWnd, message, wParam, lParam);
    m_defaultPending = false;
    return result;
}

INT_PTR CALLBACK CDialogEx::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* dialog = static_cast<CDialogEx*>(CWnd::FromHandlePermanent(window));
    if (!dialog && t_dialogBeingCreated) {
        dialog = t_dialogBeingCreated;
        t_dialogBeingCreated = nullptr;
        dialog->Bind(window);
        dialog->m_binding = Binding::Owned;
    }
    if (!dialog)
        return FALSE;
    return dialog->DialogMessage(message, wParam, lParam);
}

INT_PTR CDialogEx::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_defaultPending && message == m_defaultMessage) {
        m_defaultPending = false;
        return FALSE;
    }

    if (message == WM_INITDIALOG && !m_templateItems.empty()) {
        // The container's controls exist before data exchange binds members to them.
        m_container = COleControlContainer::CreateFor(*this, m_templateItems);
    }
    if (message == WM_DESTROY && m_container)
        m_container->CloseAll();

    LRESULT result = 0;
    bool handled = DispatchToMap(message, wParam, lParam, result);

    if (message == WM_NCDESTROY) {
        // A modal dialog whose window someone else destroyed (its owner going, say) is over too.
        m_modalDone = true;
        m_container.reset();
        Unbind();
        PostNcDestroy();
        return FALSE;
    }
    if (!handled)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
