#include "tests/support/url_cache_entries.h"

#include <wininet.h>

#include <cstdint>

#include "framework/handles.h"

namespace testsupport {

namespace {

struct FileTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};

struct UrlCacheFindTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::FindCloseUrlCache(handle); }
};

} // namespace

bool AddCookie(const std::wstring& host)
{
    const std::wstring url = L"http://" + host + L"/";
    return ::InternetSetCookieW(url.c_str(), L"session", L"42; expires=Sat, 01-Jan-2050 00:00:00 GMT") != FALSE;
}

bool AddCookieEntry(const std::wstring& host)
{
    const std::wstring url = L"Cookie:qarvelo@" + host + L"/";
    wchar_t file[MAX_PATH] = {};
    if (!::CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0))
        return false;
    if (!UniqueHandle<FileTraits>(::CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)))
        return false; // made and closed again: the commit reads it
    const FILETIME never{};
    return ::CommitUrlCacheEntryW(url.c_str(), file, never, never, COOKIE_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
}

bool AddContentEntry(const std::wstring& url)
{
    const FILETIME never{};
    return ::CommitUrlCacheEntryW(url.c_str(), nullptr, never, never, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
}

std::vector<UrlCacheEntry> ListUrlCache()
{
    std::vector<UrlCacheEntry> entries;
    std::vector<std::uint64_t> buffer(512);
    UniqueHandle<UrlCacheFindTraits> enumeration;
    for (;;) {
        auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(buffer[0]));
        bool ok;
        if (!enumeration) {
            enumeration.Reset(::FindFirstUrlCacheEntryW(nullptr, info, &size));
            ok = static_cast<bool>(enumeration);
        } else {
            ok = ::FindNextUrlCacheEntryW(enumeration.Get(), info, &size) != FALSE;
        }
        if (!ok && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            buffer.resize(size / sizeof(buffer[0]) + 1);
            continue;
        }
        if (!ok)
            break;
        entries.push_back({info->lpszSourceUrlName ? info->lpszSourceUrlName : L"", info->CacheEntryType});
    }
    return entries;
}

std::vector<UrlCacheEntry> UrlCacheEntriesWith(const std::wstring& text)
{
    std::vector<UrlCacheEntry> found;
    for (UrlCacheEntry& entry : ListUrlCache()) {
        if (entry.url.find(text) != std::wstring::npos)
            found.push_back(std::move(entry));
    }
    return found;
}

void DeleteUrlCacheEntriesWith(const std::wstring& text)
{
    for (const UrlCacheEntry& entry : UrlCacheEntriesWith(text))
        ::DeleteUrlCacheEntryW(entry.url.c_str());
}

} // namespace testsupport
