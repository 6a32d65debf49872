// CWnd: a C++ object bound to a window handle, with its message map and pre-translation.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/msgmap.h"

class COleControlSite;

class CWnd {
    friend class CDialogEx;

public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object bound to a window of this thread, or null.
    static CWnd* FromHandlePermanent(HWND window);

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Routes the window's messages through this object (SetWindowSubclass), then PreSubclassWindow.
    bool SubclassWindow(HWND window);
    // Binds the handle for lookups and pre-translation without taking over its messages.
    bool Attach(HWND window);
    HWND Detach();

    // Called for every message on its way to this window or a window inside it, before dispatch.
    // Returning TRUE means the message was dealt with and is not dispatched.
    virtual BOOL PreTranslateMessage(MSG* message);

    // Window operations used all over the launcher.
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE) const
    {
        MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    }
    RECT GetWindowRect() const;
    RECT GetClientRect() const;
    void SetWindowText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    HWND SetActiveWindow() const { return ::SetActiveWindow(m_hWnd); }

    // Style changes; flags other than 0 add SWP_FRAMECHANGED-style SetWindowPos flags.
    bool ModifyStyle(DWORD remove, DWORD add, UINT flags = 0) const { return ModifyStyleOf(m_hWnd, remove, add, flags); }
    static bool ModifyStyleOf(HWND window, DWORD remove, DWORD add, UINT flags = 0);
    bool ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0) const;

    // Centres a popup over its owner (or alternateOwner), or over the work area when that is hidden
    // or missing; a child window in its parent's client area. The result is kept inside the work area,
    // its top-left corner winning when the window is larger.
    void CenterWindow(HWND alternateOwner = nullptr) const;

    // The ActiveX site behind this window when it is a hosted control, else null.
    COleControlSite* GetControlSite() const { return m_pCtrlSite; }
    void SetControlSite(COleControlSite* site) { m_pCtrlSite = site; }

    // True while one of this window's messages is being handled (possibly further up the stack).
    bool IsHandlingMessage() const { return m_nMessageDepth > 0; }

    HWND m_hWnd = nullptr;

protected:
    // The message map's dispatch; the root answers nothing.
    virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // What the window does with a message its map does not take.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled right now.
    LRESULT Default();
    // A notification the parent hands back to the control it is about (WM_DRAWITEM).
    virtual bool OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // Just after the window has been bound by SubclassWindow.
    virtual void PreSubclassWindow() {}
    // After WM_NCDESTROY, when the handle has been unbound.
    virtual void PostNcDestroy() {}

    // Runs one message through the map, with Default() available to the handlers; false when the
    // map did not take it. No exception gets past it into the system's code.
    bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The map, then the default processing for what it did not take.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    void Bind(HWND window);
    void Unbind();

    enum class Binding { None, Attached, Subclassed, Owned };
    Binding m_binding = Binding::None;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
        UINT_PTR id, DWORD_PTR self);

    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{};
    int m_nMessageDepth = 0;
    COleControlSite* m_pCtrlSite = nullptr;
};

// Deletes a window object, but not under one of its own message handlers: then the deletion waits
// until the message loop has the outermost of them back (a command that ends its own window).
void DeleteWindowObject(std::unique_ptr<CWnd> object);
// Deletes the objects whose deletion was waiting and whose messages have all returned.
void DeleteWaitingWindowObjects();

// Client-coordinate helpers.
inline int Width(const RECT& rect) { return rect.right - rect.left; }
inline int Height(const RECT& rect) { return rect.bottom - rect.top; }
