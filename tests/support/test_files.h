// Files, folder trees and Linux links for tests that delete things.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace testsupport {

// For messages: gtest prints narrow text.
std::string Utf8(const std::wstring& text);

// A fresh folder of the test's own under the temp folder, removed with its contents at the end.
class TempFolder {
public:
    explicit TempFolder(const wchar_t* tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

std::wstring SpecialFolder(int csidl);
bool Exists(const std::wstring& path);
DWORD Attributes(const std::wstring& path);

// A small file, created with its missing parent folders.
bool WriteTestFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
bool MakeFolders(const std::wstring& path);

// A tree below root: `subfolders` folders per level down to `depth`, `files` files in each folder.
// Returns the files' paths.
std::vector<std::wstring> MakeTree(const std::wstring& root, int depth, int subfolders, int files);

// Each entry of a folder but "." and "..", with its attributes as listed.
void ForEachEntry(const std::wstring& folder, const std::function<void(const std::wstring& path, DWORD attributes)>& visit);

// Every file below root (links to folders are not entered).
std::vector<std::wstring> ListFiles(const std::wstring& root);

// Removes a tree the test made. Never enters a link to a folder, and leaves any it meets: links are
// the test's to remove (ScopedUnixLink).
void RemoveTree(const std::wstring& path);

// A Linux symbolic link, made with the Unix tools (Wine runs Unix programs through CreateProcess)
// and removed again the same way: from the Windows side, deleting a link reaches its target.
class ScopedUnixLink {
public:
    ScopedUnixLink(const std::wstring& target, const std::wstring& link);
    ~ScopedUnixLink();
    ScopedUnixLink(const ScopedUnixLink&) = delete;
    ScopedUnixLink& operator=(const ScopedUnixLink&) = delete;

    bool Made() const { return m_made; }

private:
    std::wstring m_link;
    bool m_made = false;
};

} // namespace testsupport
