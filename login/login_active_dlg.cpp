#include "login/login_active_dlg.h"

#include "app/login_app.h"
#include "login/login_dlg.h"

CLoginActiveDlg::CLoginActiveDlg(CLoginDlg* owner) : m_pOwner(owner) {}

CLoginActiveDlg::~CLoginActiveDlg() = default;

BOOL CLoginActiveDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    m_layered.m_hWnd = m_hWnd;
    m_brushKey.CreateSolidBrush(m_colorKey);
    m_layered.SetColorKey(m_colorKey, 255);
    return TRUE;
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
