// The application object: start-up, the one message loop, the quit command and shutdown.
#pragma once

#include <memory>

#include "framework/app.h"

class CImpIDispatch;
class CGameDialog;

class CLoginApp : public CWinApp {
public:
    static constexpr int kQuitExitCode = 16;

    CLoginApp();
    ~CLoginApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override { return CWinApp::ExitInstance(); }

    // Asks, and on OK ends the loop with the exit code 16.
    void OnQuitWithConfirm();
    // Tears the game window down, if there is one: hot keys, tray icon, bitmap, window and object.
    void DestroyGameWindow();

    ULONG_PTR m_gdiplusToken = 0;
    // Handed to page script by every browser; deleted only after the last browser is gone.
    std::unique_ptr<CImpIDispatch> m_pExternal;
    // The game window, null while there is none; made on the first game start.
    std::unique_ptr<CGameDialog> m_pGameDialog;
};

extern CLoginApp theApp;

// The game window, made (hidden) on first use; null only when its window cannot be made.
CGameDialog* GetGameWindow();
// Hands a game URL over to the game window and the screen from the login windows to it.
void EnterGame(const wchar_t* url);
