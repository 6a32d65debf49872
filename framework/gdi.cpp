#include "framework/gdi.h"

#include "framework/app.h"

bool CBitmap::LoadBitmap(UINT resourceId)
{
    Reset(::LoadBitmapW(ResourceModule(), MAKEINTRESOURCEW(resourceId)));
    return static_cast<bool>(*this);
}

SIZE CBitmap::GetSize() const
{
    BITMAP info{};
    if (!Get() || !::GetObjectW(Get(), sizeof(info), &info))
        return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

bool CBrush::CreateSolidBrush(COLORREF color)
{
    Reset(::CreateSolidBrush(color));
    return static_cast<bool>(*this);
}

bool CFont::CreatePointFont(int pointTenths, const wchar_t* faceName)
{
    LOGFONTW font{};
    WindowDC screen(nullptr);
    // Logical height from points: negative selects by character height, as point sizes mean.
    font.lfHeight = -MulDiv(pointTenths, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 720);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, faceName, LF_FACESIZE);
    Reset(::CreateFontIndirectW(&font));
    return static_cast<bool>(*this);
}

CPaintDC::CPaintDC(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}

CPaintDC::~CPaintDC() { ::EndPaint(m_window, &m_paint); }

CMemoryDC::CMemoryDC(HDC compatibleWith, HBITMAP bitmap)
    : m_dc(::CreateCompatibleDC(compatibleWith)), m_select(m_dc.Get(), bitmap)
{
}

void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& destination)
{
    if (!bitmap)
        return;
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof(info), &info);
    CMemoryDC source(dc, bitmap);
    ::StretchBlt(dc, destination.left, destination.top, destination.right - destination.left,
        destination.bottom - destination.top, source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}
