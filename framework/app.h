// CWinApp: the one application object of the process, its start-up and its message loops.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Instance() { return s_instance; }

    // The whole life of the process: InitInstance, a loop of its own when that returns TRUE,
    // then ExitInstance, whose result is the exit code.
    int Run(HINSTANCE instance);

    virtual BOOL InitInstance();
    // The wParam of the quit message that ended the last message loop, 0 when none did.
    virtual int ExitInstance();

    // Names the registry key for the application's settings. Nothing is written or created.
    void SetRegistryKey(const wchar_t* company);
    const wchar_t* RegistryKey() const { return m_registryKey; }

    // Commands that no window took: the help command lands here.
    virtual bool OnCommand(UINT id);
    virtual void OnHelp() {}

    // Runs messages until done() says so or a quit message arrives (which is posted again for the
    // loops outside). Every message goes through the pre-translation walk first.
    template <typename Done>
    static bool PumpUntil(Done done)
    {
        while (!done()) {
            if (!PumpMessage())
                return false;
        }
        return true;
    }
    static bool PumpMessage();
    // The pre-translation walk: each bound window from the target up to its top-level window.
    static bool PreTranslate(MSG& message);

    static const MSG& LastMessage() { return s_lastMessage; }
    static int QuitCode() { return s_exitCode; }

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    // Restart-manager support: 1 restart, 2 recovery, 4/8 autosave, 0x10/0x20 reopen and restore.
    DWORD m_dwRestartManagerSupportFlags = 0;

    static constexpr UINT ID_HELP = 0xE146;

private:
    static CWinApp* s_instance;
    // The loops belong to the user-interface thread, whichever application object runs them.
    static MSG s_lastMessage;
    static int s_exitCode;
    const wchar_t* m_registryKey = nullptr;
};

CWnd* AfxGetMainWnd();
// The module the launcher's resources come from.
HINSTANCE ResourceModule();
