#include "skin/layered.h"

namespace {

void EnsureLayeredStyle(HWND window)
{
    LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED))
        ::SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
}

} // namespace

UpdateLayeredTool::UpdateLayeredTool() : m_library(::LoadLibraryW(L"User32.DLL"))
{
    if (!m_library)
        return;
    m_update = reinterpret_cast<UpdateLayeredWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_library.Get(), "UpdateLayeredWindow")));
    m_attributes = reinterpret_cast<SetLayeredWindowAttributesFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_library.Get(), "SetLayeredWindowAttributes")));
}

UpdateLayeredTool& GetUpdateLayeredTool()
{
    static UpdateLayeredTool tool;
    return tool;
}

void CLayeredSkin::SetColorKey(COLORREF key, BYTE opacity) const
{
    EnsureLayeredStyle(m_hWnd);
    if (auto setAttributes = GetUpdateLayeredTool().SetLayeredWindowAttributes())
        setAttributes(m_hWnd, key, opacity, LWA_COLORKEY | LWA_ALPHA);
}

void CLayeredSkin::ApplyPng() const
{
    Gdiplus::Image* image = m_png.Image();
    if (!image || !::IsWindow(m_hWnd))
        return;

    WindowDC windowDC(m_hWnd);
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    POINT destination{rect.left, rect.top};
    const int width = static_cast<int>(image->GetWidth());
    const int height = static_cast<int>(image->GetHeight());

    // Per-pixel alpha needs premultiplied 32-bit pixels whatever the display's depth, so the picture
    // is drawn into a DIB section of that format rather than into a bitmap like the screen's.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, so rows run as GDI+ writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> surface(::CreateDIBSection(windowDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!surface || !bits)
        return;
    {
        Gdiplus::Bitmap target(width, height, width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
        Gdiplus::Graphics graphics(&target);
        graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        graphics.DrawImage(image, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height, Gdiplus::UnitPixel);
    }

    ScopedMemoryDC memoryDC(::CreateCompatibleDC(windowDC.Get()));
    ScopedSelectObject select(memoryDC.Get(), surface.Get());
    EnsureLayeredStyle(m_hWnd);
    if (auto update = GetUpdateLayeredTool().UpdateLayeredWindow()) {
        SIZE size{width, height};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        update(m_hWnd, windowDC.Get(), &destination, &size, memoryDC.Get(), &source, 0, &blend, ULW_ALPHA);
    }
}
