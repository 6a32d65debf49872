#include "framework/app.h"

#include "framework/wnd.h"

CWinApp* CWinApp::s_instance = nullptr;
MSG CWinApp::s_lastMessage{};
int CWinApp::s_exitCode = 0;

CWinApp::CWinApp() { s_instance = this; }

CWinApp::~CWinApp()
{
    if (s_instance == this)
        s_instance = nullptr;
}

int CWinApp::Run(HINSTANCE instance)
{
    m_hInstance = instance;
    if (InitInstance()) {
        while (PumpMessage()) {
        }
    }
    return ExitInstance();
}

BOOL CWinApp::InitInstance()
{
    if (m_dwRestartManagerSupportFlags & 1)
        ::RegisterApplicationRestart(nullptr, 0); // best effort: no restart is no reason not to start
    return TRUE;
}

int CWinApp::ExitInstance() { return s_exitCode; }

void CWinApp::SetRegistryKey(const wchar_t* company) { m_registryKey = company; }

bool CWinApp::OnCommand(UINT id)
{
    if (id != ID_HELP)
        return false;
    OnHelp();
    return true;
}

bool CWinApp::PumpMessage()
{
    MSG message{};
    BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1)
        return false;
    s_lastMessage = message;
    if (!got) {
        s_exitCode = static_cast<int>(message.wParam);
        // Let every loop outside this one end too, with the same code.
        ::PostQuitMessage(s_exitCode);
        return false;
    }
    if (!PreTranslate(message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    DeleteWaitingWindowObjects();
    return true;
}

bool CWinApp::PreTranslate(MSG& message)
{
    for (HWND window = message.hwnd; window; window = ::GetParent(window)) {
        if (CWnd* object = CWnd::FromHandlePermanent(window)) {
            if (object->PreTranslateMessage(&message))
                return true;
        }
        if (!(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
            break;
    }
    return false;
}

CWnd* AfxGetMainWnd()
{
    CWinApp* app = CWinApp::Instance();
    return app ? app->m_pMainWnd : nullptr;
}

HINSTANCE ResourceModule()
{
    CWinApp* app = CWinApp::Instance();
    if (app && app->m_hInstance)
        return app->m_hInstance;
    return ::GetModuleHandleW(nullptr);
}
