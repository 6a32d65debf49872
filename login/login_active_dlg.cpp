#include "login/login_active_dlg.h"

#include "app/login_app.h"

#include <string>
#include "login/login_dlg.h"
#include "qarvelo_config.h"

CLoginActiveDlg::CLoginActiveDlg(CLoginDlg* owner) : m_pOwner(owner) {}

CLoginActiveDlg::~CLoginActiveDlg() = default;

namespace {
constexpr UINT kMinimizeStrip = 162;
constexpr UINT kCloseStrip = 160;
} // namespace

void CLoginActiveDlg::DoDataExchange()
{
    DDX_Control(kBrowser, m_browser);
    DDX_Control(kMinimizeButton, m_btnMinimize);
    DDX_Control(kCloseButton, m_btnClose);
}

BOOL CLoginActiveDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    m_layered.m_hWnd = m_hWnd;
    m_brushKey.CreateSolidBrush(m_colorKey);
    m_layered.SetColorKey(m_colorKey, 255);
    m_browser.MoveWindow(560, 177, 631, 446, TRUE);
    VARIANT empty;
    ::VariantInit(&empty);
    m_browser.Navigate(QARVELO_LOGIN_URL, &empty, &empty, &empty, &empty);
    // Shown once the first navigation has completed.
    m_browser.ShowWindow(SW_HIDE);
    InitImageButtons();
    ::VariantClear(&empty);
    return TRUE;
}

void CLoginActiveDlg::InitImageButtons()
{
    StartGdiPlusFor(m_btnMinimize);
    StartGdiPlusFor(m_btnClose);
    m_btnMinimize.SetImage(kMinimizeStrip);
    m_btnClose.SetImage(kCloseStrip);
    // The minimise area is taller than its picture, which is drawn at its top.
    m_btnMinimize.MoveWindow(1173, 137, 39, 75, TRUE);
    m_btnClose.MoveWindow(1208, 115, 54, 54, TRUE);
}

void CLoginActiveDlg::OnMove(int, int)
{
    if (!m_hWnd || !m_pOwner || m_pOwner->m_bBackdropLeads || !m_pOwner->m_hWnd)
        return;
    RECT overlay = GetWindowRect();
    RECT backdrop = m_pOwner->GetWindowRect();
    m_pOwner->MoveWindow(overlay.left, overlay.top, Width(backdrop), Height(backdrop), TRUE);
}

LRESULT CLoginActiveDlg::OnNcHitTest(POINT)
{
    if (m_pOwner)
        m_pOwner->m_bBackdropLeads = FALSE;
    return Default() == HTCLIENT ? HTCAPTION : HTNOWHERE;
}

void CLoginActiveDlg::OnMinimize()
{
    if (m_pOwner)
        m_pOwner->ShowWindow(SW_MINIMIZE);
}

void CLoginActiveDlg::OnQuitWithConfirm() { theApp.OnQuitWithConfirm(); }

void CLoginActiveDlg::OnBeforeNavigate2(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*, BOOL* Cancel)
{
    std::wstring url;
    if (URL->vt == VT_BSTR && URL->bstrVal)
        url.assign(URL->bstrVal, ::SysStringLen(URL->bstrVal));
    if (url.find(L"client=1") == std::wstring::npos)
        return;
    // Cancelled before the game window exists, so the login page never leaves.
    *Cancel = TRUE;
    EnterGame(url.c_str());
}

void CLoginActiveDlg::OnNavigateComplete2(IDispatch*, VARIANT*)
{
    if (!m_browser.IsWindowVisible())
        m_browser.ShowWindow(SW_SHOW);
}
