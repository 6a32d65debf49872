// The game window in this process: its caption bar for any width, the display modes and what moves
// between them, the tooltips, the keys kept from the dialog manager, the tray icon's clicks and the
// questions asked before quitting or choosing another server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/login_app.h"
#include "browser/custom_site.h"
#include "framework/occ.h"
#include "framework/app.h"
#include "game/game_dialog.h"

namespace {

using Box = std::tuple<long, long, long, long>;

Box BoxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
Box BoxAt(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

Box ScreenBox(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return BoxOf(r);
}

// A child's rectangle in its parent's client coordinates.
Box ChildBox(HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return BoxOf(r);
}

RECT Screen() { return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

// Runs what is waiting in this thread's queue the way the launcher's loop does. A quit message stays
// where it is, for the test to look at.
void PumpPending()
{
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, WM_QUIT - 1, PM_REMOVE) ||
           ::PeekMessageW(&message, nullptr, WM_QUIT + 1, 0xFFFFFFFF, PM_REMOVE)) {
        if (!CWinApp::PreTranslate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    DeleteWaitingWindowObjects();
}

// The code of a waiting quit message, which is taken out of the queue; none when there is none.
std::optional<WPARAM> TakeQuit()
{
    MSG message{};
    if (!::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return std::nullopt;
    return message.wParam;
}

struct WindowDestroyer {
    void operator()(HWND window) const { ::DestroyWindow(window); }
};
using ScopedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// A hidden window of the test's own.
ScopedWindow HelperWindow()
{
    return ScopedWindow(
        ::CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
}

// Whether someone holds the key as a system-wide hot key: only then does registering it fail so.
bool HotKeyTaken(UINT virtualKey)
{
    const ScopedWindow probe = HelperWindow();
    const bool registered = ::RegisterHotKey(probe.get(), 0x7001, 0, virtualKey) != FALSE;
    const DWORD error = ::GetLastError();
    if (registered)
        ::UnregisterHotKey(probe.get(), 0x7001);
    return !registered && error == ERROR_HOTKEY_ALREADY_REGISTERED;
}

bool TrayIconPresent(NOTIFYICONDATAW record)
{
    record.uFlags = NIF_TIP;
    return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

// Answers the next confirmation dialog of this thread with one of its buttons, from inside the dialog's
// own modal loop, and keeps its title. A dialog that does not go within the time limit is closed, so a
// broken dialog fails its test instead of hanging it.
class ConfirmationAnswer {
public:
    explicit ConfirmationAnswer(int button) : m_button(button)
    {
        s_current = this;
        m_start = ::GetTickCount();
        m_timer = ::SetTimer(nullptr, 0, 20, Tick);
    }
    ~ConfirmationAnswer()
    {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    ConfirmationAnswer(const ConfirmationAnswer&) = delete;
    ConfirmationAnswer& operator=(const ConfirmationAnswer&) = delete;

    // The title of the dialog that was answered; empty when none came.
    const std::wstring& Title() const { return m_title; }

    static constexpr int kOk = 1008;
    static constexpr int kCancel = 1009;

private:
    static BOOL CALLBACK FindDialog(HWND window, LPARAM found)
    {
        if (::IsWindowVisible(window) && ::GetDlgItem(window, kOk) && ::GetDlgItem(window, kCancel) &&
            ::GetDlgItem(window, 1003)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ConfirmationAnswer* self = s_current;
        if (!self || self->m_answered)
            return;
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) {
            if (::GetTickCount() - self->m_start > 5000)
                self->m_answered = true;
            return;
        }
        wchar_t title[64] = L"";
        ::GetDlgItemTextW(dialog, 1002, title, ARRAYSIZE(title));
        self->m_title = title;
        self->m_answered = true;
        ::PostMessageW(::GetDlgItem(dialog, self->m_button), BM_CLICK, 0, 0);
    }

    static inline ConfirmationAnswer* s_current = nullptr;
    int m_button;
    DWORD m_start = 0;
    UINT_PTR m_timer = 0;
    bool m_answered = false;
    std::wstring m_title;
};

// A game window per test, torn down the way the launcher does it. A helper icon stays in the tray
// for the whole suite: removing the last icon hides Wine's tray window, and hiding a window blocks
// for two seconds without a window manager; removing one of two icons does not.
class GameWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_helper = HelperWindow();
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof(icon);
        icon.hWnd = s_helper.get();
        icon.uID = 1;
        icon.uFlags = NIF_ICON;
        icon.hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
        ::Shell_NotifyIconW(NIM_ADD, &icon);
    }
    // The helper icon is not deleted: it goes with its window, without the wait of the last removal.
    static void TearDownTestSuite() { s_helper.reset(); }

    void SetUp() override
    {
        // As the application's start-up does: every dialog's ActiveX controls get the launcher's site.
        static CCustomOccManager manager;
        AfxEnableControlContainer(&manager);
        ASSERT_FALSE(HotKeyTaken(VK_F10)) << "another program holds F10";
        game = GetGameWindow();
        ASSERT_NE(game, nullptr);
    }

    void TearDown() override
    {
        theApp.DestroyGameWindow();
        PumpPending();
        TakeQuit();
    }

    HWND Item(int id) const { return game->GetDlgItem(id); }

    LRESULT Command(int id) const { return game->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    CGameDialog* game = nullptr;

private:
    static inline ScopedWindow s_helper;
};

// --- The caption bar ------------------------------------------------------------------------------

struct CaptionButton {
    int id;
    int fromRight; // x = client width - fromRight
    int width;
};

// Right to left; the maximise button shares the restore button's rectangle.
const CaptionButton kCaptionButtons[] = {
    {CGameDialog::kClose, 32, 30},
    {CGameDialog::kRestore, 61, 29},
    {CGameDialog::kMaximize, 61, 29},
    {CGameDialog::kMinimize, 90, 29},
    {CGameDialog::kFullScreen, 194, 64},
    {CGameDialog::kBossKey, 298, 104},
    {CGameDialog::kClearCache, 383, 85},
    {CGameDialog::kRefresh, 463, 80},
    {CGameDialog::kChooseServer, 526, 61},
};

class CaptionLayout : public GameWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(CaptionLayout, PlacesEveryButtonFromTheRightEdgeWithoutClamping)
{
    const int width = GetParam();
    // Hidden, the window is not put back into its mode when it is resized.
    game->MoveWindow(0, 0, width, 700, FALSE);
    ASSERT_EQ(game->GetClientRect().right, width);
    game->LayoutCaptionBar();

    for (const CaptionButton& button : kCaptionButtons)
        EXPECT_EQ(ChildBox(Item(button.id)), BoxAt(width - button.fromRight, 0, button.width, 30))
            << "button " << button.id << " at width " << width;
    EXPECT_EQ(ChildBox(Item(CGameDialog::kTitleLogo)), BoxAt(0, 0, 83, 30));
}

// The normal width, common screens, and rows that run over the logo and past the left edge.
INSTANTIATE_TEST_SUITE_P(GameWindow, CaptionLayout, ::testing::Values(1000, 1920, 1366, 800, 500, 300),
    [](const ::testing::TestParamInfo<int>& info) { return "Width" + std::to_string(info.param); });

// --- Display modes --------------------------------------------------------------------------------

// The primary work area for one scope. Under Wine the setting stays within this process.
class ScopedWorkAreaSetting {
public:
    explicit ScopedWorkAreaSetting(RECT area)
    {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &m_saved, 0);
        m_applied = ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0) != FALSE;
    }
    ~ScopedWorkAreaSetting()
    {
        if (m_applied)
            ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &m_saved, 0);
    }
    ScopedWorkAreaSetting(const ScopedWorkAreaSetting&) = delete;
    ScopedWorkAreaSetting& operator=(const ScopedWorkAreaSetting&) = delete;

    bool Applied() const { return m_applied; }

private:
    RECT m_saved{};
    bool m_applied = false;
};

using GameWindowModes = GameWindowTest;

TEST_F(GameWindowModes, FollowTheTransitionTableWithTheirRectangles)
{
    // Taskbars at the top and at the bottom: the maximised window differs from the full screen, still
    // starts at the screen origin, and the work area keeps the screen's centre.
    const RECT screen = Screen();
    const RECT work{0, 40, screen.right, screen.bottom - 40};
    ScopedWorkAreaSetting workArea(work);
    ASSERT_TRUE(workArea.Applied());
    // A new window takes the maximised geometry of the work area it is born with.
    theApp.DestroyGameWindow();
    game = GetGameWindow();
    ASSERT_NE(game, nullptr);
    const int workWidth = Width(work), workHeight = Height(work);
    const POINT normalAt{(screen.right - 1000) / 2, (screen.bottom - 700) / 2};

    auto hotKey = [](int id, UINT key) {
        return [id, key](CGameDialog& g) { g.SendMessage(WM_HOTKEY, id, MAKELPARAM(0, key)); };
    };
    auto command = [](int id) {
        return [id](CGameDialog& g) { g.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
    };
    const auto f10 = hotKey(1001, VK_F10);
    const auto f11 = hotKey(1002, VK_F11);
    const auto restore = command(CGameDialog::kRestore);
    const auto maximise = command(CGameDialog::kMaximize);
    const auto fullScreen = command(CGameDialog::kFullScreen);
    const auto minimise = command(CGameDialog::kMinimize);
    const auto refresh = command(CGameDialog::kRefresh);
    const auto doubleClick = [](CGameDialog& g) { g.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, 15)); };
    const auto restoreFromTaskbar = [](CGameDialog& g) { g.ShowWindow(SW_RESTORE); };
    const auto moveTo10 = [](CGameDialog& g) { g.MoveWindow(10, 10, 1000, 700, TRUE); };
    const auto resize = [](CGameDialog& g) { g.MoveWindow(100, 100, 640, 480, TRUE); };
    const auto sizeMessage = [](CGameDialog& g) { g.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 700)); };

    enum : int { kFull = 0, kMax = 1, kNormal = 2 };
    struct Step {
        Step(const char* what, std::function<void(CGameDialog&)> act, int mode, bool visible = true,
            bool iconic = false, std::optional<POINT> at = std::nullopt)
            : what(what), act(std::move(act)), mode(mode), visible(visible), iconic(iconic), at(at)
        {
        }
        const char* what;
        std::function<void(CGameDialog&)> act;
        int mode;
        bool visible;
        bool iconic;
        std::optional<POINT> at; // where the window stays instead of its mode's place
    };
    const Step steps[] = {
        {"shown", [](CGameDialog& g) { g.ShowWindow(SW_SHOWNORMAL); }, kMax},
        {"restore button", restore, kNormal},
        {"maximise button", maximise, kMax},
        {"double click, maximised", doubleClick, kNormal},
        {"double click, normal", doubleClick, kMax},
        {"full-screen button", fullScreen, kFull},
        {"restore button in full screen", restore, kFull},
        {"double click in full screen", doubleClick, kFull},
        {"F11 leaves full screen", f11, kMax},
        {"F11 from maximised", f11, kFull},
        {"F11 back", f11, kMax},
        {"restore button", restore, kNormal},
        {"F11 from normal", f11, kFull},
        {"F11 lands maximised, not normal", f11, kMax},
        {"restore button", restore, kNormal},
        {"full-screen button from normal", fullScreen, kFull},
        {"F11 lands maximised", f11, kMax},
        {"refresh", refresh, kMax},
        {"resized while maximised", resize, kMax},
        {"minimise button", minimise, kMax, true, true},
        {"restored from the taskbar", restoreFromTaskbar, kMax},
        {"restore button", restore, kNormal},
        {"moved, as by a drag", moveTo10, kNormal, true, false, POINT{10, 10}},
        {"refresh after the move", refresh, kNormal, true, false, POINT{10, 10}},
        {"a size change re-centres", sizeMessage, kNormal},
        {"minimise button, normal", minimise, kNormal, true, true},
        {"restored from the taskbar", restoreFromTaskbar, kNormal},
        {"F10 hides", f10, kNormal, false},
        {"F11 while hidden", f11, kNormal, false},
        {"F10 shows", f10, kNormal},
        {"full-screen button", fullScreen, kFull},
        {"resized while full screen", resize, kFull},
        {"F10 hides full screen", f10, kFull, false},
        {"F11 while hidden", f11, kFull, false},
        {"F10 shows full screen", f10, kFull},
    };

    HWND browser = Item(CGameDialog::kBrowser);
    const int captionControls[] = {CGameDialog::kTitleLogo, CGameDialog::kClose, CGameDialog::kMinimize,
        CGameDialog::kFullScreen, CGameDialog::kBossKey, CGameDialog::kRefresh, CGameDialog::kChooseServer,
        CGameDialog::kClearCache};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act(*game);
        EXPECT_EQ(game->m_nDisplayMode, step.mode);
        EXPECT_EQ(game->IsWindowVisible() != FALSE, step.visible);
        EXPECT_EQ(game->IsIconic() != FALSE, step.iconic);
        if (step.iconic)
            continue;
        switch (step.mode) {
        case kMax:
            EXPECT_EQ(ScreenBox(*game), BoxAt(0, 0, workWidth, workHeight));
            EXPECT_EQ(ChildBox(browser), BoxAt(0, 30, workWidth, workHeight - 30));
            break;
        case kNormal: {
            const POINT at = step.at.value_or(normalAt);
            EXPECT_EQ(ScreenBox(*game), BoxAt(at.x, at.y, 1000, 700));
            EXPECT_EQ(ChildBox(browser), BoxAt(0, 30, 1000, 670));
            break;
        }
        default:
            EXPECT_EQ(ScreenBox(*game), BoxOf(screen));
            EXPECT_EQ(ChildBox(browser), BoxOf(screen));
            break;
        }
        const bool caption = step.mode != kFull;
        for (int id : captionControls)
            EXPECT_EQ(::IsWindowVisible(Item(id)) != FALSE, caption && step.visible) << "control " << id;
        EXPECT_EQ(::IsWindowVisible(Item(CGameDialog::kRestore)) != FALSE, step.mode == kMax && step.visible);
        EXPECT_EQ(::IsWindowVisible(Item(CGameDialog::kMaximize)) != FALSE, step.mode == kNormal && step.visible);
        // The bar is laid out again for the new width.
        if (caption) {
            EXPECT_EQ(std::get<0>(ChildBox(Item(CGameDialog::kClose))), game->GetClientRect().right - 32);
        }
    }
}

// --- Tooltips -------------------------------------------------------------------------------------

using GameWindowToolTips = GameWindowTest;

TEST_F(GameWindowToolTips, OnlyTheFourWindowButtonsHaveTips)
{
    ASSERT_TRUE(game->m_pToolTip && game->m_pToolTip->m_hWnd);
    HWND tips = game->m_pToolTip->m_hWnd;
    const auto count = static_cast<int>(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    ASSERT_EQ(count, 4);

    std::set<std::pair<int, std::wstring>> tools;
    for (int i = 0; i < count; ++i) {
        wchar_t text[80] = L"";
        TOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.lpszText = text;
        ASSERT_TRUE(::SendMessageW(tips, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info)));
        ASSERT_TRUE(info.uFlags & TTF_IDISHWND);
        tools.emplace(::GetDlgCtrlID(reinterpret_cast<HWND>(info.uId)), text);
    }
    EXPECT_THAT(tools, ::testing::UnorderedElementsAre(std::pair<int, std::wstring>{CGameDialog::kRestore, L"还原"},
                           std::pair<int, std::wstring>{CGameDialog::kMaximize, L"最大化"},
                           std::pair<int, std::wstring>{CGameDialog::kMinimize, L"最小化"},
                           std::pair<int, std::wstring>{CGameDialog::kFullScreen, L"按F11进入/退出全屏"}));
}

// --- Keys kept from the dialog manager ------------------------------------------------------------

using GameWindowKeys = GameWindowTest;

LRESULT CALLBACK CountKeyDowns(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR keys)
{
    if (message == WM_KEYDOWN)
        reinterpret_cast<std::vector<WPARAM>*>(keys)->push_back(wParam);
    return ::DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(GameWindowKeys, EnterAndEscapeReachTheFocusedWindowAndCloseNothing)
{
    game->ShowWindow(SW_SHOWNORMAL);
    // Stands in for the page: any window inside the game window that has the focus.
    HWND target = Item(CGameDialog::kRefresh);
    std::vector<WPARAM> keys;
    struct Subclass {
        Subclass(HWND window, std::vector<WPARAM>& keys) : window(window)
        {
            ::SetWindowSubclass(window, CountKeyDowns, 1, reinterpret_cast<DWORD_PTR>(&keys));
        }
        ~Subclass() { ::RemoveWindowSubclass(window, CountKeyDowns, 1); }
        HWND window;
    } counting(target, keys);
    ::SetFocus(target);

    struct Case {
        WPARAM key;
        bool reachesTarget;
    };
    // Tab shows that the dialog manager does take the keys it is given.
    const Case cases[] = {{VK_RETURN, true}, {VK_ESCAPE, true}, {VK_TAB, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        keys.clear();
        ::PostMessageW(target, WM_KEYDOWN, c.key, 1);
        PumpPending();
        EXPECT_EQ(keys == std::vector<WPARAM>{c.key}, c.reachesTarget);
        EXPECT_TRUE(game->IsWindowVisible());
    }
    for (int id : {IDOK, IDCANCEL}) {
        game->PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        PumpPending();
        EXPECT_TRUE(game->IsWindowVisible()) << "command " << id;
    }
    EXPECT_FALSE(TakeQuit());
}

// --- The tray icon's clicks -----------------------------------------------------------------------

using GameWindowTray = GameWindowTest;

TEST_F(GameWindowTray, OnlyADoubleClickOnItsOwnIconToggles)
{
    game->ShowWindow(SW_SHOWNORMAL);
    EXPECT_TRUE(TrayIconPresent(game->m_nid));
    struct Case {
        const char* what;
        WPARAM icon;
        LPARAM mouse;
        LRESULT result;
        bool toggles;
    };
    const Case cases[] = {
        {"double click", CGameDialog::kTrayIconId, WM_LBUTTONDBLCLK, 0, true},
        {"double click again", CGameDialog::kTrayIconId, WM_LBUTTONDBLCLK, 0, true},
        {"left press", CGameDialog::kTrayIconId, WM_LBUTTONDOWN, 0, false},
        {"left release", CGameDialog::kTrayIconId, WM_LBUTTONUP, 0, false},
        {"another icon's double click", CGameDialog::kTrayIconId + 1, WM_LBUTTONDBLCLK, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool before = game->IsWindowVisible() != FALSE;
        EXPECT_EQ(game->SendMessage(WM_TRAYNOTIFY, c.icon, c.mouse), c.result);
        EXPECT_EQ(game->IsWindowVisible() != FALSE, before != c.toggles);
        EXPECT_EQ(game->m_nDisplayMode, CGameDialog::DISPLAY_MAXIMIZED);
    }
}

// --- Questions before quitting and choosing another server ----------------------------------------

struct QuitCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    int answer;
};

void PrintTo(const QuitCase& c, std::ostream* os) { *os << c.name; }

class GameWindowQuit : public GameWindowTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(GameWindowQuit, AsksAndOnlyOkEndsTheLoopWithSixteen)
{
    const QuitCase& c = GetParam();
    const bool confirm = c.answer == ConfirmationAnswer::kOk;
    // Hiding a shown window costs seconds under Wine without a window manager: only where it counts.
    if (!confirm)
        game->ShowWindow(SW_SHOWNORMAL);
    const Box before = ScreenBox(*game);
    {
        ConfirmationAnswer answer(c.answer);
        game->SendMessage(c.message, c.wParam, 0);
        EXPECT_EQ(answer.Title(), L"关闭游戏");
    }
    const std::optional<WPARAM> quit = TakeQuit();
    if (confirm) {
        EXPECT_EQ(quit, std::optional<WPARAM>(16));
        return;
    }
    EXPECT_FALSE(quit);
    // Declined: nothing was released and nothing moved.
    ASSERT_EQ(theApp.m_pGameDialog.get(), game);
    EXPECT_TRUE(game->IsWindowVisible());
    EXPECT_TRUE(::IsWindowEnabled(*game));
    EXPECT_EQ(ScreenBox(*game), before);
    EXPECT_TRUE(HotKeyTaken(VK_F10));
    EXPECT_TRUE(HotKeyTaken(VK_F11));
    EXPECT_TRUE(TrayIconPresent(game->m_nid));
    EXPECT_TRUE(game->m_bmpCaption);
}

INSTANTIATE_TEST_SUITE_P(GameWindow, GameWindowQuit,
    ::testing::Values(QuitCase{"CloseButtonCancelled", WM_COMMAND, CGameDialog::kClose, ConfirmationAnswer::kCancel},
        QuitCase{"CloseButtonConfirmed", WM_COMMAND, CGameDialog::kClose, ConfirmationAnswer::kOk},
        QuitCase{"TrayItemCancelled", WM_COMMAND, CGameDialog::kTrayQuit, ConfirmationAnswer::kCancel},
        QuitCase{"TrayItemConfirmed", WM_COMMAND, CGameDialog::kTrayQuit, ConfirmationAnswer::kOk},
        QuitCase{"WmCloseCancelled", WM_CLOSE, 0, ConfirmationAnswer::kCancel},
        QuitCase{"WmCloseConfirmed", WM_CLOSE, 0, ConfirmationAnswer::kOk}),
    [](const ::testing::TestParamInfo<QuitCase>& info) { return std::string(info.param.name); });

using GameWindowChooseServer = GameWindowTest;

TEST_F(GameWindowChooseServer, CancelKeepsTheGameOkTearsItDownForTheNextStartToBuildAgain)
{
    game->ShowWindow(SW_SHOWNORMAL);
    Command(CGameDialog::kRestore);
    const Box before = ScreenBox(*game);
    {
        ConfirmationAnswer answer(ConfirmationAnswer::kCancel);
        Command(CGameDialog::kChooseServer);
        EXPECT_EQ(answer.Title(), L"选服");
    }
    PumpPending();
    ASSERT_EQ(theApp.m_pGameDialog.get(), game);
    EXPECT_TRUE(game->IsWindowVisible());
    EXPECT_EQ(game->m_nDisplayMode, CGameDialog::DISPLAY_NORMAL);
    EXPECT_EQ(ScreenBox(*game), before);
    EXPECT_TRUE(HotKeyTaken(VK_F10));
    EXPECT_TRUE(TrayIconPresent(game->m_nid));

    const HWND window = game->m_hWnd;
    const NOTIFYICONDATAW icon = game->m_nid;
    {
        ConfirmationAnswer answer(ConfirmationAnswer::kOk);
        Command(CGameDialog::kChooseServer);
        EXPECT_EQ(answer.Title(), L"选服");
    }
    PumpPending();
    EXPECT_EQ(theApp.m_pGameDialog.get(), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(HotKeyTaken(VK_F10));
    EXPECT_FALSE(HotKeyTaken(VK_F11));
    EXPECT_FALSE(TrayIconPresent(icon));
    EXPECT_FALSE(TakeQuit());

    // The next game start builds a new window, with its own keys and icon, maximised again.
    game = GetGameWindow();
    ASSERT_NE(game, nullptr);
    EXPECT_NE(game->m_hWnd, window);
    EXPECT_EQ(game->m_nDisplayMode, CGameDialog::DISPLAY_MAXIMIZED);
    EXPECT_TRUE(HotKeyTaken(VK_F10));
    EXPECT_TRUE(HotKeyTaken(VK_F11));
    EXPECT_TRUE(TrayIconPresent(game->m_nid));
}

} // namespace
