#include "game/game_dialog.h"

#include <climits>

#include "app/login_app.h"
#include "dialogs/clean_cache_dlg.h"
#include "dialogs/confirm_dlg.h"
#include "framework/app.h"
#include "login/login_active_dlg.h"
#include "login/login_dlg.h"

namespace {

constexpr UINT kCaptionBitmap = 136;
constexpr UINT kTitleBitmap = 141;
constexpr UINT kWindowIcon = 128;
constexpr int kTitleWidth = 83;
constexpr int kNormalWidth = 1000;
constexpr int kNormalHeight = 700;
// Between the full-screen and the minimise button.
constexpr int kFullScreenGap = 40;

RECT WorkArea()
{
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

} // namespace

CGameDialog::CGameDialog() : CDialogEx(IDD), m_hIcon(::LoadIconW(ResourceModule(), MAKEINTRESOURCEW(kWindowIcon))) {}

CGameDialog::~CGameDialog()
{
    // The window goes while every member is still there to answer its last messages.
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CGameDialog::DoDataExchange()
{
    DDX_Control(kBrowser, m_browser);
    DDX_Control(kClose, m_btnClose);
    DDX_Control(kMaximize, m_btnMaximize);
    DDX_Control(kMinimize, m_btnMinimize);
    DDX_Control(kFullScreen, m_btnFullScreen);
    DDX_Control(kBossKey, m_btnBossKey);
    DDX_Control(kRefresh, m_btnRefresh);
    DDX_Control(kChooseServer, m_btnServer);
    DDX_Control(kClearCache, m_btnClearCache);
    DDX_Control(kRestore, m_btnRestore);
}

BOOL CGameDialog::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    SetWindowText(L"Qarvelo");
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    // No taskbar button while the window is being put together.
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW, 0);
    m_bmpCaption.LoadBitmap(kCaptionBitmap);
    ApplyMaximizedGeometry();
    m_pToolTip = std::make_unique<CToolTipCtrl>();
    m_pToolTip->Create(this, 0);
    SetUpCaptionBar();
    // Taken from every other program while the game window exists; a key someone else holds simply
    // does nothing here.
    ::RegisterHotKey(m_hWnd, m_nBossHotKeyId, 0, VK_F10);
    ::RegisterHotKey(m_hWnd, m_nFullScreenHotKeyId, 0, VK_F11);
    ModifyStyleEx(WS_EX_TOOLWINDOW, WS_EX_APPWINDOW, 0);
    AddTrayIcon();
    m_btnMaximize.ShowWindow(SW_HIDE);
    return TRUE;
}

void CGameDialog::LoadCaptionImages()
{
    struct CaptionButton {
        CPngButton& button;
        UINT strip;
        const wchar_t* tip;
    };
    const CaptionButton buttons[] = {
        {m_btnClose, 166, nullptr},
        {m_btnRestore, 189, L"还原"},
        {m_btnMaximize, 168, L"最大化"},
        {m_btnMinimize, 169, L"最小化"},
        {m_btnFullScreen, 167, L"按F11进入/退出全屏"},
        {m_btnBossKey, 164, nullptr},
        {m_btnRefresh, 170, nullptr},
        {m_btnServer, 171, nullptr},
        {m_btnClearCache, 1000, nullptr},
    };
    for (const CaptionButton& entry : buttons) {
        StartGdiPlusFor(entry.button);
        entry.button.SetImage(entry.strip);
        if (entry.tip && m_pToolTip)
            m_pToolTip->AddTool(entry.button.m_hWnd, entry.tip);
    }
}

void CGameDialog::SetUpCaptionBar()
{
    LoadCaptionImages();
    LayoutCaptionBar();
    HWND logo = GetDlgItem(kTitleLogo);
    m_bmpTitle.LoadBitmap(kTitleBitmap);
    CWnd::ModifyStyleOf(logo, 0, SS_BITMAP | SS_CENTERIMAGE);
    ::SendMessageW(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bmpTitle.Get()));
    ::MoveWindow(logo, 0, 0, kTitleWidth, kCaptionHeight, TRUE);
}

void CGameDialog::LayoutCaptionBar()
{
    const int width = GetClientRect().right;
    auto place = [](CPngButton& button, int x, int buttonWidth) {
        button.MoveWindow(x, 0, buttonWidth, kCaptionHeight, TRUE);
    };
    int x = width - 2 - m_btnClose.FrameWidth();
    place(m_btnClose, x, m_btnClose.FrameWidth());
    x -= m_btnRestore.FrameWidth();
    // Only one of the two shows at a time, and both take the restore button's place.
    place(m_btnRestore, x, m_btnRestore.FrameWidth());
    place(m_btnMaximize, x, m_btnRestore.FrameWidth());
    x -= m_btnMinimize.FrameWidth();
    place(m_btnMinimize, x, m_btnMinimize.FrameWidth());
    x -= kFullScreenGap + m_btnFullScreen.FrameWidth();
    place(m_btnFullScreen, x, m_btnFullScreen.FrameWidth());
    // These three hide the last two columns of their strips.
    for (CPngButton* narrowed : {&m_btnBossKey, &m_btnClearCache, &m_btnRefresh}) {
        x -= narrowed->FrameWidth() - 2;
        place(*narrowed, x, narrowed->FrameWidth() - 2);
    }
    x -= m_btnServer.FrameWidth() + 2;
    place(m_btnServer, x, m_btnServer.FrameWidth());
    Invalidate(TRUE);
}

void CGameDialog::ShowCaptionControls(int command)
{
    ::ShowWindow(GetDlgItem(kTitleLogo), command);
    for (CPngButton* button : {&m_btnClose, &m_btnMinimize, &m_btnFullScreen, &m_btnBossKey, &m_btnRefresh,
             &m_btnServer, &m_btnClearCache})
        button->ShowWindow(command);
    if (command == SW_SHOW) {
        const bool normal = m_nDisplayMode == DISPLAY_NORMAL;
        m_btnMaximize.ShowWindow(normal ? SW_SHOW : SW_HIDE);
        m_btnRestore.ShowWindow(normal ? SW_HIDE : SW_SHOW);
    } else {
        m_btnMaximize.ShowWindow(command);
        m_btnRestore.ShowWindow(command);
    }
}

void CGameDialog::ApplyNormalGeometry()
{
    MoveWindow(0, 0, kNormalWidth, kNormalHeight, TRUE);
    CenterWindow();
    m_browser.MoveWindow(0, kCaptionHeight, kNormalWidth, kNormalHeight - kCaptionHeight, TRUE);
}

void CGameDialog::ApplyMaximizedGeometry()
{
    // At the screen origin whatever the work area's origin: only its size counts.
    const RECT area = WorkArea();
    MoveWindow(0, 0, Width(area), Height(area), TRUE);
    m_browser.MoveWindow(0, kCaptionHeight, Width(area), Height(area) - kCaptionHeight, TRUE);
}

void CGameDialog::ApplyFullScreenGeometry()
{
    RECT screen{};
    ::GetClientRect(::GetDesktopWindow(), &screen);
    MoveWindow(0, 0, Width(screen), Height(screen), TRUE);
    m_browser.MoveWindow(0, 0, Width(screen), Height(screen), TRUE);
}

void CGameDialog::ApplyDisplayMode()
{
    switch (m_nDisplayMode) {
    case DISPLAY_FULLSCREEN:
        ShowCaptionControls(SW_HIDE);
        ApplyFullScreenGeometry();
        break;
    case DISPLAY_MAXIMIZED:
        ShowCaptionControls(SW_SHOW);
        ApplyMaximizedGeometry();
        LayoutCaptionBar();
        break;
    default:
        ShowCaptionControls(SW_SHOW);
        ApplyNormalGeometry();
        LayoutCaptionBar();
        break;
    }
}

void CGameDialog::ToggleMaximized()
{
    if (m_nDisplayMode == DISPLAY_MAXIMIZED)
        m_nDisplayMode = DISPLAY_NORMAL;
    else if (m_nDisplayMode == DISPLAY_NORMAL)
        m_nDisplayMode = DISPLAY_MAXIMIZED;
    ApplyDisplayMode();
}

void CGameDialog::OnFullScreen()
{
    m_nDisplayMode = DISPLAY_FULLSCREEN;
    ShowCaptionControls(SW_HIDE);
    ApplyFullScreenGeometry();
}

void CGameDialog::ToggleFullScreen()
{
    if (!IsWindowVisible())
        return;
    // Leaving full screen always lands in the maximised mode.
    m_nDisplayMode = m_nDisplayMode == DISPLAY_FULLSCREEN ? DISPLAY_MAXIMIZED : DISPLAY_FULLSCREEN;
    ApplyDisplayMode();
}

void CGameDialog::ToggleVisible() { ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW); }

void CGameDialog::OnHotKey(int id, UINT, UINT)
{
    if (id == m_nBossHotKeyId)
        ToggleVisible();
    else if (id == m_nFullScreenHotKeyId)
        ToggleFullScreen();
    Default();
}

void CGameDialog::OnSize(UINT, int, int)
{
    Default();
    // A minimised window keeps its rectangles until it is restored, which re-applies them; moving it
    // while minimised would leave it neither minimised nor in its mode.
    if (IsWindowVisible() && !IsIconic())
        ApplyDisplayMode();
}

void CGameDialog::OnLButtonDblClk(UINT, POINT)
{
    ToggleMaximized();
    Default();
}

void CGameDialog::OnLButtonDown(UINT, POINT point)
{
    // Only the normal window moves: pressing its band acts as pressing a caption.
    if (m_nDisplayMode == DISPLAY_NORMAL)
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    Default();
}

void CGameDialog::OnPaint()
{
    if (IsIconic()) {
        PaintMinimizedIcon(m_hWnd, m_hIcon);
        return;
    }
    if (m_nDisplayMode == DISPLAY_FULLSCREEN) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    if (!m_bmpCaption)
        return;
    const SIZE bitmap = m_bmpCaption.GetSize();
    CMemoryDC source(dc.Get(), m_bmpCaption);
    ::StretchBlt(dc.Get(), 0, 0, GetClientRect().right, kCaptionHeight, source.Get(), 0, 0, bitmap.cx, kCaptionHeight,
        SRCCOPY);
}

BOOL CGameDialog::PreTranslateMessage(MSG* message)
{
    // Enter and Escape belong to the page, never to the dialog's default and cancel commands.
    if (message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_ESCAPE))
        return FALSE;
    if (m_pToolTip && m_pToolTip->m_hWnd)
        m_pToolTip->RelayEvent(message);
    return CDialogEx::PreTranslateMessage(message);
}

void CGameDialog::OnNavigateComplete2(IDispatch*, VARIANT*)
{
    if (!m_browser.IsWindowVisible())
        m_browser.ShowWindow(SW_SHOW);
}

void CGameDialog::AddTrayIcon()
{
    m_nid = NOTIFYICONDATAW{};
    m_nid.cbSize = sizeof(m_nid);
    m_nid.hWnd = m_hWnd;
    m_nid.uID = kTrayIconId;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYNOTIFY;
    m_nid.hIcon = ::LoadIconW(ResourceModule(), MAKEINTRESOURCEW(kWindowIcon));
    lstrcpynW(m_nid.szTip, L"Qarvelo", ARRAYSIZE(m_nid.szTip));
    ::Shell_NotifyIconW(NIM_ADD, &m_nid);
}

UINT CGameDialog::TaskbarCreatedMessage()
{
    // Broadcast when the shell (re)starts; a failed registration must not turn into WM_NULL.
    static const UINT message = [] {
        UINT id = ::RegisterWindowMessageW(L"TaskbarCreated");
        return id ? id : UINT_MAX;
    }();
    return message;
}

LRESULT CGameDialog::OnTaskbarCreated(WPARAM, LPARAM)
{
    // A restarted shell has forgotten the icon.
    ::Shell_NotifyIconW(NIM_ADD, &m_nid);
    return 0;
}

LRESULT CGameDialog::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != kTrayIconId)
        return 1;
    if (mouseMessage == WM_LBUTTONDBLCLK)
        ToggleVisible();
    else if (mouseMessage == WM_RBUTTONUP)
        ShowTrayMenu();
    return 0;
}

void CGameDialog::ShowTrayMenu()
{
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ScopedMenu menu(::CreatePopupMenu());
    if (!menu)
        return;
    ::AppendMenuW(menu.Get(), MF_STRING, kTrayQuit, L"退出");
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(m_hWnd);
    ::TrackPopupMenu(menu.Get(), 0, cursor.x, cursor.y, 0, m_hWnd, nullptr);
    PostMessage(WM_NULL);
}

void CGameDialog::OnQuitWithConfirm() { theApp.OnQuitWithConfirm(); }

void CGameDialog::OnClose()
{
    // Alt+F4 and the taskbar's close ask like the close button; nothing is released while the window stays.
    OnQuitWithConfirm();
}

void CGameDialog::OnClearCache()
{
    // Modal over the game window; the page is not reloaded afterwards.
    CCleanCacheDlg cleaner;
    cleaner.DoModal();
}

void CGameDialog::OnChooseServer()
{
    CConfirmDlg confirm;
    confirm.m_nMode = CConfirmDlg::kModeChooseServer;
    if (confirm.DoModal() != IDOK)
        return;
    // This window goes here; from now on only the application and its main window are used.
    theApp.DestroyGameWindow();
    auto* backdrop = static_cast<CLoginDlg*>(AfxGetMainWnd());
    if (!backdrop)
        return;
    backdrop->ShowWindow(SW_SHOWNORMAL);
    backdrop->SetActiveWindow();
    if (backdrop->m_pActiveDlg)
        backdrop->m_pActiveDlg->m_browser.Refresh();
}
