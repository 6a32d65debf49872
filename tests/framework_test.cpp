// The framework layer: message maps and the dialog way of returning results, the pre-translation
// walk in the main and in nested loops, the owners of dialogs, centring, and how a quit message ends
// nested loops with its code.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/login_app.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "tests/support/ui_support.h"

using namespace uitest;

namespace {

// Test template 9001: a hidden popup with an edit box, a push button and a label.
constexpr UINT kProbeTemplate = 9001;
constexpr int kEdit = 9011;
constexpr int kButton = 9012;
constexpr int kLabel = 9013;

constexpr UINT kProbeMessage = WM_APP + 40;
constexpr UINT kSentinelMessage = WM_APP + 41;
constexpr UINT kUnmappedMessage = WM_APP + 51;
constexpr INT_PTR kStillOpen = 0x0FE7;

using Log = std::vector<std::string>;

class MessageMapTest : public UiTest {};
class ModalDialogTest : public UiTest {};
class PreTranslateTest : public UiTest {};
class DialogOwnerTest : public UiTest {};
class CenterWindowTest : public UiTest {};
class MessageLoopTest : public UiTest {};

// A window object that logs its pre-translation of the probe message, and may keep it.
class LoggingWnd : public CWnd {
public:
    LoggingWnd(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}

    BOOL PreTranslateMessage(MSG* message) override
    {
        if (message->message != kProbeMessage)
            return FALSE;
        m_log.push_back(m_name);
        return m_swallow;
    }

    bool m_swallow = false;
    int m_dispatched = 0;

protected:
    BEGIN_MSG_MAP(LoggingWnd, CWnd)
        ON_MESSAGE(kProbeMessage, OnProbe)
    END_MSG_MAP()

    LRESULT OnProbe(WPARAM, LPARAM)
    {
        ++m_dispatched;
        return 0;
    }

private:
    Log& m_log;
    std::string m_name;
};

// A dialog on template 9001 whose edit box and own pre-translation are logged.
class ProbeDialog : public CDialogEx {
public:
    static constexpr int kRunCommand = 40001;

    ProbeDialog(Log& log, std::string name, CWnd* parent = nullptr, UINT templateId = kProbeTemplate)
        : CDialogEx(templateId, parent), m_edit(log, name + ".edit"), m_log(log), m_name(std::move(name))
    {
    }

    BOOL PreTranslateMessage(MSG* message) override
    {
        if (message->message == kProbeMessage) {
            m_log.push_back(m_name);
            if (m_swallow)
                return TRUE;
        }
        return CDialogEx::PreTranslateMessage(message);
    }

    LoggingWnd m_edit;
    bool m_swallow = false;
    // Like the launcher's long-lived windows: Enter, Escape and close do nothing.
    bool m_ignoreOkCancel = false;
    int m_dispatched = 0;
    int m_sentinels = 0;
    int m_closeCalls = 0;
    std::function<void()> m_onRunCommand;
    // Runs in the close handler before it asks for the default processing.
    std::function<void()> m_onClose;

protected:
    void DoDataExchange() override { DDX_Control(kEdit, m_edit); }
    void OnOK() override
    {
        if (!m_ignoreOkCancel)
            CDialogEx::OnOK();
    }
    void OnCancel() override
    {
        if (!m_ignoreOkCancel)
            CDialogEx::OnCancel();
    }

    BEGIN_MSG_MAP(ProbeDialog, CDialogEx)
        ON_MESSAGE(kProbeMessage, OnProbe)
        ON_MESSAGE(kSentinelMessage, OnSentinel)
        ON_COMMAND(kRunCommand, OnRunCommand)
        ON_WM_CLOSE()
    END_MSG_MAP()

    LRESULT OnProbe(WPARAM, LPARAM)
    {
        ++m_dispatched;
        return 0;
    }
    LRESULT OnSentinel(WPARAM, LPARAM)
    {
        ++m_sentinels;
        return 0;
    }
    void OnRunCommand()
    {
        if (m_onRunCommand)
            m_onRunCommand();
    }
    // The dialog manager's own handling is what turns a close into IDCANCEL.
    void OnClose()
    {
        ++m_closeCalls;
        if (m_onClose)
            m_onClose();
        Default();
    }

private:
    Log& m_log;
    std::string m_name;
};

// ---------------------------------------------------------------- message maps

constexpr int kBaseCommand = 40101;
constexpr int kDerivedCommand = 40102;
constexpr int kSharedCommand = 40103;
constexpr UINT kBaseMessage = WM_APP + 50;

class BaseMapDialog : public CDialogEx {
public:
    BaseMapDialog() : CDialogEx(kProbeTemplate) {}
    Log m_calls;
    HBRUSH LabelBrush() const { return m_labelBrush.Get(); }

protected:
    BEGIN_MSG_MAP(BaseMapDialog, CDialogEx)
        ON_COMMAND(kBaseCommand, OnBaseCommand)
        ON_COMMAND(kSharedCommand, OnBaseShared)
        ON_MESSAGE(kBaseMessage, OnBaseMessage)
        ON_WM_CTLCOLOR()
    END_MSG_MAP()

    void OnBaseCommand() { m_calls.push_back("base command"); }
    void OnBaseShared() { m_calls.push_back("base shared"); }
    LRESULT OnBaseMessage(WPARAM wParam, LPARAM)
    {
        m_calls.push_back("base message");
        return 0x5EED + static_cast<LRESULT>(wParam);
    }
    // The confirmation dialog's kind: its own brush for the label, the base's for the rest.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind)
    {
        HBRUSH brush = CDialogEx::OnCtlColor(dc, control, kind);
        return ::GetDlgCtrlID(control) == kLabel ? m_labelBrush.Get() : brush;
    }

private:
    GdiObject<HBRUSH> m_labelBrush{::CreateSolidBrush(RGB(1, 2, 3))};
};

class DerivedMapDialog : public BaseMapDialog {
protected:
    BEGIN_MSG_MAP(DerivedMapDialog, BaseMapDialog)
        ON_COMMAND(kDerivedCommand, OnDerivedCommand)
        ON_COMMAND(kSharedCommand, OnDerivedShared)
        ON_WM_NCHITTEST()
    END_MSG_MAP()

    void OnDerivedCommand() { m_calls.push_back("derived command"); }
    void OnDerivedShared() { m_calls.push_back("derived shared"); }
    // The backdrop's kind of hit test: the default answer, with the client area made a caption.
    LRESULT OnNcHitTest(POINT)
    {
        const LRESULT hit = Default();
        return hit == HTCLIENT ? HTCAPTION : hit;
    }
};

TEST_F(MessageMapTest, RoutesToTheDerivedMapThenTheBaseMapAndAnswersTheDialogWay)
{
    DerivedMapDialog dialog;
    ASSERT_TRUE(dialog.Create(kProbeTemplate));
    HWND window = dialog.m_hWnd;
    // Hit tests need a visible window; it is never activated.
    ::SetWindowPos(window, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    const RECT rect = WindowRectOf(window);
    const LPARAM inside = MAKELPARAM(rect.left + 3, rect.top + 3);
    const LPARAM outside = MAKELPARAM(rect.right + 40, rect.bottom + 40);
    WindowDC dc(window);
    const auto hdc = reinterpret_cast<WPARAM>(dc.Get());
    const auto label = reinterpret_cast<LPARAM>(::GetDlgItem(window, kLabel));
    const auto button = reinterpret_cast<LPARAM>(::GetDlgItem(window, kButton));
    // What the dialog manager gives a control that the map's handler passes on.
    const LRESULT buttonBrush = ::DefWindowProcW(window, WM_CTLCOLORBTN, hdc, button);
    ASSERT_NE(buttonBrush, 0);

    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        Log calls;
        LRESULT result;
    };
    const Case cases[] = {
        {"button click on a derived entry", WM_COMMAND, MAKEWPARAM(kDerivedCommand, BN_CLICKED), 0, {"derived command"},
            0},
        {"accelerator on a base entry", WM_COMMAND, MAKEWPARAM(kBaseCommand, 1), 0, {"base command"}, 0},
        {"a derived entry hides the base's", WM_COMMAND, MAKEWPARAM(kSharedCommand, BN_CLICKED), 0, {"derived shared"},
            0},
        {"other notifications are not commands", WM_COMMAND, MAKEWPARAM(kBaseCommand, EN_CHANGE), 0, {}, 0},
        {"base message, result through DWLP_MSGRESULT", kBaseMessage, 7, 0, {"base message"}, 0x5EED + 7},
        {"hit test in the client area: Default() said HTCLIENT", WM_NCHITTEST, 0, inside, {}, HTCAPTION},
        {"hit test elsewhere: Default()'s answer unchanged", WM_NCHITTEST, 0, outside, {}, HTNOWHERE},
        {"label colour from the base map: the brush itself is the answer", WM_CTLCOLORSTATIC, hdc, label, {},
            reinterpret_cast<LRESULT>(dialog.LabelBrush())},
        {"other control colour: the dialog manager's brush", WM_CTLCOLORBTN, hdc, button, {}, buttonBrush},
        {"message nobody maps", kUnmappedMessage, 0, 0, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialog.m_calls.clear();
        EXPECT_EQ(::SendMessageW(window, c.message, c.wParam, c.lParam), c.result);
        EXPECT_EQ(dialog.m_calls, c.calls);
    }
}

TEST_F(ModalDialogTest, EndsWithTheDefaultResultsOfOkCancelCloseAndKeys)
{
    enum Target { Dialog, Edit };
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        Target target;
        bool ignoreOkCancel;
        INT_PTR result;
        int closeCalls;
    };
    const Case cases[] = {
        {"IDOK command", WM_COMMAND, IDOK, Dialog, false, IDOK, 0},
        {"IDCANCEL command", WM_COMMAND, IDCANCEL, Dialog, false, IDCANCEL, 0},
        {"WM_CLOSE: the handler's Default() turns it into IDCANCEL once", WM_CLOSE, 0, Dialog, false, IDCANCEL, 1},
        {"Escape in the edit box", WM_KEYDOWN, VK_ESCAPE, Edit, false, IDCANCEL, 0},
        {"Enter in the edit box", WM_KEYDOWN, VK_RETURN, Edit, false, IDOK, 0},
        {"WM_CLOSE with OnCancel emptied", WM_CLOSE, 0, Dialog, true, kStillOpen, 1},
        {"Escape with OnCancel emptied", WM_KEYDOWN, VK_ESCAPE, Edit, true, kStillOpen, 0},
        {"Enter with OnOK emptied", WM_KEYDOWN, VK_RETURN, Edit, true, kStillOpen, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Log log;
        ProbeDialog dialog(log, "dialog");
        dialog.m_ignoreOkCancel = c.ignoreOkCancel;
        auto focusEdit = [&] {
            ::SetFocus(dialog.m_edit.m_hWnd);
            return true;
        };
        auto target = [&] { return c.target == Edit ? dialog.m_edit.m_hWnd : dialog.m_hWnd; };
        auto endStillOpen = [&] {
            dialog.EndDialog(static_cast<int>(kStillOpen));
            return true;
        };
        ModalDriver driver(dialog,
            {WhenVisible(dialog.m_hWnd), focusEdit, Post(target, c.message, c.wParam), Idle(150), endStillOpen});
        EXPECT_EQ(driver.Run(), c.result);
        EXPECT_EQ(dialog.m_closeCalls, c.closeCalls);
        EXPECT_EQ(dialog.m_hWnd, nullptr);
    }
}

TEST_F(ModalDialogTest, DefaultAfterANestedQuestionStillMeansTheHandlersOwnMessage)
{
    Log log;
    ProbeDialog dialog(log, "dialog");
    INT_PTR answer = 0;
    // A close handler that first asks, as the launcher's quit commands do; other messages reach the
    // dialog while the question runs.
    dialog.m_onClose = [&] {
        ProbeDialog question(log, "question");
        auto busyThenOk = [&] {
            dialog.SendMessage(kSentinelMessage);
            dialog.SendMessage(kUnmappedMessage);
            question.PostMessage(WM_COMMAND, IDOK);
            return true;
        };
        ModalDriver driver(question, {WhenVisible(question.m_hWnd), busyThenOk});
        answer = driver.Run();
    };
    ModalDriver driver(dialog, {WhenVisible(dialog.m_hWnd), Post([&] { return dialog.m_hWnd; }, WM_CLOSE)});
    EXPECT_EQ(driver.Run(), IDCANCEL);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(dialog.m_sentinels, 1);
    EXPECT_EQ(dialog.m_closeCalls, 1);
}

// ---------------------------------------------------------------- pre-translation

// Posts the probe, then a sentinel behind it: once the sentinel is through, so is the probe.
void PostProbeAndWait(HWND target, ProbeDialog& dialog)
{
    const int sentinels = dialog.m_sentinels;
    ::PostMessageW(target, kProbeMessage, 0, 0);
    dialog.PostMessage(kSentinelMessage);
    ASSERT_TRUE(PumpUntil([&] { return dialog.m_sentinels > sentinels; }));
}

TEST_F(PreTranslateTest, WalksFromTheTargetUpToItsTopLevelWindowChildFirst)
{
    Log log;
    TestWindow ownerWindow({40, 40, 140, 140});
    // The owner is a bound window too: the walk must stop at the dialog, not go on to it.
    LoggingWnd owner(log, "owner");
    ASSERT_TRUE(owner.Attach(ownerWindow));
    ProbeDialog dialog(log, "dialog");
    ASSERT_TRUE(dialog.Create(kProbeTemplate, &owner));

    struct Case {
        const char* what;
        bool toEdit;
        bool editKeeps;
        bool dialogKeeps;
        Log walk;
        int editDispatched;
        int dialogDispatched;
    };
    const Case cases[] = {
        {"to a control: the control, then its dialog", true, false, false, {"dialog.edit", "dialog"}, 1, 0},
        {"a control that keeps it ends the walk and the dispatch", true, true, false, {"dialog.edit"}, 0, 0},
        {"the dialog keeps it", true, false, true, {"dialog.edit", "dialog"}, 0, 0},
        {"to the dialog itself", false, false, false, {"dialog"}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        dialog.m_edit.m_dispatched = dialog.m_dispatched = 0;
        dialog.m_edit.m_swallow = c.editKeeps;
        dialog.m_swallow = c.dialogKeeps;
        PostProbeAndWait(c.toEdit ? dialog.m_edit.m_hWnd : dialog.m_hWnd, dialog);
        EXPECT_EQ(log, c.walk);
        EXPECT_EQ(dialog.m_edit.m_dispatched, c.editDispatched);
        EXPECT_EQ(dialog.m_dispatched, c.dialogDispatched);
    }
    dialog.m_swallow = false;
}

TEST_F(PreTranslateTest, ModalLoopRunFromAModelessHandlerWalksForBothDialogs)
{
    Log log;
    TestWindow mainWindow({40, 40, 240, 240});
    mainWindow.ShowOnTop();
    CWnd main;
    ASSERT_TRUE(main.Attach(mainWindow));
    ScopedMainWnd scopedMain(&main);

    // As the overlay is when its close button asks: shown, active, owned by the main window.
    ProbeDialog modeless(log, "modeless");
    ASSERT_TRUE(modeless.Create(kProbeTemplate));
    modeless.ShowWindow(SW_SHOWNORMAL);
    ::SetActiveWindow(modeless.m_hWnd);
    INT_PTR nestedResult = 0;
    bool nestedReturned = false;
    int modalEditDispatched = -1;
    HWND modalOwner = nullptr;
    BOOL modalOwnerEnabled = TRUE;
    modeless.m_onRunCommand = [&] {
        ProbeDialog modal(log, "modal");
        auto probeBothThenOk = [&] {
            modalOwner = ::GetWindow(modal.m_hWnd, GW_OWNER);
            modalOwnerEnabled = ::IsWindowEnabled(modalOwner);
            ::PostMessageW(modal.m_edit.m_hWnd, kProbeMessage, 0, 0);
            ::PostMessageW(modeless.m_edit.m_hWnd, kProbeMessage, 0, 0);
            modal.PostMessage(WM_COMMAND, IDOK);
            return true;
        };
        ModalDriver driver(modal, {WhenVisible(modal.m_hWnd), probeBothThenOk});
        nestedResult = driver.Run();
        modalEditDispatched = modal.m_edit.m_dispatched;
        nestedReturned = true;
    };
    modeless.PostMessage(WM_COMMAND, ProbeDialog::kRunCommand);
    ASSERT_TRUE(PumpUntil([&] { return nestedReturned; }, 8000));

    EXPECT_EQ(nestedResult, IDOK);
    EXPECT_EQ(log, (Log{"modal.edit", "modal", "modeless.edit", "modeless"}));
    EXPECT_EQ(modalEditDispatched, 1);
    EXPECT_EQ(modeless.m_edit.m_dispatched, 1);
    EXPECT_EQ(modalOwner, modeless.m_hWnd);
    EXPECT_FALSE(modalOwnerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(modeless.m_hWnd));
    EXPECT_EQ(::GetActiveWindow(), modeless.m_hWnd);
}

// ---------------------------------------------------------------- owners

TEST_F(DialogOwnerTest, ModalOwnerIsTheMainWindowsLastActivePopupDisabledWhileTheDialogRuns)
{
    enum Owner { None, Main, Popup };
    struct Case {
        const char* what;
        bool hasMain;
        bool popupActiveLast;
        bool parentIsChildOfMain;
        Owner owner;
    };
    const Case cases[] = {
        {"main window used last", true, false, false, Main},
        {"a popup of the main window used last", true, true, false, Popup},
        {"no main window: no owner", false, false, false, None},
        {"explicit parent inside the main window: its top-level window", true, true, true, Main},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow mainWindow({40, 40, 340, 340});
        TestWindow popup({60, 60, 160, 160}, WS_POPUP, mainWindow);
        TestWindow child({10, 10, 50, 50}, WS_CHILD | WS_VISIBLE, mainWindow);
        CWnd main;
        ASSERT_TRUE(main.Attach(mainWindow));
        CWnd parent;
        ASSERT_TRUE(parent.Attach(child));
        ScopedMainWnd scopedMain(c.hasMain ? &main : nullptr);
        mainWindow.ShowOnTop(true);
        popup.ShowOnTop(true);
        ::SetActiveWindow(c.popupActiveLast ? popup.Get() : mainWindow.Get());
        const HWND expectedOwner = c.owner == Main ? mainWindow.Get() : c.owner == Popup ? popup.Get() : nullptr;

        Log log;
        ProbeDialog dialog(log, "dialog", c.parentIsChildOfMain ? &parent : nullptr);
        HWND ownerDuring = reinterpret_cast<HWND>(-1);
        BOOL ownerEnabledDuring = TRUE;
        auto lookThenOk = [&] {
            ownerDuring = ::GetWindow(dialog.m_hWnd, GW_OWNER);
            if (ownerDuring)
                ownerEnabledDuring = ::IsWindowEnabled(ownerDuring);
            dialog.EndDialog(IDOK);
            return true;
        };
        ModalDriver driver(dialog, {WhenVisible(dialog.m_hWnd), lookThenOk});
        EXPECT_EQ(driver.Run(), IDOK);
        EXPECT_EQ(ownerDuring, expectedOwner);
        if (expectedOwner) {
            EXPECT_FALSE(ownerEnabledDuring);
            EXPECT_TRUE(::IsWindowEnabled(expectedOwner));
            // Enabled before the dialog went, so the activation came back to it.
            EXPECT_EQ(::GetActiveWindow(), expectedOwner);
        }
        EXPECT_TRUE(::IsWindowEnabled(mainWindow));
        EXPECT_TRUE(::IsWindowEnabled(popup));
    }
}

TEST_F(DialogOwnerTest, ModalDialogThatCannotBeMadeReturnsMinusOneAndLeavesTheOwnerEnabled)
{
    TestWindow mainWindow({40, 40, 140, 140});
    mainWindow.ShowOnTop();
    CWnd main;
    ASSERT_TRUE(main.Attach(mainWindow));
    ScopedMainWnd scopedMain(&main);
    Log log;
    ProbeDialog dialog(log, "dialog", nullptr, 4242);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(::IsWindowEnabled(mainWindow));
}

TEST_F(DialogOwnerTest, ModelessDialogWithoutParentIsOwnedByTheMainWindow)
{
    TestWindow mainWindow({40, 40, 140, 140});
    TestWindow otherWindow({200, 40, 300, 140});
    CWnd main;
    CWnd other;
    ASSERT_TRUE(main.Attach(mainWindow));
    ASSERT_TRUE(other.Attach(otherWindow));
    struct Case {
        const char* what;
        CWnd* mainWnd;
        CWnd* parent;
        HWND owner;
    };
    const Case cases[] = {
        {"no parent: the main window", &main, nullptr, mainWindow},
        {"no parent, no main window: none", nullptr, nullptr, nullptr},
        {"a parent: the parent", &main, &other, otherWindow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedMainWnd scopedMain(c.mainWnd);
        Log log;
        ProbeDialog dialog(log, "dialog");
        ASSERT_TRUE(dialog.Create(kProbeTemplate, c.parent));
        EXPECT_EQ(::GetWindow(dialog.m_hWnd, GW_OWNER), c.owner);
    }
}

// ---------------------------------------------------------------- centring

TEST_F(CenterWindowTest, FollowsTheOwnerTheWorkAreaOrTheParentAndStaysInside)
{
    const RECT work = PrimaryWorkArea();
    const int cx = (work.left + work.right) / 2;
    const int cy = (work.top + work.bottom) / 2;
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;

    enum Over { NoOwner, VisibleOwner, HiddenOwner, MinimisedOwner, AlternateOwner };
    struct Case {
        const char* what;
        Over over;
        RECT ownerRect;
        SIZE size;
        POINT expected;
    };
    const Case cases[] = {
        {"no owner: the work area's centre", NoOwner, {}, {400, 300}, {cx - 200, cy - 150}},
        {"visible owner: its centre, halves rounded down", VisibleOwner, {100, 100, 601, 401}, {201, 101},
            {350 - 100, 250 - 50}},
        {"hidden owner: the work area instead", HiddenOwner, {100, 100, 601, 401}, {201, 101}, {cx - 100, cy - 50}},
        {"minimised owner: the work area instead", MinimisedOwner, {100, 100, 601, 401}, {201, 101},
            {cx - 100, cy - 50}},
        {"alternate owner wins over the owner", AlternateOwner, {300, 200, 500, 400}, {100, 50}, {400 - 50, 300 - 25}},
        {"owner in the bottom-right corner: pushed back inside", VisibleOwner,
            {work.right - 100, work.bottom - 100, work.right, work.bottom}, {400, 300},
            {work.right - 400, work.bottom - 300}},
        {"owner off the top-left: pulled back inside", VisibleOwner,
            {work.left - 300, work.top - 300, work.left + 100, work.top + 100}, {400, 300}, {work.left, work.top}},
        {"larger than the work area: its top-left corner on the work area's", NoOwner, {},
            {workWidth + 200, workHeight + 100}, {work.left, work.top}},
        {"only wider than the work area", NoOwner, {}, {workWidth + 300, 200}, {work.left, cy - 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool hasOwner = c.over != NoOwner;
        // With an alternate, the window's own owner sits elsewhere and must not count.
        TestWindow owner(c.over == AlternateOwner ? RECT{1000, 600, 1100, 700} : c.ownerRect);
        TestWindow alternate(c.ownerRect);
        if (c.over == VisibleOwner || c.over == AlternateOwner)
            owner.ShowOnTop();
        if (c.over == AlternateOwner)
            alternate.ShowOnTop();
        if (c.over == MinimisedOwner)
            ::ShowWindow(owner, SW_SHOWMINNOACTIVE);
        TestWindow window({0, 0, c.size.cx, c.size.cy}, WS_POPUP, hasOwner ? owner.Get() : nullptr);

        CWnd wnd;
        ASSERT_TRUE(wnd.Attach(window));
        wnd.CenterWindow(c.over == AlternateOwner ? alternate.Get() : nullptr);
        const RECT placed = WindowRectOf(window);
        EXPECT_EQ(placed.left, c.expected.x);
        EXPECT_EQ(placed.top, c.expected.y);
        EXPECT_EQ(placed.right - placed.left, c.size.cx);
    }
}

TEST_F(CenterWindowTest, CentresAChildInItsParentsClientArea)
{
    // A frame around the parent's client area, so that client and window origins differ.
    RECT parentRect{100, 100, 400, 300};
    ::AdjustWindowRectEx(&parentRect, WS_POPUP | WS_CAPTION, FALSE, 0);
    TestWindow parent(parentRect, WS_POPUP | WS_CAPTION);
    RECT client{};
    ::GetClientRect(parent, &client);
    ASSERT_EQ(client.right, 300);
    ASSERT_EQ(client.bottom, 200);

    struct Case {
        const char* what;
        SIZE size;
        POINT expected;
    };
    const Case cases[] = {
        {"smaller than the client area", {50, 31}, {150 - 25, 100 - 15}},
        {"larger than the client area: its top-left corner", {400, 300}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow child({5, 5, 5 + c.size.cx, 5 + c.size.cy}, WS_CHILD, parent);
        CWnd wnd;
        ASSERT_TRUE(wnd.Attach(child));
        wnd.CenterWindow();
        const RECT placed = ChildRectOf(child);
        EXPECT_EQ(placed.left, c.expected.x);
        EXPECT_EQ(placed.top, c.expected.y);
    }
}

// ---------------------------------------------------------------- quit and exit code

TEST_F(MessageLoopTest, QuitInsideANestedLoopEndsBothLoopsWithItsCode)
{
    Log log;
    TestWindow mainWindow({40, 40, 240, 240});
    mainWindow.ShowOnTop();
    CWnd main;
    ASSERT_TRUE(main.Attach(mainWindow));
    ScopedMainWnd scopedMain(&main);
    ProbeDialog modeless(log, "modeless");
    ASSERT_TRUE(modeless.Create(kProbeTemplate));
    bool nestedReturned = false;
    HWND modalWindow = nullptr;
    HWND owner = nullptr;
    BOOL ownerEnabledDuring = TRUE;
    modeless.m_onRunCommand = [&] {
        ProbeDialog modal(log, "modal");
        auto quit16 = [&] {
            modalWindow = modal.m_hWnd;
            owner = ::GetWindow(modal.m_hWnd, GW_OWNER);
            ownerEnabledDuring = ::IsWindowEnabled(owner);
            ::PostQuitMessage(16);
            return true;
        };
        ModalDriver driver(modal, {WhenVisible(modal.m_hWnd), quit16});
        driver.Run();
        nestedReturned = true;
    };
    modeless.PostMessage(WM_COMMAND, ProbeDialog::kRunCommand);

    {
        // Should the nested quit never come, a late one with another code ends the outer loop.
        ThreadTimer safety(8000, [] { ::PostQuitMessage(99); });
        EXPECT_FALSE(CWinApp::PumpUntil([] { return false; }));
    }
    EXPECT_TRUE(nestedReturned);
    EXPECT_FALSE(::IsWindow(modalWindow));
    // The owner, whichever window of the main window's family it was, is enabled again.
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(CWinApp::LastMessage().message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(CWinApp::QuitCode(), 16);
    EXPECT_EQ(theApp.ExitInstance(), 16);
    // Each loop passes the quit on outwards, so one is left for a loop that is not there.
    WPARAM code = 0;
    EXPECT_TRUE(DrainQuit(&code));
    EXPECT_EQ(code, 16u);
}

} // namespace
