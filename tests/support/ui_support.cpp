#include "tests/support/ui_support.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "app/login_app.h"
#include "framework/dialog.h"
#include "skin/png_image.h"

namespace uitest {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (done())
            return true;
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Not ours to take: whoever posted it is waiting for a loop to see it.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            if (!CWinApp::PreTranslate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            if (done())
                return true;
        }
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return done();
        // Pixels change without a message to wake us, so never sleep long.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT,
            MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool DrainQuit(WPARAM* code)
{
    MSG message{};
    bool drained = false;
    while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        drained = true;
        if (code)
            *code = message.wParam;
    }
    return drained;
}

void EnsureGdiPlus()
{
    static ULONG_PTR token = 0;
    static const Gdiplus::Status status = StartGdiPlus(token);
    (void)status;
}

ScopedMainWnd::ScopedMainWnd(CWnd* window) : m_previous(theApp.m_pMainWnd) { theApp.m_pMainWnd = window; }

ScopedMainWnd::~ScopedMainWnd() { theApp.m_pMainWnd = m_previous; }

RECT PrimaryWorkArea()
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

namespace {

    constexpr wchar_t kTestWindowClass[] = L"QarveloTestWindow";

    void RegisterTestWindowClass(WNDPROC proc)
    {
        static const ATOM atom = [proc] {
            WNDCLASSEXW cls{};
            cls.cbSize = sizeof(cls);
            cls.lpfnWndProc = proc;
            cls.hInstance = ::GetModuleHandleW(nullptr);
            cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
            cls.lpszClassName = kTestWindowClass;
            return ::RegisterClassExW(&cls);
        }();
        (void)atom;
    }

} // namespace

TestWindow::TestWindow(RECT rect, DWORD style, HWND parent, COLORREF left, COLORREF right, DWORD exStyle)
    : m_left(::CreateSolidBrush(left)), m_right(right == CLR_INVALID ? nullptr : ::CreateSolidBrush(right))
{
    RegisterTestWindowClass(WindowProc);
    m_hWnd = ::CreateWindowExW(exStyle, kTestWindowClass, L"uitest", style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent, nullptr, ::GetModuleHandleW(nullptr), this);
}

TestWindow::~TestWindow()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

void TestWindow::ShowOnTop(bool activate)
{
    m_painted = false;
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0,
        SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | (activate ? 0 : SWP_NOACTIVATE));
    ::UpdateWindow(m_hWnd);
    PumpUntil([this] { return m_painted; }, 2000);
}

LRESULT CALLBACK TestWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_STYLECHANGING:
        (static_cast<int>(wParam) == GWL_EXSTYLE ? self->m_exStyleWrites : self->m_styleWrites)++;
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(window, &paint);
        RECT client{};
        ::GetClientRect(window, &client);
        RECT left = client;
        if (self->m_right) {
            left.right = client.right / 2;
            RECT right = client;
            right.left = left.right;
            ::FillRect(dc, &right, self->m_right.Get());
        }
        ::FillRect(dc, &left, self->m_left.Get());
        ::EndPaint(window, &paint);
        self->m_painted = true;
        return 0;
    }
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

COLORREF ScreenPixel(POINT screen)
{
    WindowDC dc(nullptr);
    return ::GetPixel(dc.Get(), screen.x, screen.y);
}

COLORREF WaitForScreenPixel(POINT screen, COLORREF expected, DWORD timeoutMs)
{
    COLORREF seen = CLR_INVALID;
    PumpUntil(
        [&] {
            seen = ScreenPixel(screen);
            return seen == expected;
        },
        timeoutMs);
    return seen;
}

std::vector<COLORREF> CaptureScreen(const RECT& screen)
{
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    WindowDC screenDC(nullptr);
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(::CreateDIBSection(screenDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return pixels;
    ScopedMemoryDC memory(::CreateCompatibleDC(screenDC.Get()));
    {
        ScopedSelectObject select(memory.Get(), bitmap.Get());
        ::BitBlt(memory.Get(), 0, 0, width, height, screenDC.Get(), screen.left, screen.top, SRCCOPY);
    }
    ::GdiFlush();
    const auto* bgra = static_cast<const BYTE*>(bits);
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int i = 0; i < width * height; ++i)
        pixels.push_back(RGB(bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]));
    return pixels;
}

void MoveMouse(POINT screen) { ::SetCursorPos(screen.x, screen.y); }

namespace {
    void SendButton(DWORD flags)
    {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        ::SendInput(1, &input, sizeof(input));
    }
} // namespace

void PressLeft() { SendButton(MOUSEEVENTF_LEFTDOWN); }
void ReleaseLeft() { SendButton(MOUSEEVENTF_LEFTUP); }

void ParkMouse()
{
    if (::GetAsyncKeyState(VK_LBUTTON) & 0x8000)
        ReleaseLeft();
    MoveMouse(POINT{::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1});
    PumpFor(30);
}

POINT ClientToScreenPoint(HWND window, POINT client)
{
    ::ClientToScreen(window, &client);
    return client;
}

RECT WindowRectOf(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

RECT ChildRectOf(HWND child)
{
    RECT rect = WindowRectOf(child);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

namespace {
    std::map<UINT_PTR, ThreadTimer*>& Timers()
    {
        static std::map<UINT_PTR, ThreadTimer*> timers;
        return timers;
    }
} // namespace

ThreadTimer::ThreadTimer(DWORD intervalMs, std::function<void()> tick)
    : m_id(::SetTimer(nullptr, 0, intervalMs, Proc)), m_tick(std::move(tick))
{
    if (m_id)
        Timers()[m_id] = this;
}

ThreadTimer::~ThreadTimer()
{
    if (!m_id)
        return;
    ::KillTimer(nullptr, m_id);
    Timers().erase(m_id);
}

void CALLBACK ThreadTimer::Proc(HWND, UINT, UINT_PTR id, DWORD)
{
    auto found = Timers().find(id);
    if (found == Timers().end())
        return;
    ThreadTimer* timer = found->second;
    if (timer->m_busy)
        return;
    timer->m_busy = true;
    timer->m_tick();
    timer->m_busy = false;
}

ModalDriver::ModalDriver(CDialogEx& dialog, std::vector<Step> steps, DWORD timeoutMs)
    : m_dialog(dialog), m_steps(std::move(steps)), m_timeoutMs(timeoutMs)
{
}

INT_PTR ModalDriver::Run()
{
    m_start = ::GetTickCount();
    m_next = 0;
    ThreadTimer timer(10, [this] { Tick(); });
    return m_dialog.DoModal();
}

void ModalDriver::Tick()
{
    if (::GetTickCount() - m_start > m_timeoutMs) {
        if (m_dialog.m_hWnd)
            m_dialog.EndDialog(static_cast<int>(kTimedOut));
        return;
    }
    if (m_next < m_steps.size() && m_steps[m_next]())
        ++m_next;
}

ModalDriver::Step WhenVisible(const HWND& window)
{
    return [&window] { return window && ::IsWindowVisible(window); };
}

ModalDriver::Step Post(std::function<HWND()> target, UINT message, WPARAM wParam, LPARAM lParam)
{
    return [target = std::move(target), message, wParam, lParam] {
        HWND window = target();
        return window && ::PostMessageW(window, message, wParam, lParam);
    };
}

ModalDriver::Step Idle(DWORD ms)
{
    return [ms, start = DWORD(0)]() mutable {
        if (!start)
            start = ::GetTickCount() | 1;
        return ::GetTickCount() - start >= ms;
    };
}

HWND FindThreadWindow(const std::function<bool(HWND)>& accept)
{
    struct Search {
        const std::function<bool(HWND)>* accept;
        HWND found;
    } search{&accept, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (::IsWindowVisible(window) && (*s->accept)(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {
    // The windows tests make: their own, and dialogs. The system's hidden helpers do not count.
    std::vector<HWND> TestMadeWindows()
    {
        std::vector<HWND> windows;
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND window, LPARAM param) -> BOOL {
                wchar_t name[64] = {};
                ::GetClassNameW(window, name, 64);
                if (std::wstring(name) == kTestWindowClass || std::wstring(name) == L"#32770")
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        return windows;
    }
} // namespace

void UiTest::SetUp()
{
    EnsureGdiPlus();
    ParkMouse();
    m_windowsBefore = TestMadeWindows();
}

void UiTest::TearDown()
{
    ParkMouse();
    EXPECT_EQ(TestMadeWindows(), m_windowsBefore) << "windows left behind";
    EXPECT_FALSE(DrainQuit()) << "a quit message left in the queue";
}

} // namespace uitest
