#include "dialogs/clean_cache_dlg.h"

#include <process.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <new>

#include "dialogs/confirm_dlg.h"

namespace {

constexpr COLORREF kColorKey = RGB(255, 0, 0);
constexpr BYTE kVeilOpacity = 150;
constexpr COLORREF kStatusColor = RGB(0, 255, 255);
constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusPeriodMs = 400;
constexpr wchar_t kStatusText[] = L"缓存清理中,请稍后(按ESC取消)";
constexpr FILEOP_FLAGS kDeleteFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

struct UrlCacheFindTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::FindCloseUrlCache(handle); }
};
using ScopedUrlCacheFind = UniqueHandle<UrlCacheFindTraits>;

// ---------------------------------------------------------------- folders

// Looked up at run time: the systems without it have no file links to guard against.
using GetFinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
GetFinalPathFn FinalPathFunction()
{
    static const auto function = reinterpret_cast<GetFinalPathFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    return function;
}

// The entry itself, not what it may point to.
ScopedFile OpenEntry(const std::wstring& path)
{
    return ScopedFile(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Where an open entry really lives, links resolved; empty when that cannot be told.
std::wstring FinalPath(HANDLE entry)
{
    const GetFinalPathFn getFinalPath = FinalPathFunction();
    std::wstring path(MAX_PATH, L'\0');
    // The path may lengthen between calls (a rename); give up after a few rounds.
    for (int round = 0; getFinalPath && round < 4; ++round) {
        const DWORD length = getFinalPath(entry, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
    return {};
}

// A folder the walk may act in: its path as given and, where links can exist, where it really lives.
struct Place {
    std::wstring path;
    std::wstring final;
};

// Whether an entry listed in a place is really there under its own name rather than leading elsewhere:
// a Linux symbolic link to a file looks like a plain file under Wine, and deleting it there deletes its
// target. Only where the entry resolves to tells them apart. `final` receives that place.
bool IsOwnEntry(const Place& place, const std::wstring& full, const wchar_t* name, std::wstring& final)
{
    if (!FinalPathFunction())
        return true;
    ScopedFile entry = OpenEntry(full);
    if (!entry)
        return false;
    final = FinalPath(entry.Get());
    const size_t prefix = place.final.size();
    return !final.empty() && prefix != 0 && final.size() == prefix + 1 + std::wcslen(name) &&
           final.compare(0, prefix, place.final) == 0 && final[prefix] == L'\\' &&
           final.compare(prefix + 1, std::wstring::npos, name) == 0;
}

// How many names the file's data has; 0 when that cannot be told.
DWORD NameCount(const std::wstring& file)
{
    ScopedFile entry = OpenEntry(file);
    BY_HANDLE_FILE_INFORMATION information{};
    return entry && ::GetFileInformationByHandle(entry.Get(), &information) ? information.nNumberOfLinks : 0;
}

// A drive path ("C:\\...") or a network path: never one that depends on the current directory or drive.
bool IsFullPath(const std::wstring& path)
{
    const bool drive = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                       path[1] == L':' && path[2] == L'\\';
    return drive || (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
}

bool IsDotOrDotDot(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

void DeleteOneFile(const std::wstring& full)
{
    std::wstring from = full;
    from.push_back(L'\0'); // the list ends in two NULs
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = kDeleteFlags;
    ::SHFileOperationW(&operation); // what cannot be deleted stays
}

BOOL DeleteContents(const Place& place, const CCleanCacheDlg::StopCheck& stop)
{
    WIN32_FIND_DATAW found{};
    ScopedFind listing(::FindFirstFileW((place.path + L"\\*.*").c_str(), &found));
    if (!listing)
        return FALSE;
    do {
        const wchar_t* name = found.cFileName;
        const std::wstring full = place.path + L"\\" + name;
        const DWORD attributes = found.dwFileAttributes;
        std::wstring final;
        // Case-sensitive on purpose: "DESKTOP.INI" is not the shell's file and goes.
        const bool keep = IsDotOrDotDot(name) || std::wcscmp(name, L"desktop.ini") == 0 ||
                          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsOwnEntry(place, full, name, final);
        if (!keep) {
            const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool deletable = true;
            if (attributes & FILE_ATTRIBUTE_READONLY) {
                // Attributes belong to the data, which a file's other names share: such a file is left as it is.
                deletable = (directory || NameCount(full) == 1) &&
                            ::SetFileAttributesW(full.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
            }
            if (directory) {
                DeleteContents(Place{full, final}, stop);
                ::RemoveDirectoryW(full.c_str()); // stays while anything is left inside
            } else if (deletable) {
                DeleteOneFile(full);
            }
        }
        if (stop(full.c_str()))
            break;
    } while (::FindNextFileW(listing.Get(), &found));
    return TRUE;
}

// ---------------------------------------------------------------- URL cache

// Room for one cache entry, aligned for the structure that heads it.
class EntryBuffer {
public:
    INTERNET_CACHE_ENTRY_INFOW* Get() const { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(m_data.get()); }
    DWORD Size() const { return m_size; }

    bool Reserve(DWORD bytes)
    {
        // An entry is its header plus its strings; anything beyond this is no entry worth reading.
        constexpr DWORD kLargest = 16u << 20;
        if (bytes <= m_size)
            return true;
        if (bytes > kLargest)
            return false;
        const size_t words = (static_cast<size_t>(bytes) + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t);
        m_data.reset(new (std::nothrow) std::uint64_t[words]);
        m_size = m_data ? static_cast<DWORD>(words * sizeof(std::uint64_t)) : 0;
        return m_data != nullptr;
    }

private:
    std::unique_ptr<std::uint64_t[]> m_data;
    DWORD m_size = 0;
};

// Reads one entry with read(buffer, &size): its size first, then the entry, asking again when it has
// grown in between. False at the end of the enumeration and on any failure.
template <typename Read>
bool ReadEntry(EntryBuffer& buffer, Read read)
{
    DWORD size = 0;
    if (read(nullptr, &size) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    for (int round = 0; round < 4; ++round) {
        if (!buffer.Reserve(size))
            return false;
        size = buffer.Size();
        if (read(buffer.Get(), &size))
            return true;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
    }
    return false;
}

} // namespace

CCleanCacheDlg::CCleanCacheDlg(CWnd*) : CDialogEx(IDD) {}

CCleanCacheDlg::~CCleanCacheDlg()
{
    m_bCancel = true;
    if (!m_hThread)
        return;
    // The worker's shell calls may send to this thread's windows: answer them while waiting, or both wait.
    HANDLE worker = m_hThread.Get();
    while (::MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    ::WaitForSingleObject(worker, INFINITE); // at once, unless the wait above failed
}

void CCleanCacheDlg::DoDataExchange() { DDX_Control(resid::cleancache::kStatus, m_stcStatus); }

BOOL CCleanCacheDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    m_bmpBackground.LoadBitmap(resid::kBmpVeil);
    m_layered.m_hWnd = m_hWnd;
    m_colorKey = kColorKey;
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    m_brushKey.CreateSolidBrush(m_colorKey);
    m_layered.SetColorKey(m_colorKey, kVeilOpacity);

    // At the screen's origin, not the work area's: with the taskbar on top a strip stays free at the bottom.
    RECT workArea{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    MoveWindow(0, 0, Width(workArea), Height(workArea), TRUE);
    m_stcStatus.CenterWindow();

    ::SetTimer(m_hWnd, kStatusTimer, kStatusPeriodMs, nullptr);
    // Without a worker nobody would ever end the dialog.
    if (!StartWorker())
        EndDialog(IDOK);
    return TRUE;
}

bool CCleanCacheDlg::StartWorker()
{
    m_hWndNotify = m_hWnd;
    unsigned id = 0;
    m_hThread.Reset(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CleanCacheThreadProc, this, CREATE_SUSPENDED, &id)));
    if (!m_hThread)
        return false;
    if (::ResumeThread(m_hThread.Get()) == static_cast<DWORD>(-1)) {
        // It never ran, so ending it leaves nothing half done, and nothing to wait for later.
        ::TerminateThread(m_hThread.Get(), 0);
        m_hThread.Reset();
        return false;
    }
    return true;
}

unsigned __stdcall CCleanCacheDlg::CleanCacheThreadProc(void* param)
{
    auto* dialog = static_cast<CCleanCacheDlg*>(param);
    const StopCheck stop = [dialog](const wchar_t*) { return dialog->m_bCancel.load(); };
    const auto cleanFolder = [&stop](int csidl) {
        wchar_t folder[MAX_PATH] = {};
        if (::SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE))
            DeleteFolderContents(folder, stop);
    };
    try {
        PurgeUrlCache(kCookieEntries, stop);
        cleanFolder(CSIDL_COOKIES);
        PurgeUrlCache(kOtherEntries, stop);
        cleanFolder(CSIDL_INTERNET_CACHE);
    } catch (...) {
        // Out of memory for a path: what is left stays, as with any other failure.
    }
    // The last use of the dialog. After a tear-down the window is gone and the post simply fails.
    ::PostMessageW(dialog->m_hWndNotify, WM_CLEANCACHE_DONE, 0, 0);
    return 0;
}

BOOL CCleanCacheDlg::PurgeUrlCache(int mode, const StopCheck& stop)
{
    EntryBuffer buffer;
    ScopedUrlCacheFind enumeration;
    const bool first = ReadEntry(buffer, [&enumeration](INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
        enumeration.Reset(::FindFirstUrlCacheEntryW(nullptr, entry, size));
        return static_cast<bool>(enumeration);
    });
    if (!first)
        return FALSE;
    do {
        const INTERNET_CACHE_ENTRY_INFOW* entry = buffer.Get();
        const bool cookie = (entry->CacheEntryType & COOKIE_CACHE_ENTRY) != 0;
        const bool wanted = (mode == kCookieEntries && cookie) || (mode == kOtherEntries && !cookie);
        const wchar_t* url = entry->lpszSourceUrlName ? entry->lpszSourceUrlName : L"";
        if (wanted && *url)
            ::DeleteUrlCacheEntryW(url); // an entry in use stays
        if (stop(url))
            break;
    } while (ReadEntry(buffer, [&enumeration](INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
        return ::FindNextUrlCacheEntryW(enumeration.Get(), entry, size) != FALSE;
    }));
    return TRUE;
}

BOOL CCleanCacheDlg::DeleteFolderContents(const std::wstring& folder, const StopCheck& stop)
{
    if (!IsFullPath(folder))
        return FALSE;
    Place place{folder, {}};
    if (FinalPathFunction()) {
        // The folder itself is the one given, wherever it lives; only what is inside must stay inside.
        if (ScopedFile self = OpenEntry(folder))
            place.final = FinalPath(self.Get());
    }
    return DeleteContents(place, stop);
}

LRESULT CCleanCacheDlg::OnCleanCacheDone(WPARAM, LPARAM)
{
    EndDialog(IDOK);
    return 0;
}

LRESULT CCleanCacheDlg::OnDestroy(WPARAM, LPARAM)
{
    // However the window goes (after the report, after a quit ended the loop, or with its owner), the worker
    // stops and DoModal returns; the destructor then waits for the worker.
    m_bCancel = true;
    EndDialog(IDOK);
    return Default();
}

void CCleanCacheDlg::OnPaint()
{
    if (IsIconic())
        return;
    // Takes the activation back whenever the veil repaints, so that Esc keeps reaching it.
    ::SetWindowPos(m_hWnd, m_hWnd, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    CPaintDC dc(m_hWnd);
    StretchBitmap(dc.Get(), m_bmpBackground, GetClientRect());
}

HBRUSH CCleanCacheDlg::OnCtlColor(HDC dc, HWND control, UINT kind)
{
    // Everything but the status line, the dialog's own background included, is erased in the key colour.
    if (control != m_stcStatus.m_hWnd)
        return m_brushKey;
    CDialogEx::OnCtlColor(dc, control, kind);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kStatusColor);
    CopyParentBackground(m_hWnd, control, dc);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CCleanCacheDlg::OnStatusTimer(WPARAM, LPARAM)
{
    m_nDots = (m_nDots + 1) % 3;
    std::wstring text = kStatusText;
    text.append(m_nDots, L'.');
    m_stcStatus.SetWindowText(text.c_str());
    RECT label = m_stcStatus.GetWindowRect();
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&label), 2);
    ::InvalidateRect(m_hWnd, &label, TRUE);
    return Default();
}
