// The confirmation dialog: texts by mode, how clicks, keys and close end it, its geometry and place,
// its picture on screen, and the quit command built on it.
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

#include "app/login_app.h"
#include "dialogs/confirm_dlg.h"
#include "framework/app.h"
#include "tests/support/ui_support.h"

using namespace uitest;

namespace {

constexpr int kTitle = 1002;
constexpr int kPrompt = 1003;
constexpr int kOk = 1008;
constexpr int kCancel = 1009;
constexpr UINT kBackgroundBitmap = 177;
constexpr INT_PTR kStillOpen = 0x0FE7;

std::wstring TextOf(HWND dialog, int id)
{
    wchar_t text[256] = {};
    ::GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

bool IsConfirmDialog(HWND window)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770" && ::GetDlgItem(window, kOk) && ::GetDlgItem(window, kCancel);
}

// Ends the dialog from outside once the test has seen what it needs.
ModalDriver::Step End(CDialogEx& dialog, INT_PTR result)
{
    return [&dialog, result] {
        dialog.EndDialog(static_cast<int>(result));
        return true;
    };
}

class ConfirmDlgTest : public UiTest {};

TEST_F(ConfirmDlgTest, ShowsTheTitleAndPromptOfItsMode)
{
    struct Case {
        int mode;
        const wchar_t* title;
        const wchar_t* prompt;
    };
    // Mind the punctuation: ASCII '?' in the launcher's own texts, full-width ones in the template's.
    const Case cases[] = {
        {0, L"关闭游戏",
            L"确定要退出游戏吗"
            L"?"},
        {1, L"选服",
            L"是否退出当前游戏"
            L"\uFF0C"
            L"重新选择新服务器"
            L"?"},
        {2, L"Static",
            L"确定要退出游戏吗"
            L"\uFF1F"},
        {-1, L"Static",
            L"确定要退出游戏吗"
            L"\uFF1F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        CConfirmDlg dialog;
        dialog.m_nMode = c.mode;
        std::wstring title;
        std::wstring prompt;
        auto readTexts = [&] {
            title = TextOf(dialog.m_hWnd, kTitle);
            prompt = TextOf(dialog.m_hWnd, kPrompt);
            return true;
        };
        ModalDriver driver(dialog, {WhenVisible(dialog.m_hWnd), readTexts, End(dialog, IDCANCEL)});
        EXPECT_EQ(driver.Run(), IDCANCEL);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(prompt, c.prompt);
    }
}

TEST_F(ConfirmDlgTest, ARealClickEndsItWithTheButtonWhoseWindowItLandsOn)
{
    struct Case {
        const char* what;
        POINT client;
        INT_PTR result;
    };
    const Case cases[] = {
        {"between the two pictures: still the OK window", {120, 80}, IDOK},
        {"right of the Cancel picture: the Cancel window", {230, 80}, IDCANCEL},
        {"left of both buttons: the dialog itself", {20, 80}, kStillOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CConfirmDlg dialog;
        auto click = [&] {
            MoveMouse(ClientToScreenPoint(dialog.m_hWnd, c.client));
            PressLeft();
            ReleaseLeft();
            return true;
        };
        ModalDriver driver(dialog, {WhenVisible(dialog.m_hWnd), Idle(100), click, Idle(500), End(dialog, kStillOpen)});
        EXPECT_EQ(driver.Run(), c.result);
        ParkMouse();
    }
}

TEST_F(ConfirmDlgTest, ButtonsEscapeAndCloseEndItWithOkOrCancel)
{
    enum Target { Dialog, Focus, OkButton, CancelButton };
    struct Case {
        const char* what;
        Target target;
        UINT message;
        WPARAM wParam;
        INT_PTR result;
    };
    const Case cases[] = {
        {"OK button", OkButton, BM_CLICK, 0, IDOK},
        {"Cancel button", CancelButton, BM_CLICK, 0, IDCANCEL},
        {"Escape", Focus, WM_KEYDOWN, VK_ESCAPE, IDCANCEL},
        {"WM_CLOSE", Dialog, WM_CLOSE, 0, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CConfirmDlg dialog;
        auto target = [&]() -> HWND {
            switch (c.target) {
            case OkButton:
                return dialog.GetDlgItem(kOk);
            case CancelButton:
                return dialog.GetDlgItem(kCancel);
            case Focus: {
                HWND focus = ::GetFocus();
                return focus && ::IsChild(dialog.m_hWnd, focus) ? focus : dialog.m_hWnd;
            }
            case Dialog:
                break;
            }
            return dialog.m_hWnd;
        };
        ModalDriver driver(dialog,
            {WhenVisible(dialog.m_hWnd), Post(target, c.message, c.wParam), Idle(500), End(dialog, kStillOpen)});
        EXPECT_EQ(driver.Run(), c.result);
    }
}

// Where the running dialog and its parts are, in its client coordinates, and who owns it.
struct Layout {
    RECT window{};
    RECT client{};
    RECT ok{};
    RECT cancel{};
    RECT title{};
    RECT prompt{};
    bool cancelAboveOk = false;
    HWND owner = nullptr;
    BOOL ownerEnabled = TRUE;
    LOGFONTW titleFont{};
};

Layout Measure(HWND dialog)
{
    Layout layout;
    layout.window = WindowRectOf(dialog);
    ::GetClientRect(dialog, &layout.client);
    layout.ok = ChildRectOf(::GetDlgItem(dialog, kOk));
    layout.cancel = ChildRectOf(::GetDlgItem(dialog, kCancel));
    layout.title = ChildRectOf(::GetDlgItem(dialog, kTitle));
    layout.prompt = ChildRectOf(::GetDlgItem(dialog, kPrompt));
    for (HWND w = ::GetWindow(dialog, GW_CHILD); w && w != ::GetDlgItem(dialog, kOk); w = ::GetWindow(w, GW_HWNDNEXT))
        layout.cancelAboveOk |= w == ::GetDlgItem(dialog, kCancel);
    layout.owner = ::GetWindow(dialog, GW_OWNER);
    layout.ownerEnabled = layout.owner ? ::IsWindowEnabled(layout.owner) : TRUE;
    auto font = reinterpret_cast<HFONT>(::SendDlgItemMessageW(dialog, kTitle, WM_GETFONT, 0, 0));
    ::GetObjectW(font, sizeof(layout.titleFont), &layout.titleFont);
    return layout;
}

TEST_F(ConfirmDlgTest, IsA256By110PanelCentredByThePlatformsRuleWithItsPartsInPlace)
{
    const RECT work = PrimaryWorkArea();
    const POINT workCentred{(work.left + work.right) / 2 - 128, (work.top + work.bottom) / 2 - 55};
    enum MainWindow { None, Visible, Hidden };
    struct Case {
        const char* what;
        MainWindow main;
        POINT topLeft;
    };
    const Case cases[] = {
        {"no main window: the work area's centre", None, workCentred},
        {"visible main window: over it", Visible, {(300 + 700) / 2 - 128, (200 + 500) / 2 - 55}},
        {"hidden main window: the work area's centre", Hidden, workCentred},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow mainWindow({300, 200, 700, 500});
        if (c.main == Visible)
            mainWindow.ShowOnTop();
        CWnd main;
        ASSERT_TRUE(main.Attach(mainWindow));
        ScopedMainWnd scopedMain(c.main == None ? nullptr : &main);

        CConfirmDlg dialog;
        Layout layout;
        auto measure = [&] {
            layout = Measure(dialog.m_hWnd);
            return true;
        };
        ModalDriver driver(dialog, {WhenVisible(dialog.m_hWnd), measure, End(dialog, IDCANCEL)});
        EXPECT_EQ(driver.Run(), IDCANCEL);

        EXPECT_EQ(layout.window.left, c.topLeft.x);
        EXPECT_EQ(layout.window.top, c.topLeft.y);
        EXPECT_EQ(layout.window.right - layout.window.left, 256);
        EXPECT_EQ(layout.window.bottom - layout.window.top, 110);
        EXPECT_EQ(layout.client.right, 256);
        EXPECT_EQ(layout.client.bottom, 110);
        struct Part {
            const char* name;
            RECT actual;
            RECT expected;
        };
        const Part parts[] = {
            {"OK button", layout.ok, {40, 72, 40 + 256, 72 + 26}},
            {"Cancel button", layout.cancel, {140, 72, 140 + 256, 72 + 26}},
            {"title", layout.title, {79, 10, 79 + 100, 10 + 30}},
            {"prompt", layout.prompt, {28, 34, 28 + 200, 34 + 66}},
        };
        for (const Part& part : parts) {
            SCOPED_TRACE(part.name);
            EXPECT_TRUE(::EqualRect(&part.actual, &part.expected))
                << part.actual.left << "," << part.actual.top << "," << part.actual.right << "," << part.actual.bottom;
        }
        EXPECT_TRUE(layout.cancelAboveOk);
        EXPECT_STREQ(layout.titleFont.lfFaceName, L"Arial");
        EXPECT_EQ(layout.titleFont.lfHeight, -16); // 12 points at 96 dots per inch
        EXPECT_EQ(layout.owner, c.main == None ? nullptr : mainWindow.Get());
        EXPECT_FALSE(layout.owner && layout.ownerEnabled);
        EXPECT_TRUE(::IsWindowEnabled(mainWindow));
    }
}

TEST_F(ConfirmDlgTest, ShowsItsBackgroundPictureAlsoBehindTheLabels)
{
    GdiObject<HBITMAP> picture(::LoadBitmapW(ResourceModule(), MAKEINTRESOURCEW(kBackgroundBitmap)));
    ASSERT_TRUE(picture);
    WindowDC screen(nullptr);
    ScopedMemoryDC memory(::CreateCompatibleDC(screen.Get()));
    ScopedSelectObject select(memory.Get(), picture.Get());

    // Clear of the buttons and of any text: the corners, and the prompt's empty bottom-left corner.
    const POINT points[] = {{4, 4}, {251, 4}, {4, 105}, {251, 105}, {31, 96}};
    CConfirmDlg dialog;
    std::vector<COLORREF> seen;
    auto readPixels = [&] {
        for (const POINT& p : points) {
            const COLORREF expected = ::GetPixel(memory.Get(), p.x, p.y);
            seen.push_back(WaitForScreenPixel(ClientToScreenPoint(dialog.m_hWnd, p), expected, 1500));
        }
        return true;
    };
    ModalDriver driver(dialog, {WhenVisible(dialog.m_hWnd), readPixels, End(dialog, IDCANCEL)});
    EXPECT_EQ(driver.Run(), IDCANCEL);
    ASSERT_EQ(seen.size(), std::size(points));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "client " << points[i].x << "," << points[i].y);
        EXPECT_EQ(seen[i], ::GetPixel(memory.Get(), points[i].x, points[i].y));
    }
}

TEST_F(ConfirmDlgTest, QuitCommandAsksOverTheMainWindowAndPostsQuit16OnlyOnOk)
{
    struct Case {
        const char* what;
        int button;
        bool quits;
    };
    const Case cases[] = {
        {"OK", kOk, true},
        {"Cancel", kCancel, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow mainWindow({300, 200, 700, 500});
        mainWindow.ShowOnTop();
        CWnd main;
        ASSERT_TRUE(main.Attach(mainWindow));
        ScopedMainWnd scopedMain(&main);

        std::wstring title;
        HWND owner = nullptr;
        BOOL ownerEnabled = TRUE;
        bool pressed = false;
        const DWORD start = ::GetTickCount();
        ThreadTimer operatorHand(10, [&] {
            HWND dialog = FindThreadWindow(IsConfirmDialog);
            if (!dialog)
                return;
            if (::GetTickCount() - start > 5000) {
                ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); // a dialog that outlives its click
                return;
            }
            if (pressed)
                return;
            title = TextOf(dialog, kTitle);
            owner = ::GetWindow(dialog, GW_OWNER);
            ownerEnabled = ::IsWindowEnabled(mainWindow);
            ::PostMessageW(::GetDlgItem(dialog, c.button), BM_CLICK, 0, 0);
            pressed = true;
        });
        theApp.OnQuitWithConfirm();

        WPARAM code = 0;
        EXPECT_EQ(DrainQuit(&code), c.quits);
        if (c.quits) {
            EXPECT_EQ(code, 16u);
        }
        EXPECT_TRUE(pressed);
        EXPECT_EQ(title, L"关闭游戏");
        EXPECT_EQ(owner, mainWindow.Get());
        EXPECT_FALSE(ownerEnabled);
        EXPECT_TRUE(::IsWindowEnabled(mainWindow));
    }
}

} // namespace
