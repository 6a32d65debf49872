// In-process UI test helpers: bounded message pumping, windows of the test's own, real pixels and
// real mouse input on the X screen, and a driver for modal dialogs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "framework/handles.h"

class CWnd;
class CDialogEx;

namespace uitest {

// Runs this thread's messages through the launcher's pre-translation walk until done() holds or the
// time is up; true when done() held. A quit message is left in the queue and ends the wait.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// Runs this thread's messages for a fixed time: only for checks that something does NOT happen.
void PumpFor(DWORD ms);
// Removes every quit message waiting for this thread; true when there was one. Its code goes to *code.
bool DrainQuit(WPARAM* code = nullptr);

// GDI+ for the process, started once; the launcher never shuts it down either.
void EnsureGdiPlus();

// The application's main window for one scope.
class ScopedMainWnd {
public:
    explicit ScopedMainWnd(CWnd* window);
    ~ScopedMainWnd();
    ScopedMainWnd(const ScopedMainWnd&) = delete;
    ScopedMainWnd& operator=(const ScopedMainWnd&) = delete;

private:
    CWnd* m_previous;
};

// The primary monitor's work area (the system's work-area setting does not reach it under Wine).
RECT PrimaryWorkArea();

// A plain window of the test's own, painted in one colour, or in two side by side (left half, right
// half). It counts the style writes it sees, by GWL_STYLE / GWL_EXSTYLE index.
class TestWindow {
public:
    // parent: the parent of a child, the owner of a popup. right == CLR_INVALID: one colour.
    explicit TestWindow(RECT rect, DWORD style = WS_POPUP, HWND parent = nullptr, COLORREF left = RGB(0, 0, 0),
        COLORREF right = CLR_INVALID, DWORD exStyle = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Get() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    int StyleWrites(int index) const { return index == GWL_EXSTYLE ? m_exStyleWrites : m_styleWrites; }
    // Shows the window on top of the others and waits until it has painted.
    void ShowOnTop(bool activate = false);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    GdiObject<HBRUSH> m_left;
    GdiObject<HBRUSH> m_right;
    int m_styleWrites = 0;
    int m_exStyleWrites = 0;
    bool m_painted = false;
};

// Screen pixels as the X server shows them.
COLORREF ScreenPixel(POINT screen);
// Reads the pixel until it has the colour or the time is up, pumping messages meanwhile; returns the
// last colour read.
COLORREF WaitForScreenPixel(POINT screen, COLORREF expected, DWORD timeoutMs = 3000);
// One screen rectangle at once, row by row from the top.
std::vector<COLORREF> CaptureScreen(const RECT& screen);

// Real mouse input through the X server.
void MoveMouse(POINT screen);
void PressLeft();
void ReleaseLeft();
// Releases the button and moves the pointer to a corner no test window uses.
void ParkMouse();
POINT ClientToScreenPoint(HWND window, POINT client);
RECT WindowRectOf(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT ChildRectOf(HWND child);

// A timer of this thread that calls back from whichever message loop runs; killed with the object.
class ThreadTimer {
public:
    ThreadTimer(DWORD intervalMs, std::function<void()> tick);
    ~ThreadTimer();
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

private:
    static void CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD);

    UINT_PTR m_id;
    std::function<void()> m_tick;
    bool m_busy = false;
};

// Drives a dialog while its modal loop runs. A timer retries the current step until it returns true,
// then moves on; steps run one at a time, even when a step runs a loop of its own. A dialog still open
// at the deadline is ended with kTimedOut, so that a broken dialog fails its test instead of hanging.
class ModalDriver {
public:
    using Step = std::function<bool()>;
    static constexpr INT_PTR kTimedOut = 0x7E57;

    ModalDriver(CDialogEx& dialog, std::vector<Step> steps, DWORD timeoutMs = 5000);
    INT_PTR Run();

private:
    void Tick();

    CDialogEx& m_dialog;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    DWORD m_timeoutMs;
    DWORD m_start = 0;
};

// Steps for the driver.
// Waits until the window is visible.
ModalDriver::Step WhenVisible(const HWND& window);
// Posts a message to the window the getter names when the step runs.
ModalDriver::Step Post(std::function<HWND()> target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Pumps for a while without acting: lets a click that should do nothing have its chance.
ModalDriver::Step Idle(DWORD ms);

// The first visible top-level window of this thread that the predicate accepts, or null.
HWND FindThreadWindow(const std::function<bool(HWND)>& accept);

// Base of the UI tests: GDI+ up, the mouse out of the way, and afterwards no dialog or test window
// left open, no mouse button held and no quit message waiting.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::vector<HWND> m_windowsBefore;
};

} // namespace uitest
