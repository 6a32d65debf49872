#include "login/login_dlg.h"

#include "framework/app.h"
#include "framework/gdi.h"
#include "login/login_active_dlg.h"

namespace {
constexpr UINT kBackdropPng = 155;
}

CLoginDlg::CLoginDlg()
    : CDialogEx(IDD), m_hIcon(::LoadIconW(ResourceModule(), MAKEINTRESOURCEW(128)))
{
}

CLoginDlg::~CLoginDlg() = default;

BOOL CLoginDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    SetWindowText(L"Qarvelo");
    m_layered.m_hWnd = m_hWnd;
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ModifyStyle(WS_CAPTION, 0);

    // The picture goes on before the overlay is made: under Wine, giving a window its per-pixel
    // alpha remakes its X window on top of the stack, which would bury an overlay made earlier.
    const bool pictureLoaded = m_layered.m_png.Load(kBackdropPng, ResourceModule());
    if (pictureLoaded) {
        Gdiplus::Image* image = m_layered.m_png.Image();
        MoveWindow(0, 0, static_cast<int>(image->GetWidth()), static_cast<int>(image->GetHeight()), TRUE);
        CenterWindow();
        m_layered.ApplyPng();
    }

    m_pActiveDlg = std::make_unique<CLoginActiveDlg>(this);
    m_pActiveDlg->Create(CLoginActiveDlg::IDD, this);
    m_pActiveDlg->ShowWindow(SW_SHOWNORMAL);
    // Without the picture both windows keep their template sizes and places.
    if (pictureLoaded)
        m_pActiveDlg->MoveWindow(GetWindowRect(), TRUE);
    return TRUE;
}

void PaintMinimizedIcon(HWND window, HICON icon)
{
    CPaintDC dc(window);
    ::SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(window, &client);
    ::DrawIcon(dc.Get(), (Width(client) - iconWidth + 1) / 2, (Height(client) - iconHeight + 1) / 2, icon);
}

void CLoginDlg::OnPaint()
{
    if (IsIconic()) {
        PaintMinimizedIcon(m_hWnd, m_hIcon);
        return;
    }
    // A layered window is drawn from its picture and gets no paint; this is the unlayered fallback,
    // which must still validate the window or WM_PAINT would come back for ever.
    Default();
}

LRESULT CLoginDlg::OnNcHitTest(POINT)
{
    m_bBackdropLeads = TRUE;
    LRESULT hit = Default();
    return hit == HTCLIENT ? HTCAPTION : hit;
}

void CLoginDlg::OnMove(int, int)
{
    if (!m_hWnd || !m_bBackdropLeads || !m_pActiveDlg || !m_pActiveDlg->m_hWnd)
        return;
    RECT backdrop = GetWindowRect();
    RECT overlay = m_pActiveDlg->GetWindowRect();
    m_pActiveDlg->MoveWindow(backdrop.left, backdrop.top, Width(overlay), Height(overlay), TRUE);
}

void CLoginDlg::OnShowWindow(BOOL show, UINT)
{
    Default();
    if (m_pActiveDlg && m_pActiveDlg->m_hWnd)
        m_pActiveDlg->ShowWindow(show ? SW_SHOWNORMAL : SW_HIDE);
}
