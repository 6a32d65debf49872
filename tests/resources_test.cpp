// Holds the built launcher's resources to what its windows, buttons and layered backdrop rely on:
// every resource with its language, the dialog templates item by item, picture formats and
// frame layouts, the browser's initialisation records, the manifest and the version record.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
// GDI+'s headers expect min/max and the COM declarations to be around.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace {

constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr wchar_t kBrowserClass[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
constexpr WORD kIconGroup = 128;

std::wstring ExePath()
{
    const char* path = QARVELO_EXE_PATH;
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), static_cast<int>(wide.size()));
    wide.pop_back();
    // The build names the file by its Linux path; Wine maps the Linux root to drive Z:.
    if (!wide.empty() && wide[0] == L'/')
        wide.insert(0, L"Z:");
    return wide;
}

HMODULE Exe()
{
    static const ScopedModule module(
        LoadLibraryExW(ExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    return module.Get();
}

struct Blob {
    const BYTE* data = nullptr;
    size_t size = 0;
};

Blob Find(LPCWSTR type, WORD id, LANGID language = kChinese)
{
    HRSRC info = FindResourceExW(Exe(), type, MAKEINTRESOURCEW(id), language);
    if (!info)
        return {};
    return {static_cast<const BYTE*>(LockResource(LoadResource(Exe(), info))), SizeofResource(Exe(), info)};
}

// Bounds-checked little-endian reading; past the end it yields zeros and clears Ok().
class Reader {
public:
    explicit Reader(const Blob& blob) : m_begin(blob.data), m_size(blob.size) {}

    bool Ok() const { return m_ok; }
    size_t Offset() const { return m_pos; }

    template <typename T>
    T Get()
    {
        T value{};
        if (!m_begin || m_size - m_pos < sizeof(T)) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_begin + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }

    std::wstring String()
    {
        std::wstring text;
        while (wchar_t c = Get<wchar_t>())
            text.push_back(c);
        return text;
    }

    // A name, or an ordinal after 0xFFFF; the predefined classes come back by name.
    std::wstring NameOrOrdinal()
    {
        WORD first = Get<WORD>();
        if (first == 0)
            return {};
        if (first != 0xFFFF)
            return wchar_t(first) + String();
        WORD ordinal = Get<WORD>();
        if (ordinal == 0x80)
            return L"Button";
        if (ordinal == 0x82)
            return L"Static";
        return L"#" + std::to_wstring(ordinal);
    }

    void Skip(size_t count)
    {
        if (m_size - m_pos < count)
            m_ok = false;
        else
            m_pos += count;
    }

    void AlignDword() { m_pos = std::min(m_size, (m_pos + 3) & ~size_t{3}); }

private:
    const BYTE* m_begin;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

// ---------------------------------------------------------------------------- expected resources

struct Control {
    DWORD id;
    std::wstring cls;
    std::wstring text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

struct Dialog {
    WORD id;
    DWORD style;
    DWORD exStyle;
    short cx, cy;
    WORD points;
    WORD weight;
    BYTE charset;
    std::wstring face;
    std::vector<Control> controls;
};

constexpr DWORD kShellDlg = DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK;
constexpr DWORD kPush = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP;

const std::vector<Dialog> kDialogs = {
    {102, WS_POPUP | WS_VISIBLE | kShellDlg, WS_EX_APPWINDOW, 561, 386, 9, 0, 1, L"MS Shell Dlg", {}},
    {131, WS_POPUP | WS_SYSMENU | kShellDlg, WS_EX_APPWINDOW | WS_EX_TOOLWINDOW, 256, 110, 8, 400, 1,
     L"MS Shell Dlg",
     {
         {1000, kBrowserClass, L"", WS_CHILD | WS_TABSTOP, 0, 7, 71, 441, 192},
         {1002, L"Static", L"Static", kLabel | SS_CENTERIMAGE, 0, 7, 7, 96, 13},
         {1001, L"Button", L"X", kPush, 0, 428, 7, 20, 14},
         {1009, L"Button", L"max", kPush, 0, 407, 7, 20, 14},
         {1003, L"Button", L"-", kPush, 0, 388, 7, 20, 14},
         {1004, L"Button", L"full", kPush, 0, 349, 7, 36, 14},
         {1005, L"Button", L"boss", kPush, 0, 311, 7, 36, 14},
         {1007, L"Button", L"refresh", kPush, 0, 239, 7, 36, 14},
         {1008, L"Button", L"server", kPush, 0, 203, 7, 36, 14},
         {1006, L"Button", L"clean", kPush, 0, 277, 7, 36, 14},
         {1011, L"Button", L"normal", kPush, 0, 183, 7, 20, 14},
     }},
    {132, WS_POPUP | WS_VISIBLE | kShellDlg, 0, 387, 333, 9, 0, 1, L"MS Shell Dlg",
     {
         {1005, L"Button", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW | BS_BITMAP | BS_LEFT,
          WS_EX_TRANSPARENT, 366, 0, 14, 16},
         {1006, L"Button", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW | BS_BITMAP, WS_EX_TRANSPARENT,
          347, 0, 13, 14},
         {1000, kBrowserClass, L"", WS_CHILD, 0, 0, 17, 372, 265},
     }},
    {172, WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_SETFONT | DS_3DLOOK, 0, 256, 110, 10, 400, 134, L"宋体",
     {
         {1002, L"Static", L"Static", kLabel | SS_CENTER, WS_EX_TRANSPARENT, 35, 7, 76, 9},
         {1008, L"Button", L"Button1", kPush, 0, 18, 35, 50, 14},
         {1009, L"Button", L"Button2", kPush, 0, 80, 35, 50, 14},
         {1003, L"Static", L"确定要退出游戏吗\uFF1F", kLabel | SS_CENTER, WS_EX_TRANSPARENT, 16, 17, 110, 24},
     }},
    {173, WS_POPUP | WS_VISIBLE | DS_SETFONT | DS_3DLOOK, 0, 256, 111, 10, 400, 134, L"宋体",
     {
         {1002, L"Static", L"缓存清理中,请稍后(按ESC取消)...", kLabel | SS_LEFT, WS_EX_TRANSPARENT, 64, 65, 123, 9},
         {1009, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 0, 105, 29, 35, 28},
     }},
};

struct Png {
    WORD id;
    int width;
    int frameHeight;
    int frames;
    bool rgba;
};

const std::vector<Png> kPngs = {
    {155, 1334, 725, 1, true}, {160, 54, 54, 4, true},  {162, 39, 39, 4, true},  {164, 106, 30, 4, false},
    {166, 30, 30, 4, false},   {167, 64, 30, 4, false}, {168, 29, 30, 4, false}, {169, 29, 30, 4, false},
    {170, 82, 30, 4, false},   {171, 61, 30, 4, false}, {189, 29, 30, 4, false}, {1000, 87, 30, 4, false},
    {175, 74, 26, 4, false},   {176, 74, 26, 4, false},
};

struct Bitmap {
    WORD id;
    int width;
    int height;
    WORD bits;
};

const std::vector<Bitmap> kBitmaps = {{136, 66, 30, 24}, {141, 83, 30, 24}, {177, 256, 110, 24}, {187, 57, 40, 8}};

struct DialogInit {
    WORD id; // of the dialog template
    int32_t extentX;
    int32_t extentY;
};

const std::vector<DialogInit> kDialogInits = {{131, 17515, 8255}, {132, 17224, 12277}};

WORD IconImageId()
{
    Blob group = Find(RT_GROUP_ICON, kIconGroup);
    WORD id = 0;
    if (group.size >= 6 + 14)
        std::memcpy(&id, group.data + 6 + 12, sizeof id);
    return id;
}

std::wstring Name(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

// "type name language", e.g. "PNG #155 0804", so that a mismatch reads plainly.
std::wstring Entry(LPCWSTR type, LPCWSTR name, LANGID language)
{
    wchar_t lang[8];
    swprintf(lang, 8, L"%04x", language);
    return Name(type) + L" " + Name(name) + L" " + lang;
}

std::wstring Entry(LPCWSTR type, WORD id, LANGID language) { return Entry(type, MAKEINTRESOURCEW(id), language); }

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(Entry(type, name, language));
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    EnumResourceLanguagesW(module, type, name, OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param)
{
    EnumResourceNamesW(module, type, OnName, param);
    return TRUE;
}

// Table rows by their id in failure messages.
void PrintTo(const Dialog& row, std::ostream* os) { *os << "dialog " << row.id; }
void PrintTo(const Png& row, std::ostream* os) { *os << "PNG " << row.id; }
void PrintTo(const Bitmap& row, std::ostream* os) { *os << "bitmap " << row.id; }
void PrintTo(const DialogInit& row, std::ostream* os) { *os << "dialog " << row.id; }

class Resources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Exe(), nullptr) << "cannot load " << QARVELO_EXE_PATH; }
};

template <typename Param>
class ResourcesWith : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override { ASSERT_NE(Exe(), nullptr) << "cannot load " << QARVELO_EXE_PATH; }
};

template <typename Param>
std::string IdName(const ::testing::TestParamInfo<Param>& info)
{
    return "Id" + std::to_string(info.param.id);
}

// Nothing missing, nothing extra, and each resource only in its language.
TEST_F(Resources, NothingMissingNothingExtraEachInItsLanguage)
{
    std::vector<std::wstring> expected;
    for (const Dialog& d : kDialogs) {
        expected.push_back(Entry(RT_DIALOG, d.id, kChinese));
        expected.push_back(Entry(L"AFX_DIALOG_LAYOUT", d.id, kChinese));
    }
    for (const Png& p : kPngs)
        expected.push_back(Entry(L"PNG", p.id, kChinese));
    for (const Bitmap& b : kBitmaps)
        expected.push_back(Entry(RT_BITMAP, b.id, kChinese));
    for (const DialogInit& i : kDialogInits)
        expected.push_back(Entry(MAKEINTRESOURCEW(240), i.id, kChinese));
    expected.push_back(Entry(RT_GROUP_ICON, kIconGroup, kChinese));
    expected.push_back(Entry(RT_ICON, IconImageId(), kChinese));
    expected.push_back(Entry(RT_VERSION, 1, kChinese));
    expected.push_back(Entry(RT_MANIFEST, 1, kEnglish));

    std::vector<std::wstring> actual;
    EnumResourceTypesW(Exe(), OnType, reinterpret_cast<LONG_PTR>(&actual));
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    std::vector<std::wstring> missing, unexpected;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(unexpected));
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    EXPECT_TRUE(unexpected.empty()) << ::testing::PrintToString(unexpected);
}

// ---------------------------------------------------------------------------- dialog templates

using DialogTemplate = ResourcesWith<Dialog>;

TEST_P(DialogTemplate, MatchesTheDesign)
{
    const Dialog& want = GetParam();
    Blob blob = Find(RT_DIALOG, want.id);
    ASSERT_NE(blob.data, nullptr);
    Reader in(blob);
    EXPECT_EQ(in.Get<WORD>(), 1) << "not an extended template";
    EXPECT_EQ(in.Get<WORD>(), 0xFFFF);
    EXPECT_EQ(in.Get<DWORD>(), 0u) << "help id";
    EXPECT_EQ(in.Get<DWORD>(), want.exStyle);
    const DWORD style = in.Get<DWORD>();
    EXPECT_EQ(style, want.style);
    const WORD count = in.Get<WORD>();
    EXPECT_EQ(in.Get<short>(), 0);
    EXPECT_EQ(in.Get<short>(), 0);
    EXPECT_EQ(in.Get<short>(), want.cx);
    EXPECT_EQ(in.Get<short>(), want.cy);
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "menu";
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "window class";
    EXPECT_EQ(in.String(), L"") << "title";
    ASSERT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(in.Get<WORD>(), want.points);
    EXPECT_EQ(in.Get<WORD>(), want.weight);
    EXPECT_EQ(in.Get<BYTE>(), 0) << "italic";
    EXPECT_EQ(in.Get<BYTE>(), want.charset);
    EXPECT_EQ(in.String(), want.face);

    ASSERT_EQ(count, want.controls.size());
    for (const Control& c : want.controls) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        in.AlignDword();
        EXPECT_EQ(in.Get<DWORD>(), 0u) << "help id";
        EXPECT_EQ(in.Get<DWORD>(), c.exStyle);
        EXPECT_EQ(in.Get<DWORD>(), c.style);
        EXPECT_EQ(in.Get<short>(), c.x);
        EXPECT_EQ(in.Get<short>(), c.y);
        EXPECT_EQ(in.Get<short>(), c.cx);
        EXPECT_EQ(in.Get<short>(), c.cy);
        EXPECT_EQ(in.Get<DWORD>(), c.id);
        EXPECT_EQ(in.NameOrOrdinal(), c.cls);
        EXPECT_EQ(in.NameOrOrdinal(), c.text);
        EXPECT_EQ(in.Get<WORD>(), 0) << "creation data";
    }
    EXPECT_TRUE(in.Ok()) << "template ends early";
    EXPECT_LT(blob.size - in.Offset(), 4u) << "bytes after the last control";
}

INSTANTIATE_TEST_SUITE_P(Resources, DialogTemplate, ::testing::ValuesIn(kDialogs), IdName<Dialog>);

// ---------------------------------------------------------------------------- PNG pictures

uint32_t BigEndian(const BYTE* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

class GdiPlusSession {
public:
    GdiPlusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    ~GdiPlusSession() { Gdiplus::GdiplusShutdown(m_token); }
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;

private:
    ULONG_PTR m_token = 0;
};

// Decoded the way the launcher decodes it: GDI+ from a stream, as 32-bit ARGB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;

    uint32_t At(int x, int y) const { return argb[size_t(y) * width + x]; }
    static BYTE Alpha(uint32_t p) { return BYTE(p >> 24); }
};

Picture Decode(const Blob& blob)
{
    GdiPlusSession session;
    Picture picture;
    ComPtr<IStream> stream;
    *stream.Receive() = SHCreateMemStream(blob.data, static_cast<UINT>(blob.size));
    if (!stream)
        return picture;
    Gdiplus::Bitmap bitmap(stream.Get());
    Gdiplus::Rect rect(0, 0, int(bitmap.GetWidth()), int(bitmap.GetHeight()));
    Gdiplus::BitmapData data{};
    if (bitmap.GetLastStatus() != Gdiplus::Ok ||
        bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return picture;
    picture.width = rect.Width;
    picture.height = rect.Height;
    picture.argb.resize(size_t(rect.Width) * rect.Height);
    for (int y = 0; y < rect.Height; ++y)
        std::memcpy(&picture.argb[size_t(y) * rect.Width], static_cast<const BYTE*>(data.Scan0) + y * data.Stride,
                    size_t(rect.Width) * 4);
    bitmap.UnlockBits(&data);
    return picture;
}

// Sum of R+G+B over one frame's opaque pixels, and the frame's pixels for comparison.
struct Frame {
    std::vector<uint32_t> pixels;
    uint64_t light = 0;
};

Frame CutFrame(const Picture& picture, int index, int height)
{
    Frame frame;
    for (int y = index * height; y < (index + 1) * height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            uint32_t p = picture.At(x, y);
            frame.pixels.push_back(p);
            if (Picture::Alpha(p) == 255)
                frame.light += (p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF);
        }
    return frame;
}

using PngImage = ResourcesWith<Png>;

TEST_P(PngImage, HasItsSizeColourKindAndFrames)
{
    const Png& want = GetParam();
    Blob blob = Find(L"PNG", want.id);
    ASSERT_GE(blob.size, 33u);
    ASSERT_EQ(std::memcmp(blob.data, "\x89PNG\r\n\x1a\n", 8), 0);
    ASSERT_EQ(std::memcmp(blob.data + 12, "IHDR", 4), 0);
    const BYTE* ihdr = blob.data + 16;
    EXPECT_EQ(BigEndian(ihdr), uint32_t(want.width));
    EXPECT_EQ(BigEndian(ihdr + 4), uint32_t(want.frameHeight * want.frames));
    EXPECT_EQ(ihdr[8], 8) << "bits per channel";
    EXPECT_EQ(ihdr[9], want.rgba ? 6 : 2) << "colour type";
    // The backdrop loads once at start; only the strips are interlaced.
    EXPECT_EQ(ihdr[12], want.id == 155 ? 0 : 1) << "interlace method";

    const Picture picture = Decode(blob);
    ASSERT_EQ(picture.width, want.width);
    ASSERT_EQ(picture.height, want.frameHeight * want.frames);
    if (want.rgba) {
        // Layered windows here show partial alpha as solid: only 0 and 255 are honest.
        EXPECT_TRUE(std::all_of(picture.argb.begin(), picture.argb.end(), [](uint32_t p) {
            return Picture::Alpha(p) == 0 || Picture::Alpha(p) == 255;
        }));
    }
    if (want.frames == 4) {
        std::vector<Frame> frames;
        for (int i = 0; i < 4; ++i)
            frames.push_back(CutFrame(picture, i, want.frameHeight));
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                EXPECT_NE(frames[i].pixels, frames[j].pixels) << "frames " << i << " and " << j << " look alike";
        EXPECT_GT(frames[1].light, frames[0].light) << "hover is not brighter than normal";
        EXPECT_LT(frames[2].light, frames[0].light) << "pressed is not darker than normal";
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, PngImage, ::testing::ValuesIn(kPngs), IdName<Png>);

// The overlay's browser and its two round buttons sit on the backdrop at fixed pixels.
TEST_F(Resources, BackdropLeavesRoomForTheOverlay)
{
    const Picture picture = Decode(Find(L"PNG", 155));
    ASSERT_EQ(picture.width, 1334);
    ASSERT_EQ(picture.height, 725);
    const auto transparent = std::count_if(picture.argb.begin(), picture.argb.end(),
                                           [](uint32_t p) { return Picture::Alpha(p) == 0; });
    const double share = double(transparent) / double(picture.argb.size());
    EXPECT_GT(share, 0.2);
    EXPECT_LT(share, 0.3);

    struct Area {
        const char* name;
        RECT rect;
        bool dark;
    };
    const Area areas[] = {
        {"login page panel", {560, 177, 560 + 631, 177 + 446}, true},
        {"minimise button", {1173, 137, 1173 + 39, 137 + 39}, false},
        {"close button", {1208, 115, 1208 + 54, 115 + 54}, false},
    };
    for (const Area& area : areas) {
        SCOPED_TRACE(area.name);
        int holes = 0;
        int bright = 0;
        for (LONG y = area.rect.top; y < area.rect.bottom; ++y)
            for (LONG x = area.rect.left; x < area.rect.right; ++x) {
                uint32_t p = picture.At(x, y);
                holes += Picture::Alpha(p) != 255;
                bright += area.dark && ((p >> 16 & 0xFF) > 0x30 || (p >> 8 & 0xFF) > 0x30 || (p & 0xFF) > 0x30);
            }
        EXPECT_EQ(holes, 0) << "pixels not fully opaque";
        EXPECT_EQ(bright, 0) << "pixels not dark";
    }
}

// ---------------------------------------------------------------------------- bitmaps and icon

using BitmapImage = ResourcesWith<Bitmap>;

TEST_P(BitmapImage, IsAnUncompressedBottomUpDib)
{
    const Bitmap& want = GetParam();
    Blob blob = Find(RT_BITMAP, want.id);
    ASSERT_GE(blob.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, blob.data, sizeof header);
    EXPECT_EQ(header.biSize, sizeof header);
    EXPECT_EQ(header.biWidth, want.width);
    EXPECT_EQ(header.biHeight, want.height) << "a positive height is bottom-up";
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, want.bits);
    EXPECT_EQ(header.biCompression, DWORD(BI_RGB));

    const size_t colours = want.bits > 8 ? 0 : header.biClrUsed ? header.biClrUsed : 1u << want.bits;
    const size_t stride = (size_t(want.width) * want.bits / 8 + 3) & ~size_t{3};
    const size_t bitsOffset = sizeof header + colours * sizeof(RGBQUAD);
    ASSERT_EQ(blob.size, bitsOffset + stride * want.height);

    if (want.id == 187) { // the cleaner's veil: every pixel palette entry 0, which is black
        RGBQUAD first;
        std::memcpy(&first, blob.data + sizeof header, sizeof first);
        EXPECT_EQ(first.rgbRed | first.rgbGreen | first.rgbBlue, 0);
        for (int y = 0; y < want.height; ++y) {
            const BYTE* row = blob.data + bitsOffset + y * stride;
            EXPECT_TRUE(std::all_of(row, row + want.width, [](BYTE index) { return index == 0; })) << "row " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, BitmapImage, ::testing::ValuesIn(kBitmaps), IdName<Bitmap>);

struct IconTraits {
    using Handle = HICON;
    static Handle Null() { return nullptr; }
    static void Close(Handle icon) { DestroyIcon(icon); }
};

TEST_F(Resources, IconIsOne64PixelTrueColourImageWithMask)
{
    Blob group = Find(RT_GROUP_ICON, kIconGroup);
    ASSERT_EQ(group.size, 6u + 14u) << "one entry";
    Reader in(group);
    EXPECT_EQ(in.Get<WORD>(), 0);
    EXPECT_EQ(in.Get<WORD>(), 1) << "icon, not cursor";
    EXPECT_EQ(in.Get<WORD>(), 1) << "entries";
    EXPECT_EQ(in.Get<BYTE>(), 64) << "width";
    EXPECT_EQ(in.Get<BYTE>(), 64) << "height";
    EXPECT_EQ(in.Get<BYTE>(), 0) << "palette colours";
    in.Skip(1);
    EXPECT_EQ(in.Get<WORD>(), 1) << "planes";
    EXPECT_EQ(in.Get<WORD>(), 24) << "bits per pixel";
    const DWORD bytes = in.Get<DWORD>();
    const WORD id = in.Get<WORD>();

    Blob image = Find(RT_ICON, id);
    ASSERT_EQ(image.size, bytes);
    constexpr size_t kXor = 64 * 64 * 3;
    constexpr size_t kAnd = 64 * 4 * 2; // one bit per pixel, rows padded to 4 bytes
    ASSERT_EQ(image.size, sizeof(BITMAPINFOHEADER) + kXor + kAnd);
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data, sizeof header);
    EXPECT_EQ(header.biWidth, 64);
    EXPECT_EQ(header.biHeight, 128) << "colour image and mask";
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, DWORD(BI_RGB));

    UniqueHandle<IconTraits> icon(CreateIconFromResourceEx(const_cast<BYTE*>(image.data), DWORD(image.size), TRUE,
                                                           0x00030000, 64, 64, LR_DEFAULTCOLOR));
    EXPECT_TRUE(icon) << "the system does not accept the image";
}

// ---------------------------------------------------------------------------- records

using DialogInitData = ResourcesWith<DialogInit>;

// The control container hands these bytes to the browser control; a wrong layout loses them.
TEST_P(DialogInitData, HoldsOneBrowserStateRecord)
{
    const DialogInit& want = GetParam();
    Blob blob = Find(MAKEINTRESOURCEW(240), want.id);
    ASSERT_EQ(blob.size, 2u + 2 + 4 + 160 + 2);
    Reader in(blob);
    EXPECT_EQ(in.Get<WORD>(), 1000) << "control id";
    EXPECT_EQ(in.Get<WORD>(), 0x0376) << "load-from-stream message";
    EXPECT_EQ(in.Get<DWORD>(), 160u);
    in.Skip(8);
    EXPECT_EQ(in.Get<int32_t>(), want.extentX);
    EXPECT_EQ(in.Get<int32_t>(), want.extentY);
    in.Skip(160 - 16);
    EXPECT_EQ(in.Get<WORD>(), 0) << "end of the list";
    EXPECT_TRUE(in.Ok());
}

INSTANTIATE_TEST_SUITE_P(Resources, DialogInitData, ::testing::ValuesIn(kDialogInits), IdName<DialogInit>);

TEST_F(Resources, DialogLayoutsAreEmpty)
{
    for (const Dialog& d : kDialogs) {
        Blob blob = Find(L"AFX_DIALOG_LAYOUT", d.id);
        ASSERT_EQ(blob.size, 2u) << d.id;
        EXPECT_EQ(blob.data[0] | blob.data[1], 0) << d.id;
    }
}

TEST_F(Resources, ManifestAsksForThemedControlsDpiAwarenessAndNoElevation)
{
    Blob blob = Find(RT_MANIFEST, 1, kEnglish);
    ASSERT_NE(blob.data, nullptr);
    const std::string text(reinterpret_cast<const char*>(blob.data), blob.size);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF<?xml", 0), 0u) << "UTF-8 with a byte-order mark";
#ifdef _WIN64
    const char* architecture = "processorArchitecture=\"amd64\"";
#else
    const char* architecture = "processorArchitecture=\"x86\"";
#endif
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"", architecture,
                             "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"", "level=\"asInvoker\"",
                             "uiAccess=\"false\"", ">true</dpiAware>"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

// version.dll is bound at run time so that the test program needs no import library beyond the launcher's.
template <typename Fn>
Fn VersionApi(const char* name)
{
    static const ScopedModule dll(LoadLibraryW(L"version.dll"));
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(dll.Get(), name)));
}

TEST_F(Resources, VersionRecord)
{
    using GetSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using GetInfo = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using Query = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    const auto getSize = VersionApi<GetSize>("GetFileVersionInfoSizeW");
    const auto getInfo = VersionApi<GetInfo>("GetFileVersionInfoW");
    const auto query = VersionApi<Query>("VerQueryValueW");
    ASSERT_TRUE(getSize && getInfo && query);

    const std::wstring path = ExePath();
    DWORD ignored = 0;
    std::vector<BYTE> info(getSize(path.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(getInfo(path.c_str(), 0, DWORD(info.size()), info.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(info.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, DWORD(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed.dwFileType, DWORD(VFT_APP));

    ASSERT_TRUE(query(info.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u) << "one language";
    WORD translation[2];
    std::memcpy(translation, value, sizeof translation);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 1200);

    auto text = [&](const wchar_t* name) -> std::optional<std::wstring> {
        void* found = nullptr;
        UINT chars = 0;
        if (!query(info.data(), (std::wstring(L"\\StringFileInfo\\080404b0\\") + name).c_str(), &found, &chars) ||
            !found)
            return std::nullopt;
        return std::wstring(static_cast<const wchar_t*>(found));
    };
    EXPECT_EQ(text(L"InternalName"), std::optional<std::wstring>(L"Qarvelo"));
    EXPECT_EQ(text(L"ProductName"), std::optional<std::wstring>(L"Qarvelo"));
    EXPECT_EQ(text(L"FileVersion"), std::optional<std::wstring>(L"1.0.0.1"));
    EXPECT_EQ(text(L"ProductVersion"), std::optional<std::wstring>(L"1.0.0.1"));
    const std::wstring maker = text(L"CompanyName").value_or(L"");
    EXPECT_FALSE(maker.empty());
    EXPECT_NE(text(L"LegalCopyright").value_or(L"").find(maker), std::wstring::npos) << "the notice names the maker";
    EXPECT_EQ(text(L"FileDescription"), std::nullopt);
    EXPECT_EQ(text(L"OriginalFilename"), std::nullopt);
}

} // namespace
