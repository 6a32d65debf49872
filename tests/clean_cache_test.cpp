// The cache cleaner: its walks over folders and the URL cache, and the veil that runs them on a worker.
// The runs fill and empty this prefix's real cookies and cache stores; everything else they touch is
// the tests' own, under the temp folder.
//
// The benchmarks are disabled tests that print their figures. From the repository root:
//   source scripts/env.sh && $WINE build/x86_64/tests/qarvelo_tests.exe --gtest_also_run_disabled_tests --gtest_filter='CleanCacheBench.*'
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/clean_cache_dlg.h"
#include "framework/handles.h"
#include "tests/support/modal_run.h"
#include "tests/support/test_files.h"
#include "tests/support/url_cache_entries.h"

using namespace testsupport;

namespace {

constexpr wchar_t kMarker[] = L"qarvelo-test";
constexpr DWORD kRunTimeoutMs = 60000;
const CCleanCacheDlg::StopCheck kNeverStop = [](const wchar_t*) { return false; };

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::wstring Name(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

size_t CountExisting(const std::vector<std::wstring>& paths)
{
    return static_cast<size_t>(
        std::count_if(paths.begin(), paths.end(), [](const std::wstring& path) { return Exists(path); }));
}

// Folders below root (not root itself) that hold no file anywhere below them.
std::vector<std::wstring> EmptyFolders(const std::wstring& root)
{
    std::vector<std::wstring> empty;
    ForEachEntry(root, [&](const std::wstring& path, DWORD attributes) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return;
        if (ListFiles(path).empty())
            empty.push_back(path);
        std::vector<std::wstring> below = EmptyFolders(path);
        empty.insert(empty.end(), below.begin(), below.end());
    });
    return empty;
}

std::set<DWORD> ThreadsOfThisProcess()
{
    std::set<DWORD> ids;
    ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ids.insert(entry.th32ThreadID);
    }
    return ids;
}

// The threads a run starts (the worker), seen while it runs, and whether they have ended.
class ThreadWatch {
public:
    ThreadWatch() : m_before(ThreadsOfThisProcess()) {}

    void SeeRunning()
    {
        const std::set<DWORD> now = ThreadsOfThisProcess();
        std::set_difference(
            now.begin(), now.end(), m_before.begin(), m_before.end(), std::inserter(m_started, m_started.end()));
    }
    bool SawAny() const { return !m_started.empty(); }

    // Those still running after a grace period for their last instructions.
    std::vector<DWORD> StillRunning(DWORD graceMs) const
    {
        std::vector<DWORD> running;
        for (DWORD id : m_started) {
            ScopedHandle thread(OpenThread(SYNCHRONIZE, FALSE, id));
            if (thread && WaitForSingleObject(thread.Get(), graceMs) == WAIT_TIMEOUT)
                running.push_back(id);
        }
        return running;
    }

private:
    std::set<DWORD> m_before;
    std::set<DWORD> m_started;
};

// ---------------------------------------------------------------- the folder walk

// How deep below root a path lies: 1 for root's own entries.
int Depth(const std::wstring& root, const std::wstring& path)
{
    return static_cast<int>(std::count(path.begin() + static_cast<std::ptrdiff_t>(root.size()), path.end(), L'\\'));
}

struct WalkStopCase {
    const char* name;
    // The walk is told to stop after the first file it reports at this depth or deeper; 0: after its first entry.
    int stopDepth;
};

class CleanCacheWalk : public ::testing::TestWithParam<WalkStopCase> {};

TEST_P(CleanCacheWalk, StopsAfterTheCurrentEntryOfEveryLevel)
{
    TempFolder folder(L"walk");
    const std::vector<std::wstring> files = MakeTree(folder.Path(), 4, 3, 4);
    ASSERT_EQ(files.size(), 4u * (1 + 3 + 9 + 27));

    std::vector<std::wstring> reported;
    int stoppedAt = -1;
    const auto stop = [&](const wchar_t* entry) {
        reported.push_back(entry);
        const bool isFile = std::find(files.begin(), files.end(), reported.back()) != files.end();
        if (stoppedAt < 0 && (GetParam().stopDepth == 0 || (isFile && Depth(folder.Path(), entry) >= GetParam().stopDepth)))
            stoppedAt = static_cast<int>(reported.size()) - 1;
        return stoppedAt >= 0;
    };
    EXPECT_TRUE(CCleanCacheDlg::DeleteFolderContents(folder.Path(), stop));
    ASSERT_GE(stoppedAt, 0);

    // After the stop, each level above reports only the entry it was in, the folder just left, and stops.
    const std::wstring last = reported[static_cast<size_t>(stoppedAt)];
    std::vector<std::wstring> expectedAfter;
    for (std::wstring up = Parent(last); up != folder.Path(); up = Parent(up))
        expectedAfter.push_back(up);
    EXPECT_EQ(std::vector<std::wstring>(reported.begin() + stoppedAt + 1, reported.end()), expectedAfter);
    for (const std::wstring& kept : expectedAfter)
        EXPECT_TRUE(Exists(kept)) << "a folder the walk was stopped in is not empty";

    // Exactly the files handled before the stop are gone.
    const std::set<std::wstring> handled(reported.begin(), reported.begin() + stoppedAt + 1);
    for (const std::wstring& file : files)
        EXPECT_EQ(Exists(file), handled.count(file) == 0) << Utf8(file);
    EXPECT_TRUE(Exists(folder.Path()));
}

INSTANTIATE_TEST_SUITE_P(, CleanCacheWalk,
    ::testing::Values(WalkStopCase{"AtTheFirstEntry", 0}, WalkStopCase{"DeepInside", 4}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder named relative to wherever the process happens to be is refused, even when it exists. (Only
// names that lead into the test's own folder: a failing guard must not reach anything else.)
TEST(CleanCacheWalkFolder, MissingOrNotFullPathYieldsFalse)
{
    TempFolder folder(L"relative");
    ASSERT_TRUE(WriteTestFile(folder / L"sub\\file.txt"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW((folder / L"sub").c_str()));
    for (const wchar_t* path : {L".", L"..\\sub"})
        EXPECT_FALSE(CCleanCacheDlg::DeleteFolderContents(path, kNeverStop)) << Utf8(path);
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(Exists(folder / L"sub\\file.txt"));
    EXPECT_FALSE(CCleanCacheDlg::DeleteFolderContents(folder / L"not-there", kNeverStop));
}

// ---------------------------------------------------------------- the URL cache

struct PurgeCase {
    const char* name;
    int mode;
    bool cookiesGo;
    bool contentGoes;
};

// Its own entries in the prefix's URL cache, removed again whatever the test left.
class CleanCacheUrlEntries : public ::testing::Test {
protected:
    void TearDown() override { DeleteUrlCacheEntriesWith(kMarker); }
};

class CleanCachePurge : public CleanCacheUrlEntries, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(CleanCachePurge, DeletesEntriesOfItsKindOnly)
{
    const std::wstring host = std::wstring(kMarker) + L"-purge.example";
    ASSERT_TRUE(AddCookie(host));
    ASSERT_TRUE(AddCookieEntry(L"entry." + host));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AddContentEntry(L"http://" + host + L"/page" + std::to_wstring(i) + L".html"));

    EXPECT_TRUE(CCleanCacheDlg::PurgeUrlCache(GetParam().mode, kNeverStop));

    size_t cookies = 0;
    size_t content = 0;
    for (const UrlCacheEntry& entry : UrlCacheEntriesWith(host))
        ++((entry.type & COOKIE_CACHE_ENTRY) ? cookies : content);
    EXPECT_EQ(cookies, GetParam().cookiesGo ? 0u : 2u);
    EXPECT_EQ(content, GetParam().contentGoes ? 0u : 3u);
}

INSTANTIATE_TEST_SUITE_P(, CleanCachePurge,
    ::testing::Values(PurgeCase{"Cookies", CCleanCacheDlg::kCookieEntries, true, false},
        PurgeCase{"Others", CCleanCacheDlg::kOtherEntries, false, true}, PurgeCase{"UnknownMode", 7, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CleanCacheUrlEntries, PurgeHandlesOneEntryAfterAStop)
{
    const std::wstring host = std::wstring(kMarker) + L"-stop.example";
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(AddContentEntry(L"http://" + host + L"/page" + std::to_wstring(i) + L".html"));

    int asked = 0;
    EXPECT_TRUE(CCleanCacheDlg::PurgeUrlCache(CCleanCacheDlg::kOtherEntries, [&](const wchar_t*) { return ++asked > 0; }));
    EXPECT_EQ(asked, 1);
    EXPECT_GE(UrlCacheEntriesWith(host).size(), 4u);
}

// ---------------------------------------------------------------- runs of the dialog

// Fills the prefix's real stores; removes whatever of its own a run leaves behind.
class CleanCacheRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_cookies = SpecialFolder(CSIDL_COOKIES);
        m_cache = SpecialFolder(CSIDL_INTERNET_CACHE);
        ASSERT_FALSE(m_cookies.empty());
        ASSERT_FALSE(m_cache.empty());
    }

    void TearDown() override
    {
        for (const std::wstring& path : m_made)
            RemoveTree(path);
        DeleteUrlCacheEntriesWith(kMarker);
        EXPECT_FALSE(DrainQuit()) << "a quit message was left in the queue";
    }

    // A top-level entry of one of the stores, removed at the end of the test.
    std::wstring Own(const std::wstring& store, const std::wstring& name)
    {
        const std::wstring path = store + L"\\" + name;
        if (!Exists(path))
            m_made.push_back(path);
        return path;
    }

    // A tree that takes the worker seconds to delete: 20 files in each of 1 + n + n² folders.
    std::vector<std::wstring> BigTree(const std::wstring& store, int subfolders)
    {
        return MakeTree(Own(store, std::wstring(kMarker) + L"-big"), 3, subfolders, 20);
    }

    static ModalRun Run(const std::function<void(HWND)>& tick = {})
    {
        CCleanCacheDlg dialog;
        return RunModal(dialog, tick, kRunTimeoutMs);
    }

    std::wstring m_cookies;
    std::wstring m_cache;
    std::vector<std::wstring> m_made;
};

TEST_F(CleanCacheRun, EmptiesBothStoresButDesktopIni)
{
    const std::wstring tag = kMarker;
    for (const std::wstring& store : {m_cookies, m_cache}) {
        ASSERT_TRUE(WriteTestFile(Own(store, tag + L"-plain.txt")));
        ASSERT_TRUE(WriteTestFile(Own(store, tag + L"-readonly.txt"), FILE_ATTRIBUTE_READONLY));
        ASSERT_FALSE(MakeTree(Own(store, tag + L"-tree"), 3, 2, 2).empty());
        const std::wstring keep = Own(store, tag + L"-keep");
        ASSERT_TRUE(WriteTestFile(keep + L"\\inner\\desktop.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(WriteTestFile(keep + L"\\inner\\beside.txt"));
        ASSERT_TRUE(WriteTestFile(keep + L"\\gone\\deep\\file.txt"));
        ASSERT_TRUE(WriteTestFile(Own(store, tag + L"-caps") + L"\\DESKTOP.INI"));
    }
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(AddCookie(tag + L"-" + std::to_wstring(i) + L".example"));
    ASSERT_TRUE(AddCookieEntry(tag + L"-entry.example"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(AddContentEntry(L"http://" + tag + L".example/page" + std::to_wstring(i) + L".html"));

    const ModalRun run = Run();
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);

    for (const std::wstring& store : {m_cookies, m_cache}) {
        SCOPED_TRACE(Utf8(store));
        EXPECT_TRUE(Exists(store));
        EXPECT_TRUE(Exists(store + L"\\" + tag + L"-keep\\inner\\desktop.ini"));
        EXPECT_FALSE(Exists(store + L"\\" + tag + L"-keep\\gone"));
        EXPECT_FALSE(Exists(store + L"\\" + tag + L"-caps"));
        for (const wchar_t* gone : {L"-plain.txt", L"-readonly.txt", L"-tree"})
            EXPECT_FALSE(Exists(store + L"\\" + tag + gone)) << Utf8(gone);
        // Left: desktop.ini files, and the URL cache's index, which the cache writes again as soon as it is used.
        for (const std::wstring& file : ListFiles(store))
            EXPECT_TRUE(Name(file) == L"desktop.ini" || Name(file) == L"index.dat") << Utf8(file);
        EXPECT_EQ(EmptyFolders(store), std::vector<std::wstring>{});
    }
    const std::vector<UrlCacheEntry> left = ListUrlCache();
    EXPECT_TRUE(left.empty()) << left.size() << " entries left, the first " << Utf8(left[0].url);
}

TEST_F(CleanCacheRun, LinksNeverLeadOut)
{
    TempFolder outside(L"outside");
    const std::vector<std::wstring> outsideTree = MakeTree(outside / L"tree", 2, 2, 3);
    ASSERT_TRUE(WriteTestFile(outside / L"single.txt"));
    ASSERT_TRUE(WriteTestFile(outside / L"shared.txt"));
    ASSERT_TRUE(WriteTestFile(outside / L"shared-readonly.txt", FILE_ATTRIBUTE_READONLY));
    const std::vector<std::wstring> outsideFiles = ListFiles(outside.Path());

    const std::wstring links = Own(m_cache, std::wstring(kMarker) + L"-links");
    ASSERT_TRUE(MakeFolders(links));
    ScopedUnixLink topLevel(outside / L"tree", Own(m_cache, std::wstring(kMarker) + L"-dirlink"));
    ScopedUnixLink nested(outside / L"tree", links + L"\\dirlink");
    ScopedUnixLink fileLink(outside / L"single.txt", links + L"\\filelink.txt");
    ASSERT_TRUE(topLevel.Made() && nested.Made() && fileLink.Made()) << "ln -s through Wine failed";
    ASSERT_TRUE(CreateHardLinkW((links + L"\\hard.txt").c_str(), (outside / L"shared.txt").c_str(), nullptr));
    ASSERT_TRUE(
        CreateHardLinkW((links + L"\\hard-readonly.txt").c_str(), (outside / L"shared-readonly.txt").c_str(), nullptr));

    const ModalRun run = Run();
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);

    EXPECT_EQ(ListFiles(outside.Path()), outsideFiles);
    EXPECT_TRUE(Attributes(outside / L"shared-readonly.txt") & FILE_ATTRIBUTE_READONLY);
    // Links stay as they are; a second name of a file goes unless the data would have to change for it.
    EXPECT_TRUE(Exists(links + L"\\dirlink"));
    EXPECT_TRUE(Exists(links + L"\\filelink.txt"));
    EXPECT_TRUE(Exists(m_cache + L"\\" + kMarker + L"-dirlink"));
    EXPECT_FALSE(Exists(links + L"\\hard.txt"));
    EXPECT_TRUE(Exists(links + L"\\hard-readonly.txt"));
}

struct StopInput {
    const char* name;
    UINT message;
    WPARAM wParam;
};

class CleanCacheStopInput : public CleanCacheRun, public ::testing::WithParamInterface<StopInput> {};

TEST_P(CleanCacheStopInput, OnlyAsksTheWorkerToStop)
{
    const std::vector<std::wstring> big = BigTree(m_cookies, 12);
    std::vector<std::wstring> flat;
    for (int i = 0; i < 5; ++i) {
        flat.push_back(Own(m_cache, std::wstring(kMarker) + L"-flat" + std::to_wstring(i) + L".txt"));
        ASSERT_TRUE(WriteTestFile(flat.back()));
    }
    const std::wstring host = std::wstring(kMarker) + L"-stop.example";
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(AddContentEntry(L"http://" + host + L"/page" + std::to_wstring(i) + L".html"));

    ThreadWatch threads;
    bool sent = false;
    CCleanCacheDlg dialog;
    const ModalRun run = RunModal(dialog, [&](HWND veil) {
        if (sent)
            return;
        threads.SeeRunning();
        PostMessageW(veil, GetParam().message, GetParam().wParam, 0);
        sent = true;
    }, kRunTimeoutMs);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_NE(std::find(run.posted.begin(), run.posted.end(), WM_CLEANCACHE_DONE), run.posted.end())
        << "the dialog ended before the worker's report";
    EXPECT_TRUE(threads.SawAny());
    EXPECT_EQ(threads.StillRunning(1000), std::vector<DWORD>{});

    // Stopped in the cookies' walk: most of the tree is left, and each later step handled one entry at most.
    EXPECT_GT(CountExisting(big), big.size() / 2);
    EXPECT_TRUE(Exists(Parent(big.front())));
    EXPECT_GE(UrlCacheEntriesWith(host).size(), 4u);
    EXPECT_GE(CountExisting(flat), 4u);
}

INSTANTIATE_TEST_SUITE_P(, CleanCacheStopInput,
    ::testing::Values(StopInput{"Esc", WM_KEYDOWN, VK_ESCAPE}, StopInput{"Enter", WM_KEYDOWN, VK_RETURN},
        StopInput{"Close", WM_CLOSE, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct TearDownCase {
    const char* name;
    bool quit; // else the window is destroyed under the running dialog
};

class CleanCacheTearDown : public CleanCacheRun, public ::testing::WithParamInterface<TearDownCase> {};

TEST_P(CleanCacheTearDown, WhileCleaningStopsAndJoinsTheWorker)
{
    // Outlasts the 2 s that hiding the veil takes Wine (without a window manager) before the window goes.
    const std::vector<std::wstring> big = BigTree(m_cookies, 20);
    ThreadWatch threads;
    ModalRun run;
    DWORD destructionMs = 0;
    {
        CCleanCacheDlg dialog;
        run = RunModal(dialog, [&](HWND veil) {
            if (threads.SawAny())
                return;
            threads.SeeRunning();
            if (GetParam().quit)
                PostQuitMessage(16);
            else
                DestroyWindow(veil);
        }, kRunTimeoutMs);
        destructionMs = GetTickCount();
    }
    destructionMs = GetTickCount() - destructionMs;

    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(DrainQuit(), GetParam().quit);
    EXPECT_LT(destructionMs, 5000u);
    EXPECT_TRUE(threads.SawAny());
    EXPECT_EQ(threads.StillRunning(0), std::vector<DWORD>{}) << "the worker outlived the dialog";
    EXPECT_GT(CountExisting(big), 0u) << "the worker was not told to stop";
}

INSTANTIATE_TEST_SUITE_P(, CleanCacheTearDown,
    ::testing::Values(TearDownCase{"Quit", true}, TearDownCase{"WindowDestroyed", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CleanCacheRun, EndsAtOnceWhenThereIsNothingToClean)
{
    ASSERT_FALSE(Run().timedOut); // empties the stores
    const ModalRun run = Run();
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_LT(run.lastTickMs, 1000u);
}

// The work area as a taskbar on top would leave it, for this process, while the object lives.
class TaskbarOnTop {
public:
    explicit TaskbarOnTop(int height)
    {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &m_saved, 0);
        RECT area = m_saved;
        area.top += height;
        m_set = SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0) != FALSE;
    }
    ~TaskbarOnTop() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &m_saved, 0); }
    bool Set() const { return m_set; }

private:
    RECT m_saved{};
    bool m_set = false;
};

TEST_F(CleanCacheRun, VeilCoversTheWorkAreaSizeFromTheScreenOrigin)
{
    const std::vector<std::wstring> big = BigTree(m_cache, 20); // outlasts three status ticks
    ASSERT_FALSE(big.empty());
    TaskbarOnTop taskbar(40);
    ASSERT_TRUE(taskbar.Set());
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);

    const std::wstring status = L"缓存清理中,请稍后(按ESC取消)";
    int ticks = 0;
    RECT window{};
    RECT client{};
    RECT label{};
    LONG exStyle = 0;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    bool cyanText = false;
    std::vector<std::wstring> texts;
    const ModalRun run = Run([&](HWND veil) {
        HWND statusLine = GetDlgItem(veil, resid::cleancache::kStatus);
        if (++ticks == 5) {
            GetWindowRect(veil, &window);
            GetClientRect(veil, &client);
            GetWindowRect(statusLine, &label);
            MapWindowPoints(nullptr, veil, reinterpret_cast<POINT*>(&label), 2);
            exStyle = GetWindowLongW(veil, GWL_EXSTYLE);
            GetLayeredWindowAttributes(veil, &key, &alpha, &flags);
            RECT screen = label;
            MapWindowPoints(veil, nullptr, reinterpret_cast<POINT*>(&screen), 2);
            HDC dc = GetDC(nullptr);
            for (int y = screen.top; y < screen.bottom && !cyanText; ++y) {
                for (int x = screen.left; x < screen.right && !cyanText; ++x) {
                    const COLORREF pixel = GetPixel(dc, x, y);
                    cyanText = GetRValue(pixel) < 80 && GetGValue(pixel) > 180 && GetBValue(pixel) > 180;
                }
            }
            ReleaseDC(nullptr, dc);
        }
        wchar_t text[128] = {};
        GetWindowTextW(statusLine, text, 128);
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
        if (texts.size() == 4)
            PostMessageW(veil, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);
    ASSERT_GE(ticks, 5) << "the run ended too soon to be looked at";

    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(window.right - window.left, workArea.right - workArea.left);
    EXPECT_EQ(window.bottom - window.top, workArea.bottom - workArea.top);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_EQ(key, RGB(255, 0, 0));
    EXPECT_EQ(alpha, 150);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));
    EXPECT_NEAR((label.left + label.right) / 2.0, (client.left + client.right) / 2.0, 1.0);
    EXPECT_NEAR((label.top + label.bottom) / 2.0, (client.top + client.bottom) / 2.0, 1.0);
    EXPECT_TRUE(cyanText) << "no cyan pixel in the status line";
    // Full stops behind the status text: the template's three, then 1, 2, 0, …
    const std::vector<std::wstring> expected{status + L"...", status + L".", status + L"..", status};
    EXPECT_EQ(texts, expected);
}

// ---------------------------------------------------------------- benchmarks

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// A plain walk for comparison: DeleteFileW and RemoveDirectoryW, nothing checked.
void PlainDelete(const std::wstring& folder)
{
    ForEachEntry(folder, [](const std::wstring& full, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            PlainDelete(full);
            RemoveDirectoryW(full.c_str());
        } else {
            DeleteFileW(full.c_str());
        }
    });
}

// 48 files in each of 1 + 20 + 400 folders: 20,208 files.
constexpr int kBenchSubfolders = 20;
constexpr int kBenchFiles = 48;

class CleanCacheBench : public CleanCacheRun {};

// Two equal trees, deleted a top-level folder at a time, the two ways taking turns, so that the load of a
// shared machine falls on both alike.
TEST_F(CleanCacheBench, DISABLED_DeleteRateAgainstPlainDeleteFile)
{
    TempFolder cleanerTree(L"bench-cleaner");
    TempFolder plainTree(L"bench-plain");
    const size_t files = MakeTree(cleanerTree.Path(), 3, kBenchSubfolders, kBenchFiles).size();
    ASSERT_EQ(MakeTree(plainTree.Path(), 3, kBenchSubfolders, kBenchFiles).size(), files);

    double cleaner = 0;
    double plain = 0;
    const auto timed = [](double& total, const auto& remove) {
        const LARGE_INTEGER start = Now();
        remove();
        total += Seconds(start, Now());
    };
    for (int i = 0; i < kBenchSubfolders; ++i) {
        const std::wstring part = L"dir" + std::to_wstring(i);
        timed(cleaner, [&] { CCleanCacheDlg::DeleteFolderContents(cleanerTree / part, kNeverStop); });
        timed(plain, [&] { PlainDelete(plainTree / part); });
    }
    timed(cleaner, [&] { CCleanCacheDlg::DeleteFolderContents(cleanerTree.Path(), kNeverStop); });
    timed(plain, [&] { PlainDelete(plainTree.Path()); });
    ASSERT_TRUE(ListFiles(cleanerTree.Path()).empty());
    ASSERT_TRUE(ListFiles(plainTree.Path()).empty());

    const double count = static_cast<double>(files);
    std::printf("[bench] %zu files each: cleaner %.0f files/s (%.2f s), plain DeleteFileW %.0f files/s (%.2f s), "
                "cleaner/plain %.2f\n",
        files, count / cleaner, cleaner, count / plain, plain, plain / cleaner);
}

TEST_F(CleanCacheBench, DISABLED_UiDelayWhileDeleting)
{
    const std::vector<std::wstring> files =
        MakeTree(Own(m_cache, std::wstring(kMarker) + L"-bench"), 3, kBenchSubfolders, kBenchFiles);
    std::atomic<HWND> veil{nullptr};
    std::atomic<bool> done{false};
    std::vector<double> delays;
    std::thread prober([&] {
        while (!done) {
            HWND target = veil;
            if (target) {
                DWORD_PTR answer = 0;
                const LARGE_INTEGER start = Now();
                if (SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer))
                    delays.push_back(Seconds(start, Now()) * 1000.0);
            }
            Sleep(5);
        }
    });
    const ModalRun run = Run([&](HWND window) { veil = window; });
    veil = nullptr;
    done = true;
    prober.join();
    ASSERT_FALSE(run.timedOut);
    ASSERT_FALSE(delays.empty());
    std::sort(delays.begin(), delays.end());
    const double p99 = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)];
    std::printf("[bench] %zu files deleted in %.1f s under the veil; %zu WM_NULL probes: median %.2f ms, "
                "99th percentile %.2f ms, max %.2f ms\n",
        files.size(), run.elapsedMs / 1000.0, delays.size(), delays[delays.size() / 2], p99, delays.back());
}

} // namespace
