// How tests reach the stand-in from outside the process: a message-only window of the class
// "QarveloStandin" takes WM_COPYDATA text commands and runs each from the message loop, as page
// script runs, not inside the sender's call.
//
//   [@<top-level hwnd>] navigate <url>                         the page navigates its browser
//   [@<top-level hwnd>] navigate-post <url> <post data> [<headers>]
//   [@<top-level hwnd>] frame-navigate <url>                   a frame of the page navigates
//   [@<top-level hwnd>] rightclick [<x> <y>]                   the user right-clicks the page
//   [@<top-level hwnd>] external                               script reads window.external twice
//   [@<top-level hwnd>] refresh-count                          how often the page was refreshed
//
// The page is the newest document in the browser of that top-level window, or the newest of all.
// Words are separated by single spaces, and the last argument takes the rest of the line: headers
// may hold spaces, and "\r\n" in them stands for a line break. Every command ends in a "command"
// line in the log, after the lines of what it did.
//
// Besides, each browser's own events, as a listener connected after the host sees them, are logged
// from its first page on: "before-navigate" (with the cancel flag as the host left it),
// "navigate-complete" and "navigate-error", each with the top-level window, the URL and whether a
// frame navigated. The frame navigations the stand-in makes up reach only the host.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/standin/document.h"
#include "tests/standin/standin.h"

namespace standin {
namespace {

constexpr wchar_t kWindowClass[] = L"QarveloStandin";
constexpr UINT kRunQueued = WM_APP + 1;

std::deque<std::wstring>& Queue()
{
    static std::deque<std::wstring> queue;
    return queue;
}

// The command's words; the last of at most `count` takes the rest of the text.
std::vector<std::wstring> Words(std::wstring_view text, size_t count)
{
    std::vector<std::wstring> words;
    while (!text.empty() && words.size() + 1 < count) {
        const size_t end = text.find(L' ');
        words.emplace_back(text.substr(0, end));
        text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
    }
    if (!text.empty())
        words.emplace_back(text);
    return words;
}

std::wstring WithLineBreaks(std::wstring text)
{
    for (size_t at = text.find(L"\\r\\n"); at != std::wstring::npos; at = text.find(L"\\r\\n", at + 2))
        text.replace(at, 4, L"\r\n");
    return text;
}

bool RunCommand(std::wstring_view text)
{
    std::vector<std::wstring> verb = Words(text, 2);
    HWND toplevel = nullptr;
    if (!verb.empty() && verb[0][0] == L'@') {
        toplevel = reinterpret_cast<HWND>(static_cast<INT_PTR>(_wcstoi64(verb[0].c_str() + 1, nullptr, 0)));
        verb = Words(verb.size() > 1 ? verb[1] : std::wstring(), 2);
    }
    Document* document = Document::Find(toplevel);
    if (!document || verb.empty())
        return false;
    const std::wstring arguments = verb.size() > 1 ? verb[1] : std::wstring();

    if (verb[0] == L"navigate" && !arguments.empty()) {
        document->Navigate(arguments, {}, {});
    } else if (verb[0] == L"navigate-post") {
        const std::vector<std::wstring> words = Words(arguments, 3);
        if (words.size() < 2)
            return false;
        document->Navigate(words[0], Utf8(words[1]), words.size() > 2 ? WithLineBreaks(words[2]) : std::wstring());
    } else if (verb[0] == L"frame-navigate" && !arguments.empty()) {
        document->FrameNavigate(arguments);
    } else if (verb[0] == L"rightclick") {
        const std::vector<std::wstring> at = Words(arguments, 2);
        if (at.size() == 1)
            return false;
        document->RightClick(at.empty() ? POINT{} : POINT{_wtoi(at[0].c_str()), _wtoi(at[1].c_str())});
    } else if (verb[0] == L"external" && arguments.empty()) {
        document->ReadExternal();
    } else if (verb[0] == L"refresh-count" && arguments.empty()) {
        document->ReportRefreshes();
    } else {
        return false;
    }
    return true;
}

void RunQueuedCommands()
{
    while (!Queue().empty()) {
        std::wstring command = std::move(Queue().front());
        Queue().pop_front();
        bool understood = RunCommand(command);
        Event("command").Str("text", command).Bool("ok", understood).Write();
    }
}

LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Out of memory at worst: the command is lost, and its "command" line with it.
    try {
        if (message == WM_COPYDATA) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (!data || !data->lpData)
                return FALSE;
            Queue().emplace_back(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
            ::PostMessageW(window, kRunQueued, 0, 0);
            return TRUE;
        }
        if (message == kRunQueued) {
            RunQueuedCommands();
            return 0;
        }
    } catch (...) {
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Before the launcher's entry point: COM comes up apartment-threaded on the user-interface thread
// (the launcher's OleInitialize later just adds a reference), the document class is registered for
// this process, and the command window exists.
struct Registration {
    Registration()
    {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        static DocumentClass documents;

        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = CommandWindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        ::RegisterClassW(&windowClass);
        ::CreateWindowExW(
            0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
        Event("ready").Num("pid", ::GetCurrentProcessId()).Write();
    }
};

const Registration g_registration;

} // namespace

} // namespace standin
