// Message maps: each compiles into one ProcessWindowMessage override, a chain of tests that
// ends in the base class's map. Handlers that want the default processing call Default().
#pragma once

#include <windows.h>

// Signed coordinates packed in an LPARAM (multi-monitor positions can be negative).
inline int LParamX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
inline int LParamY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }
inline POINT LParamPoint(LPARAM lParam) { return POINT{LParamX(lParam), LParamY(lParam)}; }

#define BEGIN_MSG_MAP(ThisClass, BaseClass)                                                     \
protected:                                                                                      \
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override \
    {                                                                                           \
        using MapBase = BaseClass;                                                              \
        (void)wParam;                                                                           \
        (void)lParam;

#define END_MSG_MAP()                                                 \
    return MapBase::ProcessWindowMessage(message, wParam, lParam, result); \
    }

// LRESULT handler(WPARAM, LPARAM)
#define ON_MESSAGE(msg, handler)               \
    if (message == (msg)) {                    \
        result = handler(wParam, lParam);      \
        return true;                           \
    }

// void handler(): a menu item, accelerator or button click with this id.
#define ON_COMMAND(id, handler)                                                          \
    if (message == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) <= 1) {        \
        handler();                                                                       \
        result = 0;                                                                      \
        return true;                                                                     \
    }

#define ON_WM_PAINT()                          \
    if (message == WM_PAINT) {                 \
        OnPaint();                             \
        result = 0;                            \
        return true;                           \
    }

#define ON_WM_CLOSE()                          \
    if (message == WM_CLOSE) {                 \
        OnClose();                             \
        result = 0;                            \
        return true;                           \
    }

// int OnCreate(CREATESTRUCTW*)
#define ON_WM_CREATE()                                                         \
    if (message == WM_CREATE) {                                                \
        result = OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));           \
        return true;                                                           \
    }

#define ON_WM_MOVE()                                                           \
    if (message == WM_MOVE) {                                                  \
        OnMove(LParamX(lParam), LParamY(lParam));                    \
        result = 0;                                                            \
        return true;                                                           \
    }

#define ON_WM_SIZE()                                                           \
    if (message == WM_SIZE) {                                                  \
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));     \
        result = 0;                                                            \
        return true;                                                           \
    }

#define ON_WM_SHOWWINDOW()                                                     \
    if (message == WM_SHOWWINDOW) {                                            \
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));    \
        result = 0;                                                            \
        return true;                                                           \
    }

#define ON_WM_TIMER()                                                          \
    if (message == WM_TIMER) {                                                 \
        OnTimer(static_cast<UINT_PTR>(wParam));                                \
        result = 0;                                                            \
        return true;                                                           \
    }

// LRESULT OnNcHitTest(POINT screenPoint)
#define ON_WM_NCHITTEST()                                                      \
    if (message == WM_NCHITTEST) {                                             \
        result = OnNcHitTest(LParamPoint(lParam)); \
        return true;                                                           \
    }

// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                                  \
    if (message == WM_QUERYDRAGICON) {                                         \
        result = reinterpret_cast<LRESULT>(OnQueryDragIcon());                 \
        return true;                                                           \
    }

// HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind), kind being the CTLCOLOR_* index.
#define ON_WM_CTLCOLOR()                                                                   \
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {                    \
        result = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam),       \
            reinterpret_cast<HWND>(lParam), message - WM_CTLCOLORMSGBOX));                 \
        return true;                                                                       \
    }

// void handler(UINT keyFlags, POINT clientPoint) for the mouse button messages.
#define ON_MOUSE_MESSAGE(msg, handler)                                                     \
    if (message == (msg)) {                                                                \
        handler(static_cast<UINT>(wParam), LParamPoint(lParam)); \
        result = 0;                                                                        \
        return true;                                                                       \
    }
#define ON_WM_LBUTTONDOWN() ON_MOUSE_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() ON_MOUSE_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() ON_MOUSE_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_MOUSEMOVE() ON_MOUSE_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_MOUSEHOVER() ON_MOUSE_MESSAGE(WM_MOUSEHOVER, OnMouseHover)

#define ON_WM_MOUSELEAVE()                     \
    if (message == WM_MOUSELEAVE) {            \
        OnMouseLeave();                        \
        result = 0;                            \
        return true;                           \
    }

// BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage)
#define ON_WM_SETCURSOR()                                                                  \
    if (message == WM_SETCURSOR) {                                                         \
        result = OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)); \
        return true;                                                                       \
    }

// BOOL OnEraseBkgnd(HDC)
#define ON_WM_ERASEBKGND()                                                     \
    if (message == WM_ERASEBKGND) {                                            \
        result = OnEraseBkgnd(reinterpret_cast<HDC>(wParam));                  \
        return true;                                                           \
    }

// void OnHotKey(int id, UINT modifiers, UINT virtualKey)
#define ON_WM_HOTKEY()                                                                     \
    if (message == WM_HOTKEY) {                                                            \
        OnHotKey(static_cast<int>(wParam), LOWORD(lParam), HIWORD(lParam));                \
        result = 0;                                                                        \
        return true;                                                                       \
    }

// void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags)
#define ON_WM_KEYDOWN()                                                                    \
    if (message == WM_KEYDOWN) {                                                           \
        OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));             \
        result = 0;                                                                        \
        return true;                                                                       \
    }
