// GDI objects and device contexts the skinned windows draw with.
#pragma once

#include "framework/handles.h"

// A bitmap owned by a window object: loaded from the resources or attached, deleted with it.
class CBitmap : public GdiObject<HBITMAP> {
public:
    bool LoadBitmap(UINT resourceId);
    void Attach(HBITMAP bitmap) { Reset(bitmap); }
    void DeleteObject() { Reset(); }
    operator HBITMAP() const { return Get(); }
    SIZE GetSize() const;
};

class CBrush : public GdiObject<HBRUSH> {
public:
    bool CreateSolidBrush(COLORREF color);
    void DeleteObject() { Reset(); }
    operator HBRUSH() const { return Get(); }
};

class CFont : public GdiObject<HFONT> {
public:
    // Height in tenths of a point, converted for the screen's resolution.
    bool CreatePointFont(int pointTenths, const wchar_t* faceName);
    operator HFONT() const { return Get(); }
};

// BeginPaint/EndPaint for one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND window);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC Get() const { return m_dc; }
    const PAINTSTRUCT& Paint() const { return m_paint; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// A memory DC compatible with another DC, with one bitmap selected into it for its life.
class CMemoryDC {
public:
    CMemoryDC(HDC compatibleWith, HBITMAP bitmap);
    HDC Get() const { return m_dc.Get(); }

private:
    ScopedMemoryDC m_dc;
    ScopedSelectObject m_select;
};

// Stretches a whole bitmap over a destination rectangle (the skinned backgrounds).
void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& destination);
