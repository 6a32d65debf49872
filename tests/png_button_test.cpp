// The image button: frame choice, size and place after SetImage, one click per press, and the frames
// as they appear on screen under the real mouse.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <utility>
#include <vector>

#include "framework/dialog.h"
#include "skin/png_button.h"
#include "tests/support/ui_support.h"

using namespace uitest;

namespace {

// Test template 9001: the push button 9012 "TemplateText" sits at (20, 40), 50 x 14 dialog units.
constexpr UINT kProbeTemplate = 9001;
constexpr int kButtonId = 9012;
constexpr RECT kButtonTemplateRect{20, 40, 70, 54};

// Test strip 9102, 40 x 121: four frames of 30 rows in solid colours, then a white row.
constexpr UINT kTestStrip = 9102;
constexpr COLORREF kFrameColour[] = {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200), RGB(200, 200, 30)};

// An owner dialog as the launcher's windows set their buttons up; it logs the button's notifications.
class ButtonOwner : public CDialogEx {
public:
    explicit ButtonOwner(UINT strip) : CDialogEx(kProbeTemplate), m_strip(strip) {}

    CPngButton m_button;
    std::vector<WORD> m_notifications;

protected:
    void DoDataExchange() override { DDX_Control(kButtonId, m_button); }
    BOOL OnInitDialog() override
    {
        CDialogEx::OnInitDialog();
        StartGdiPlusFor(m_button);
        m_button.SetImage(m_strip);
        return TRUE;
    }

    BEGIN_MSG_MAP(ButtonOwner, CDialogEx)
        ON_MESSAGE(WM_COMMAND, OnCommandMessage)
    END_MSG_MAP()

    LRESULT OnCommandMessage(WPARAM wParam, LPARAM)
    {
        if (LOWORD(wParam) == kButtonId)
            m_notifications.push_back(HIWORD(wParam));
        return 0;
    }

private:
    UINT m_strip;
};

// Counts the mouse messages that reach a window, ahead of whatever else subclasses it.
class MessageCounter {
public:
    explicit MessageCounter(HWND window) : m_window(window)
    {
        ::SetWindowSubclass(m_window, Proc, kId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~MessageCounter()
    {
        if (::IsWindow(m_window))
            ::RemoveWindowSubclass(m_window, Proc, kId);
    }
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;

    int Count(UINT message) const
    {
        int n = 0;
        for (UINT seen : m_seen)
            n += seen == message;
        return n;
    }

private:
    static constexpr UINT_PTR kId = 0x7E57;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
    {
        if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
            reinterpret_cast<MessageCounter*>(self)->m_seen.push_back(message);
        return ::DefSubclassProc(window, message, wParam, lParam);
    }

    HWND m_window;
    std::vector<UINT> m_seen;
};

class PngButtonTest : public UiTest {
protected:
    // The owner, made and shown without being activated, at a place of the screen of its own.
    static void Show(ButtonOwner& owner, POINT at)
    {
        ::SetWindowPos(owner.m_hWnd, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ::UpdateWindow(owner.m_hWnd);
    }
};

TEST(PngButtonFrame, PressedWinsThenHoverElseNormal)
{
    struct Case {
        UINT itemState;
        bool hover;
        CPngButton::Frame frame;
    };
    const Case cases[] = {
        {0, false, CPngButton::kNormal},
        {0, true, CPngButton::kHover},
        {ODS_SELECTED, false, CPngButton::kPressed},
        {ODS_SELECTED, true, CPngButton::kPressed},
        {ODS_FOCUS, false, CPngButton::kNormal},
        {ODS_FOCUS | ODS_SELECTED, true, CPngButton::kPressed},
        // No look of their own for disabled or focused buttons.
        {ODS_DISABLED | ODS_FOCUS, true, CPngButton::kHover},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state 0x" << std::hex << c.itemState << " hover " << c.hover);
        EXPECT_EQ(CPngButton::FrameFor(c.itemState, c.hover), c.frame);
    }
}

TEST_F(PngButtonTest, SetImageMakesTheButtonOneFrameInSizeAtItsTemplatePlaceOnTop)
{
    struct Case {
        const char* what;
        UINT strip;
        int width;
        int stripHeight;
        int frameHeight;
    };
    const Case cases[] = {
        {"strip 120 high", 166, 30, 120, 30},
        {"strip 121 high: the last row is left over", kTestStrip, 40, 121, 30},
        {"confirmation OK strip", 175, 74, 104, 26},
        {"no such strip: the template's size stays", 4242, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ButtonOwner owner(c.strip);
        ASSERT_TRUE(owner.Create(kProbeTemplate));
        HWND button = owner.m_button.m_hWnd;
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(owner.m_button.FrameWidth(), c.width);
        EXPECT_EQ(owner.m_button.StripHeight(), c.stripHeight);
        EXPECT_EQ(owner.m_button.FrameHeight(), c.frameHeight);

        RECT place = kButtonTemplateRect;
        ::MapDialogRect(owner.m_hWnd, &place);
        const RECT rect = ChildRectOf(button);
        EXPECT_EQ(rect.left, place.left);
        EXPECT_EQ(rect.top, place.top);
        EXPECT_EQ(::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        if (!c.width) {
            EXPECT_TRUE(::EqualRect(&rect, &place));
            continue;
        }
        EXPECT_EQ(rect.right - rect.left, c.width);
        EXPECT_EQ(rect.bottom - rect.top, c.frameHeight);
        EXPECT_EQ(::GetWindow(owner.m_hWnd, GW_CHILD), button);
    }
}

TEST_F(PngButtonTest, TwoQuickClicksGiveTheOwnerTwoClicks)
{
    enum Input { Posted, RealMouse };
    struct Case {
        const char* what;
        Input input;
    };
    const Case cases[] = {
        {"press, release, double-click press, release posted in a row", Posted},
        {"a real double click", RealMouse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ButtonOwner owner(kTestStrip);
        ASSERT_TRUE(owner.Create(kProbeTemplate));
        Show(owner, {400, 300});
        HWND button = owner.m_button.m_hWnd;
        MessageCounter counter(button);
        const LPARAM at = MAKELPARAM(10, 10);
        if (c.input == Posted) {
            ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::PostMessageW(button, WM_LBUTTONUP, 0, at);
            ::PostMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            ::PostMessageW(button, WM_LBUTTONUP, 0, at);
        } else {
            MoveMouse(ClientToScreenPoint(button, {10, 10}));
            PumpFor(50);
            PressLeft();
            ReleaseLeft();
            PressLeft();
            ReleaseLeft();
        }
        PumpUntil([&] { return owner.m_notifications.size() >= 2; }, 3000);
        PumpFor(100); // room for a stray third notification
        // The second press must really have come as a double click, or this proves nothing.
        EXPECT_EQ(counter.Count(WM_LBUTTONDBLCLK), 1);
        EXPECT_EQ(owner.m_notifications, (std::vector<WORD>{BN_CLICKED, BN_CLICKED}));
        ParkMouse();
    }
}

TEST_F(PngButtonTest, ShowsOnlyTheStripsFramesNormalHoverPressedAsTheMouseGoes)
{
    ButtonOwner owner(kTestStrip);
    ASSERT_TRUE(owner.Create(kProbeTemplate));
    Show(owner, {500, 350});
    HWND button = owner.m_button.m_hWnd;
    const RECT rect = WindowRectOf(button);
    ASSERT_EQ(rect.right - rect.left, 40);
    ASSERT_EQ(rect.bottom - rect.top, 30);
    // A corner away from the pointer, which rests in the middle.
    const POINT probe{rect.left + 2, rect.top + 2};
    const POINT middle{rect.left + 20, rect.top + 15};

    // Every pixel of the button is the frame's colour: no template text, no rows of other frames.
    auto expectWholeFrame = [&](int frame) {
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        ASSERT_EQ(WaitForScreenPixel(probe, kFrameColour[frame]), kFrameColour[frame]);
        const std::vector<COLORREF> pixels = CaptureScreen(rect);
        int others = 0;
        for (COLORREF pixel : pixels)
            others += pixel != kFrameColour[frame];
        EXPECT_EQ(others, 0);
    };

    expectWholeFrame(CPngButton::kNormal);
    MoveMouse(middle);
    expectWholeFrame(CPngButton::kHover);
    PressLeft();
    expectWholeFrame(CPngButton::kPressed);
    ReleaseLeft();
    expectWholeFrame(CPngButton::kHover);
    EXPECT_EQ(owner.m_notifications, (std::vector<WORD>{BN_CLICKED}));
    MoveMouse({rect.right + 60, rect.bottom + 60});
    expectWholeFrame(CPngButton::kNormal);
    EXPECT_FALSE(owner.m_button.IsHover());
}

} // namespace
