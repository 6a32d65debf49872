// A push button drawn from a strip of four frames stacked vertically: normal, hover, pressed, and a
// fourth one it never shows.
#pragma once

#include <memory>

#include "framework/controls.h"
#include "framework/handles.h"
#include "skin/png_image.h"

class CPngButton : public CButton {
public:
    enum Frame { kNormal = 0, kHover = 1, kPressed = 2 };

    CPngButton() = default;
    ~CPngButton() override;

    // Loads the strip and makes the button one frame in size, raised above its siblings. Without such
    // a strip the button keeps its size and draws nothing.
    void SetImage(UINT stripId);

    static Frame FrameFor(UINT itemState, bool hover)
    {
        if (itemState & ODS_SELECTED)
            return kPressed;
        return hover ? kHover : kNormal;
    }

    int FrameWidth() const { return m_nFrameWidth; }
    int FrameHeight() const { return m_nFrameHeight; }
    int StripHeight() const { return m_nStripHeight; }
    bool IsHover() const { return m_bHover; }

    // The owner's GDI+ start-up for this button.
    ULONG_PTR m_gdiplusToken = 0;

protected:
    void PreSubclassWindow() override { ModifyStyle(0, BS_OWNERDRAW, 0); }
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(DRAWITEMSTRUCT* item) override;

    BEGIN_MSG_MAP(CPngButton, CButton)
        ON_WM_MOUSEMOVE()
        ON_WM_MOUSEHOVER()
        ON_WM_MOUSELEAVE()
        ON_WM_LBUTTONDOWN()
        ON_WM_LBUTTONUP()
        ON_WM_SETCURSOR()
        ON_WM_ERASEBKGND()
    END_MSG_MAP()

    void OnMouseMove(UINT flags, POINT point);
    void OnMouseHover(UINT flags, POINT point);
    void OnMouseLeave();
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point) { OnLButtonDown(flags, point); }
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);
    BOOL OnEraseBkgnd(HDC) { return TRUE; }

private:
    void ReleaseSurface();

    std::unique_ptr<Gdiplus::Image> m_pStrip;
    // The button's own window DC and the GDI+ surface on it, made once and kept for every paint.
    HDC m_hWindowDC = nullptr;
    std::unique_ptr<Gdiplus::Graphics> m_pGraphics;
    bool m_bTracking = false;
    bool m_bHover = false;
    int m_nFrameWidth = 0;
    int m_nStripHeight = 0;
    int m_nFrameHeight = 0;
};

// The owner's part of setting a button up: GDI+ for it, with the one message the launcher shows.
void StartGdiPlusFor(CPngButton& button);
