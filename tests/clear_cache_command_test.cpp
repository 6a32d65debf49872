// The game window's clear-cache command: the cleaner runs modally over the game window and leaves
// the window as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/login_app.h"
#include "game/game_dialog.h"
#include "support/modal_run.h"

namespace {

// What the system was asked to create while the command ran: the cleaner's owner, and whether that
// owner was already disabled for the modal loop.
struct CreationRecord {
    HWND owner = nullptr;
    bool ownerDisabled = false;
    int dialogs = 0;
};
CreationRecord g_record;
HHOOK g_hook = nullptr;

LRESULT CALLBACK RecordDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        if (create->lpszClass == MAKEINTRESOURCEW(0x8002) /* dialog class */ && !(create->style & WS_CHILD)) {
            ++g_record.dialogs;
            g_record.owner = create->hwndParent;
            g_record.ownerDisabled = !::IsWindowEnabled(create->hwndParent);
        }
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

// Stands in for the backdrop: the main window that owns the game window while it is hidden.
class HiddenMainWindow : public CWnd {
public:
    HiddenMainWindow()
    {
        Attach(::CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
        theApp.m_pMainWnd = this;
    }
    ~HiddenMainWindow() override
    {
        theApp.m_pMainWnd = nullptr;
        ::DestroyWindow(Detach());
    }
};

TEST(ClearCacheCommand, RunsTheCleanerModallyOverTheGameWindowAndLeavesItAsItWas)
{
    HiddenMainWindow main;
    CGameDialog* game = GetGameWindow();
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(::GetWindow(game->m_hWnd, GW_OWNER), main.m_hWnd);
    game->ShowWindow(SW_SHOWNORMAL);
    game->SetActiveWindow();
    RECT before{};
    ::GetWindowRect(game->m_hWnd, &before);
    const int mode = game->m_nDisplayMode;

    g_record = CreationRecord{};
    g_hook = ::SetWindowsHookExW(WH_CBT, RecordDialogs, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    game->SendMessage(WM_COMMAND, MAKEWPARAM(CGameDialog::kClearCache, BN_CLICKED), 0);
    ::UnhookWindowsHookEx(g_hook);

    EXPECT_EQ(g_record.dialogs, 1);
    EXPECT_EQ(g_record.owner, game->m_hWnd);
    EXPECT_TRUE(g_record.ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(game->m_hWnd));
    EXPECT_TRUE(::IsWindowVisible(game->m_hWnd));
    RECT after{};
    ::GetWindowRect(game->m_hWnd, &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    EXPECT_EQ(game->m_nDisplayMode, mode);

    theApp.DestroyGameWindow();
    testsupport::DrainQuit();
}

} // namespace
