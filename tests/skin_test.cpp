// PNG pictures from the resources and layered windows, down to the pixels the X server shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/app.h"
#include "skin/layered.h"
#include "skin/png_image.h"
#include "tests/support/ui_support.h"

using namespace uitest;

namespace {

constexpr UINT kBackdropPng = 155;
constexpr UINT kCloseStripPng = 166;
constexpr UINT kTestStripPng = 9102; // 40 x 121, frames of solid colours, see test_resources.rc
constexpr UINT kUndecodablePng = 9103;
constexpr UINT kNoSuchPng = 4242;
constexpr UINT kBitmapNotPng = 177; // exists, but as a bitmap
constexpr COLORREF kBeneath = RGB(0, 128, 255);

// A picture as 32-bit ARGB pixels, alpha kept, decoded the way the launcher decodes it.
struct Argb {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    BYTE Alpha(int x, int y) const { return static_cast<BYTE>(At(x, y) >> 24); }
    COLORREF Colour(int x, int y) const
    {
        const uint32_t p = At(x, y);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

Argb Decode(Gdiplus::Image& image)
{
    Argb result;
    result.width = static_cast<int>(image.GetWidth());
    result.height = static_cast<int>(image.GetHeight());
    Gdiplus::Bitmap target(result.width, result.height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&target);
        graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        graphics.DrawImage(&image, 0, 0, result.width, result.height);
    }
    Gdiplus::Rect all(0, 0, result.width, result.height);
    Gdiplus::BitmapData data{};
    if (target.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return Argb{};
    result.pixels.resize(static_cast<size_t>(result.width) * result.height);
    for (int y = 0; y < result.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        std::copy(row, row + result.width, result.pixels.begin() + static_cast<size_t>(y) * result.width);
    }
    target.UnlockBits(&data);
    return result;
}

class SkinTest : public UiTest {};

// ---------------------------------------------------------------- PNG resources

TEST_F(SkinTest, LoadGivesThePicturesSizeOrFailsAndLeavesTheHolderEmpty)
{
    struct Case {
        const char* what;
        UINT id;
        bool loads;
        UINT width;
        UINT height;
    };
    const Case cases[] = {
        {"backdrop", kBackdropPng, true, 1334, 725},
        {"close strip", kCloseStripPng, true, 30, 120},
        {"no such resource", kNoSuchPng, false, 0, 0},
        {"a PNG resource that does not decode", kUndecodablePng, false, 0, 0},
        {"a bitmap, not a PNG resource", kBitmapNotPng, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CGdiPlusPngResource png;
        // A picture from before must go, whatever the outcome.
        ASSERT_TRUE(png.Load(kCloseStripPng, ResourceModule()));
        EXPECT_EQ(png.Load(c.id, ResourceModule()), c.loads);
        if (!c.loads) {
            EXPECT_EQ(png.Image(), nullptr);
            continue;
        }
        ASSERT_NE(png.Image(), nullptr);
        EXPECT_EQ(png.Image()->GetWidth(), c.width);
        EXPECT_EQ(png.Image()->GetHeight(), c.height);
    }
}

TEST_F(SkinTest, LoadPngImageStaysDrawableAfterTheLoaderHasReturned)
{
    EXPECT_EQ(LoadPngImage(ResourceModule(), kNoSuchPng), nullptr);
    // Bytes that do not decode still give an image, one that has no size and draws nothing.
    std::unique_ptr<Gdiplus::Image> undecodable = LoadPngImage(ResourceModule(), kUndecodablePng);
    ASSERT_NE(undecodable, nullptr);
    EXPECT_EQ(undecodable->GetWidth(), 0u);

    std::unique_ptr<Gdiplus::Image> strip = LoadPngImage(ResourceModule(), kTestStripPng);
    ASSERT_NE(strip, nullptr);
    // Churn the heap the loader's copy came from before the picture is first drawn.
    for (int i = 0; i < 8; ++i) {
        auto other = LoadPngImage(ResourceModule(), kCloseStripPng);
        ASSERT_NE(other, nullptr);
    }
    const Argb pixels = Decode(*strip);
    ASSERT_EQ(pixels.width, 40);
    ASSERT_EQ(pixels.height, 121);
    struct Row {
        int y;
        COLORREF colour;
    };
    const Row rows[] = {{0, RGB(200, 30, 30)}, {45, RGB(30, 200, 30)}, {89, RGB(30, 30, 200)}, {119, RGB(200, 200, 30)},
        {120, RGB(255, 255, 255)}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.y);
        EXPECT_EQ(pixels.Colour(20, row.y), row.colour);
        EXPECT_EQ(pixels.Alpha(20, row.y), 255);
    }
}

// ---------------------------------------------------------------- layered windows

TEST_F(SkinTest, UpdateLayeredToolIsOneInstanceWithUser32sEntries)
{
    UpdateLayeredTool& tool = GetUpdateLayeredTool();
    EXPECT_EQ(&GetUpdateLayeredTool(), &tool);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    EXPECT_EQ(reinterpret_cast<void*>(tool.UpdateLayeredWindow()),
        reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
    EXPECT_EQ(reinterpret_cast<void*>(tool.SetLayeredWindowAttributes()),
        reinterpret_cast<void*>(::GetProcAddress(user32, "SetLayeredWindowAttributes")));
}

TEST_F(SkinTest, SetColorKeyWritesTheLayeredStyleOnlyWhenItIsMissing)
{
    struct Case {
        const char* what;
        DWORD exStyle;
        int writes;
    };
    const Case cases[] = {
        {"plain window", 0, 1},
        {"already layered", WS_EX_LAYERED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow window({100, 100, 200, 200}, WS_POPUP, nullptr, RGB(0, 0, 0), CLR_INVALID, c.exStyle);
        CLayeredSkin skin;
        skin.m_hWnd = window;
        skin.SetColorKey(RGB(255, 0, 0), 150);
        EXPECT_EQ(window.StyleWrites(GWL_EXSTYLE), c.writes);
        EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED);
        COLORREF key = 0;
        BYTE opacity = 0;
        DWORD flags = 0;
        ASSERT_TRUE(::GetLayeredWindowAttributes(window, &key, &opacity, &flags));
        EXPECT_EQ(key, RGB(255, 0, 0));
        EXPECT_EQ(opacity, 150);
        EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
    }
}

TEST_F(SkinTest, ApplyPngWithoutPictureOrWindowChangesNothing)
{
    TestWindow window({100, 100, 200, 200});
    const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    {
        CLayeredSkin empty;
        empty.m_hWnd = window;
        empty.ApplyPng();
    }
    EXPECT_EQ(window.StyleWrites(GWL_EXSTYLE), 0);
    EXPECT_EQ(::GetWindowLongW(window, GWL_EXSTYLE), exStyle);
    EXPECT_EQ(WindowRectOf(window).right, 200);

    // A stale handle: the window is gone, the picture is there.
    HWND stale = nullptr;
    {
        TestWindow gone({100, 100, 200, 200});
        stale = gone;
    }
    CLayeredSkin skin;
    ASSERT_TRUE(skin.m_png.Load(kCloseStripPng, ResourceModule()));
    skin.m_hWnd = stale;
    skin.ApplyPng();
    EXPECT_FALSE(::IsWindow(stale));
}

class LayeredOnScreenTest : public UiTest {};

TEST_F(LayeredOnScreenTest, ApplyPngShowsThePictureWhereItIsOpaqueAndWhatLiesBeneathWhereItIsClear)
{
    const POINT origin{120, 90};
    TestWindow beneath({origin.x, origin.y, origin.x + 1334, origin.y + 725}, WS_POPUP, nullptr, kBeneath);
    beneath.ShowOnTop();
    ASSERT_EQ(WaitForScreenPixel({origin.x + 5, origin.y + 5}, kBeneath), kBeneath);

    TestWindow window({origin.x, origin.y, origin.x + 10, origin.y + 10});
    CLayeredSkin skin;
    skin.m_hWnd = window;
    ASSERT_TRUE(skin.m_png.Load(kBackdropPng, ResourceModule()));
    skin.ApplyPng();
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    const RECT placed = WindowRectOf(window);
    EXPECT_EQ(placed.left, origin.x);
    EXPECT_EQ(placed.top, origin.y);
    EXPECT_EQ(placed.right - placed.left, 1334);
    EXPECT_EQ(placed.bottom - placed.top, 725);
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Samples on a grid, where the alpha is the same all around: fully clear or fully opaque.
    const Argb picture = Decode(*skin.m_png.Image());
    ASSERT_EQ(picture.width, 1334);
    auto uniformAlpha = [&](int x, int y) {
        const BYTE alpha = picture.Alpha(x, y);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (picture.Alpha(x + dx, y + dy) != alpha)
                    return false;
        return alpha == 0 || alpha == 255;
    };
    int clear = 0;
    int opaque = 0;
    for (int y = 13; y < picture.height - 1; y += 53) {
        for (int x = 7; x < picture.width - 1; x += 61) {
            if (!uniformAlpha(x, y))
                continue;
            const bool isClear = picture.Alpha(x, y) == 0;
            const COLORREF expected = isClear ? kBeneath : picture.Colour(x, y);
            SCOPED_TRACE(testing::Message() << "picture pixel " << x << "," << y << (isClear ? " clear" : " opaque"));
            EXPECT_EQ(WaitForScreenPixel({origin.x + x, origin.y + y}, expected, 1000), expected);
            ++(isClear ? clear : opaque);
        }
    }
    // The backdrop has both kinds in plenty; otherwise this test would prove nothing.
    EXPECT_GT(clear, 20);
    EXPECT_GT(opaque, 20);
}

TEST_F(LayeredOnScreenTest, ColourKeyYellowShowsWhatLiesBeneathAndAlmostYellowStays)
{
    const RECT rect{300, 200, 500, 300};
    TestWindow beneath(rect, WS_POPUP, nullptr, kBeneath);
    beneath.ShowOnTop();
    // Left half pure yellow, the key; right half one step away from it.
    TestWindow keyed(rect, WS_POPUP, nullptr, RGB(255, 255, 0), RGB(255, 255, 1));
    CLayeredSkin skin;
    skin.m_hWnd = keyed;
    skin.SetColorKey(RGB(255, 255, 0), 255);
    keyed.ShowOnTop();

    const POINT left{rect.left + 50, rect.top + 50};
    const POINT right{rect.right - 50, rect.top + 50};
    EXPECT_EQ(WaitForScreenPixel(right, RGB(255, 255, 1)), RGB(255, 255, 1));
    EXPECT_EQ(WaitForScreenPixel(left, kBeneath), kBeneath);
}

} // namespace
