// Layered windows: a picture with per-pixel alpha, or a colour key with one opacity.
#pragma once

#include "skin/png_image.h"

// The two layered-window entry points, looked up once per process in User32.
class UpdateLayeredTool {
public:
    using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

    UpdateLayeredTool();
    virtual ~UpdateLayeredTool() = default;

    UpdateLayeredWindowFn UpdateLayeredWindow() const { return m_update; }
    SetLayeredWindowAttributesFn SetLayeredWindowAttributes() const { return m_attributes; }

private:
    ScopedModule m_library;
    UpdateLayeredWindowFn m_update = nullptr;
    SetLayeredWindowAttributesFn m_attributes = nullptr;
};

// The one tool of the process, made on first use; a failed lookup is not retried.
UpdateLayeredTool& GetUpdateLayeredTool();

// A window's layered look: its picture (when it has one) and the window it applies to.
class CLayeredSkin {
public:
    // Makes the window layered with this colour key and constant opacity.
    void SetColorKey(COLORREF key, BYTE opacity) const;
    // Shows the picture as the window, pixel for pixel with its alpha, at the window's top-left.
    void ApplyPng() const;

    CGdiPlusPngResource m_png;
    HWND m_hWnd = nullptr;
};
