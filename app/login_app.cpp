#include "app/login_app.h"

#include <commctrl.h>

#include "browser/custom_site.h"
#include "browser/external.h"
#include "dialogs/confirm_dlg.h"
#include "framework/shell_manager.h"
#include "game/game_dialog.h"
#include "login/login_active_dlg.h"
#include "login/login_dlg.h"
#include "skin/png_image.h"

CLoginApp theApp;

CLoginApp::CLoginApp()
{
    m_dwRestartManagerSupportFlags = 1; // restart only: no recovery, no autosave
}

CLoginApp::~CLoginApp() = default;

BOOL CLoginApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();

    // Lives until the process ends: every dialog created from here on may host a control.
    static CCustomOccManager controlManager;
    m_pExternal = std::make_unique<CImpIDispatch>();
    AfxEnableControlContainer(&controlManager);

    // A failure shows later as missing pictures; the windows that load them decide what that means.
    StartGdiPlus(m_gdiplusToken);
    auto shellManager = std::make_unique<CShellManager>();
    CMFCVisualManager::SetDefaultManager<CMFCVisualManagerWindows>();
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    {
        CLoginDlg backdrop;
        m_pMainWnd = &backdrop;
        backdrop.DoModal();

        backdrop.m_pActiveDlg.reset();
        DestroyGameWindow();
        shellManager.reset();
        m_pExternal.reset();
        CMFCVisualManager::ControlBarCleanUp();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

void CLoginApp::OnQuitWithConfirm()
{
    CConfirmDlg confirm;
    confirm.m_nMode = CConfirmDlg::kModeQuit;
    if (confirm.DoModal() == IDOK)
        ::PostQuitMessage(kQuitExitCode);
}

void CLoginApp::DestroyGameWindow()
{
    if (!m_pGameDialog)
        return;
    CGameDialog& game = *m_pGameDialog;
    game.m_bmpCaption.DeleteObject();
    // With the backdrop already gone the handle is null, and the system has dropped the keys itself.
    ::UnregisterHotKey(game.m_hWnd, game.m_nBossHotKeyId);
    ::UnregisterHotKey(game.m_hWnd, game.m_nFullScreenHotKeyId);
    // The record still names the old window and icon id, so this works after the window is gone too.
    ::Shell_NotifyIconW(NIM_DELETE, &game.m_nid);
    if (game.m_hWnd)
        ::DestroyWindow(game.m_hWnd);
    // The choose-server command runs inside the game window's own handler: its object may only go
    // once that handler has returned.
    DeleteWindowObject(std::move(m_pGameDialog));
}

CGameDialog* GetGameWindow()
{
    if (theApp.m_pGameDialog)
        return theApp.m_pGameDialog.get();
    theApp.m_pGameDialog = std::make_unique<CGameDialog>();
    CGameDialog* game = theApp.m_pGameDialog.get();
    if (!game->Create(CGameDialog::IDD)) {
        theApp.m_pGameDialog.reset();
        return nullptr;
    }
    game->ShowWindow(SW_HIDE);
    return game;
}

void EnterGame(const wchar_t* url)
{
    CGameDialog* game = GetGameWindow();
    // Without a game window the login windows stay, rather than leaving the player with nothing.
    if (!game)
        return;
    VARIANT empty;
    ::VariantInit(&empty);
    game->m_browser.Navigate(url, &empty, &empty, &empty, &empty);
    game->ShowWindow(SW_SHOWNORMAL);
    game->SetActiveWindow();
    if (CWnd* backdrop = AfxGetMainWnd())
        backdrop->ShowWindow(SW_HIDE);
}
