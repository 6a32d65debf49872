#include "skin/png_button.h"

#include "framework/app.h"

CPngButton::~CPngButton() { ReleaseSurface(); }

void CPngButton::ReleaseSurface()
{
    m_pGraphics.reset();
    if (m_hWindowDC) {
        ::ReleaseDC(m_hWnd, m_hWindowDC);
        m_hWindowDC = nullptr;
    }
}

void CPngButton::SetImage(UINT stripId)
{
    m_pStrip = LoadPngImage(ResourceModule(), stripId);
    if (!m_pStrip)
        return;
    m_nFrameWidth = static_cast<int>(m_pStrip->GetWidth());
    m_nStripHeight = static_cast<int>(m_pStrip->GetHeight());
    m_nFrameHeight = m_nStripHeight / 4;
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, m_nFrameWidth, m_nFrameHeight, SWP_NOMOVE);

    ReleaseSurface();
    m_hWindowDC = ::GetWindowDC(m_hWnd);
    if (m_hWindowDC)
        m_pGraphics = std::make_unique<Gdiplus::Graphics>(m_hWindowDC);
}

void CPngButton::DrawItem(DRAWITEMSTRUCT* item)
{
    if (!m_pGraphics || !m_pStrip)
        return;
    const int frame = FrameFor(item->itemState, m_bHover);
    m_pGraphics->DrawImage(m_pStrip.get(), Gdiplus::Rect(0, 0, m_nFrameWidth, m_nFrameHeight), 0,
        frame * m_nFrameHeight, m_nFrameWidth, m_nFrameHeight, Gdiplus::UnitPixel);
}

LRESULT CPngButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The second press of a double click is a press like any other: one click per press.
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CPngButton::OnMouseMove(UINT, POINT)
{
    if (!m_bTracking) {
        TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, m_hWnd, 1};
        m_bTracking = ::_TrackMouseEvent(&track) != FALSE;
    }
    Default();
}

void CPngButton::OnMouseHover(UINT, POINT)
{
    m_bHover = true;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CPngButton::OnMouseLeave()
{
    m_bTracking = false;
    m_bHover = false;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CPngButton::OnLButtonDown(UINT, POINT)
{
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    Default();
}

BOOL CPngButton::OnSetCursor(HWND, UINT, UINT)
{
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

void StartGdiPlusFor(CPngButton& button)
{
    if (StartGdiPlus(button.m_gdiplusToken) != Gdiplus::Ok)
        ::MessageBoxW(nullptr, L"Initialize GDI+ library failed", L"Error", MB_ICONERROR);
}
