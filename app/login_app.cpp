#include "app/login_app.h"

#include <commctrl.h>

#include "browser/custom_site.h"
#include "browser/external.h"
#include "dialogs/confirm_dlg.h"
#include "framework/shell_manager.h"
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
    // The game window arrives with the hand-off; until then there is never one to tear down.
}

void EnterGame(const wchar_t*)
{
    // The game window arrives with the hand-off.
}
