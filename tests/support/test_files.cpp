#include "tests/support/test_files.h"

#include <shlobj.h>

#include <functional>

#include "framework/handles.h"

namespace testsupport {

namespace {

bool IsDots(const wchar_t* name) { return !wcscmp(name, L".") || !wcscmp(name, L".."); }

// Wine's own conversions between its drive paths and Unix paths.
std::wstring UnixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unix)
        return {};
    std::wstring wide(::MultiByteToWideChar(CP_UTF8, 0, unix, -1, nullptr, 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, unix, -1, wide.data(), static_cast<int>(wide.size()));
    ::HeapFree(::GetProcessHeap(), 0, unix);
    wide.pop_back();
    return wide;
}

std::wstring DosPath(const char* unixPath)
{
    using ToDos = wchar_t*(CDECL*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    wchar_t* dos = toDos ? toDos(unixPath) : nullptr;
    if (!dos)
        return {};
    std::wstring result = dos;
    ::HeapFree(::GetProcessHeap(), 0, dos);
    return result;
}

// Starts a Unix program and waits (boundedly) until done() holds: Wine hands back no process to wait on.
bool RunUnix(const char* program, const std::wstring& arguments, const std::function<bool()>& done)
{
    const std::wstring executable = DosPath(program);
    if (executable.empty())
        return false;
    std::wstring commandLine = L"\"" + executable + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
            &startup, &process))
        return false;
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    if (processHandle)
        ::WaitForSingleObject(processHandle.Get(), 5000);
    for (int i = 0; i < 250 && !done(); ++i)
        ::Sleep(20);
    return done();
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

} // namespace

void ForEachEntry(const std::wstring& folder, const std::function<void(const std::wstring& path, DWORD attributes)>& visit)
{
    WIN32_FIND_DATAW found{};
    ScopedFind listing(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!listing)
        return;
    do {
        if (!IsDots(found.cFileName))
            visit(folder + L"\\" + found.cFileName, found.dwFileAttributes);
    } while (::FindNextFileW(listing.Get(), &found));
}

std::string Utf8(const std::wstring& text)
{
    std::string narrow(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

TempFolder::TempFolder(const wchar_t* tag)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    m_path = std::wstring(temp) + L"qarvelo-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(::GetTickCount());
    RemoveTree(m_path);
    MakeFolders(m_path);
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

std::wstring SpecialFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE) ? path : L"";
}

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool Exists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool MakeFolders(const std::wstring& path)
{
    return ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr) == ERROR_SUCCESS || Exists(path);
}

bool WriteTestFile(const std::wstring& path, DWORD attributes)
{
    const size_t slash = path.rfind(L'\\');
    if (slash != std::wstring::npos)
        MakeFolders(path.substr(0, slash));
    ScopedFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    if (!file)
        return false;
    static const char kContent[] = "qarvelo test data\r\n";
    DWORD written = 0;
    return ::WriteFile(file.Get(), kContent, sizeof(kContent) - 1, &written, nullptr) && written == sizeof(kContent) - 1;
}

std::vector<std::wstring> MakeTree(const std::wstring& root, int depth, int subfolders, int files)
{
    std::vector<std::wstring> made;
    std::function<void(const std::wstring&, int)> fill = [&](const std::wstring& folder, int level) {
        MakeFolders(folder);
        for (int i = 0; i < files; ++i) {
            std::wstring file = folder + L"\\file" + std::to_wstring(i) + L".dat";
            if (WriteTestFile(file))
                made.push_back(file);
        }
        if (level < depth) {
            for (int i = 0; i < subfolders; ++i)
                fill(folder + L"\\dir" + std::to_wstring(i), level + 1);
        }
    };
    fill(root, 1);
    return made;
}

std::vector<std::wstring> ListFiles(const std::wstring& root)
{
    std::vector<std::wstring> files;
    std::function<void(const std::wstring&)> walk = [&](const std::wstring& folder) {
        ForEachEntry(folder, [&](const std::wstring& path, DWORD attributes) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(path);
            else if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                walk(path);
        });
    };
    walk(root);
    return files;
}

void RemoveTree(const std::wstring& path)
{
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
        return;
    }
    ForEachEntry(path, [](const std::wstring& entry, DWORD) { RemoveTree(entry); });
    ::RemoveDirectoryW(path.c_str());
}

ScopedUnixLink::ScopedUnixLink(const std::wstring& target, const std::wstring& link) : m_link(link)
{
    const std::wstring unixTarget = UnixPath(target);
    const std::wstring unixLink = UnixPath(link);
    if (unixTarget.empty() || unixLink.empty() || Exists(link))
        return;
    m_made = RunUnix("/bin/ln", L"-s " + Quoted(unixTarget) + L" " + Quoted(unixLink), [this] { return Exists(m_link); });
}

ScopedUnixLink::~ScopedUnixLink()
{
    if (!m_made)
        return;
    const std::wstring unixLink = UnixPath(m_link);
    if (!unixLink.empty())
        RunUnix("/bin/rm", L"-f " + Quoted(unixLink), [this] { return !Exists(m_link); });
}

} // namespace testsupport
