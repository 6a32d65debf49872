#include "framework/wnd.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "framework/app.h"

namespace {

std::vector<std::unique_ptr<CWnd>>& WaitingDeletions()
{
    thread_local std::vector<std::unique_ptr<CWnd>> waiting;
    return waiting;
}

// Windows live on the thread that made them, and so does their map.
std::unordered_map<HWND, CWnd*>& WindowMap()
{
    thread_local std::unordered_map<HWND, CWnd*> map;
    return map;
}

constexpr UINT_PTR kSubclassId = 0x51A7;

RECT WorkAreaOf(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

} // namespace

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
    HWND window = m_hWnd;
    Binding binding = m_binding;
    Unbind();
    // Owned windows go with their object; a control borrowed from a dialog stays with the dialog.
    if (binding == Binding::Owned && ::IsWindow(window))
        ::DestroyWindow(window);
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    auto& map = WindowMap();
    auto found = map.find(window);
    return found == map.end() ? nullptr : found->second;
}

void CWnd::Bind(HWND window)
{
    m_hWnd = window;
    WindowMap()[window] = this;
}

void CWnd::Unbind()
{
    if (!m_hWnd)
        return;
    if (m_binding == Binding::Subclassed)
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    auto& map = WindowMap();
    auto found = map.find(m_hWnd);
    if (found != map.end() && found->second == this)
        map.erase(found);
    m_hWnd = nullptr;
    m_binding = Binding::None;
}

bool CWnd::SubclassWindow(HWND window)
{
    if (m_hWnd || !::IsWindow(window) || FromHandlePermanent(window))
        return false;
    if (!::SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    Bind(window);
    m_binding = Binding::Subclassed;
    PreSubclassWindow();
    return true;
}

bool CWnd::Attach(HWND window)
{
    if (m_hWnd || !::IsWindow(window) || FromHandlePermanent(window))
        return false;
    Bind(window);
    m_binding = Binding::Attached;
    return true;
}

HWND CWnd::Detach()
{
    HWND window = m_hWnd;
    Unbind();
    return window;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

RECT CWnd::GetWindowRect() const
{
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    return rect;
}

RECT CWnd::GetClientRect() const
{
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

static bool ModifyLong(HWND window, int index, DWORD remove, DWORD add, UINT flags)
{
    DWORD style = static_cast<DWORD>(::GetWindowLongW(window, index));
    DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return false;
    ::SetWindowLongW(window, index, static_cast<LONG>(changed));
    if (flags)
        ::SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return true;
}

bool CWnd::ModifyStyleOf(HWND window, DWORD remove, DWORD add, UINT flags)
{
    return ModifyLong(window, GWL_STYLE, remove, add, flags);
}

bool CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) const
{
    return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

void CWnd::CenterWindow(HWND alternateOwner) const
{
    const bool child = (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    RECT area{};
    RECT center{};
    if (child) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        center = area;
    } else {
        HWND over = alternateOwner ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
        // A hidden or minimised owner is no place to centre on.
        if (over && (!::IsWindowVisible(over) || ::IsIconic(over)))
            over = nullptr;
        CWnd* main = AfxGetMainWnd();
        HWND monitorOf = over ? over : (main && main->m_hWnd ? main->m_hWnd : m_hWnd);
        area = WorkAreaOf(monitorOf);
        if (over)
            ::GetWindowRect(over, &center);
        else
            center = area;
    }

    RECT window = GetWindowRect();
    const int width = Width(window);
    const int height = Height(window);
    int left = (center.left + center.right) / 2 - width / 2;
    int top = (center.top + center.bottom) / 2 - height / 2;
    if (left + width > area.right)
        left = area.right - width;
    if (left < area.left)
        left = area.left;
    if (top + height > area.bottom)
        top = area.bottom - height;
    if (top < area.top)
        top = area.top;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CWnd::ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_binding == Binding::Subclassed)
        return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

bool CWnd::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    CurrentMessage outer = m_current;
    m_current = CurrentMessage{message, wParam, lParam};
    ++m_nMessageDepth;
    bool handled = false;
    try {
        handled = ProcessWindowMessage(message, wParam, lParam, result);
    } catch (...) {
        // Nothing may unwind into the system's code; the default processing takes over.
        handled = false;
    }
    --m_nMessageDepth;
    m_current = outer;
    return handled;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!DispatchToMap(message, wParam, lParam, result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
    DWORD_PTR self)
{
    auto* object = reinterpret_cast<CWnd*>(self);
    if (message == WM_NCDESTROY) {
        LRESULT result = object->WindowProc(message, wParam, lParam);
        object->Unbind();
        object->PostNcDestroy();
        return result;
    }
    (void)window;
    return object->WindowProc(message, wParam, lParam);
}

void DeleteWindowObject(std::unique_ptr<CWnd> object)
{
    if (object && object->IsHandlingMessage())
        WaitingDeletions().push_back(std::move(object));
}

void DeleteWaitingWindowObjects()
{
    auto& waiting = WaitingDeletions();
    if (waiting.empty())
        return;
    // Taken out first: a destructor may itself defer another deletion.
    std::vector<std::unique_ptr<CWnd>> ready;
    for (auto& object : waiting) {
        if (!object->IsHandlingMessage())
            ready.push_back(std::move(object));
    }
    waiting.erase(std::remove(waiting.begin(), waiting.end(), nullptr), waiting.end());
    ready.clear();
}
