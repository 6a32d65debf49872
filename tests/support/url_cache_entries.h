// Entries of the current user's URL cache, made and looked up by tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

struct UrlCacheEntry {
    std::wstring url;
    DWORD type = 0;
};

// A persistent cookie of the host, through the cookie interface: a cookie entry and a file in the cookies folder.
bool AddCookie(const std::wstring& host);
// A cookie entry made directly in the cache, for "Cookie:user@host/".
bool AddCookieEntry(const std::wstring& host);
// A plain entry for the URL. It carries no file: once the cache's folders have been emptied, Wine cannot
// make new files for entries until the process ends.
bool AddContentEntry(const std::wstring& url);

std::vector<UrlCacheEntry> ListUrlCache();
// Entries whose URL contains the text.
std::vector<UrlCacheEntry> UrlCacheEntriesWith(const std::wstring& text);
void DeleteUrlCacheEntriesWith(const std::wstring& text);

} // namespace testsupport
