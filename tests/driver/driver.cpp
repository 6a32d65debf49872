// qarvelo_driver: inspects and pokes another process's windows for the end-to-end tests.
// One command per run; prints one JSON object on stdout. Exit code 0 on success,
// 1 when the operation failed (the JSON then carries "error"), 2 on bad usage.
//
//   pids <exe name>                 processes with that image name, with their command lines
//   windows <pid>                   top-level windows of the process and all their descendants
//   send <hwnd> <msg> <wparam> <lparam>   SendMessageTimeout; numbers decimal or 0x-hex
//   post <hwnd> <msg> <wparam> <lparam>
//   click <hwnd>                    posts BM_CLICK
//   pixel <x> <y>                   screen pixel
//   wait <pid> <timeout_ms>         waits for the process to end, reports its exit code
//   kill <pid> [code]               TerminateProcess
//   foreground <hwnd>               SetForegroundWindow
//   workarea                        work area and screen size
//   copydata <pid> <class> <text>   WM_COPYDATA with the UTF-16 text to the process's message-only
//                                   window of that class; reports the window's answer
//   show <hwnd> <command>           ShowWindow with that show command
//   active                          the foreground window
//   hold-hotkey <vk> <ms>           registers the key as a hot key of its own (no modifiers) and says
//                                   so at once; holds it for up to ms, or until stdin ends, counting the
//                                   presses it gets, then prints a second line. ms 0: register, let go,
//                                   and print nothing more
//   launch-time <timeout_ms> <x> <y> <rrggbb> <exe> [args...]
//                                   starts the program and times, from just before CreateProcess, its
//                                   first visible top-level window and the screen pixel (x, y) turning
//                                   rrggbb (hex, or "face" for the dialog face colour); then ends it
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace {

constexpr UINT kSendTimeoutMs = 5000;

class Json {
public:
    Json& raw(const std::string& text) { comma(); out_ += text; return *this; }
    Json& key(const char* name) { comma(); out_ += '"'; out_ += name; out_ += "\":"; fresh_ = true; return *this; }
    Json& num(long long value) { return raw(std::to_string(value)); }
    Json& boolean(bool value) { return raw(value ? "true" : "false"); }
    Json& str(const std::wstring& text)
    {
        comma();
        out_ += '"';
        for (wchar_t c : text) {
            if (c == L'"' || c == L'\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c >= 0x20 && c < 0x7f) {
                out_ += static_cast<char>(c);
            } else {
                // ASCII only on the wire: no code page can garble it.
                char escaped[8];
                wsprintfA(escaped, "\\u%04x", static_cast<unsigned>(c));
                out_ += escaped;
            }
        }
        out_ += '"';
        return *this;
    }
    Json& open(char bracket) { comma(); out_ += bracket; fresh_ = true; return *this; }
    Json& close(char bracket) { out_ += bracket; fresh_ = false; return *this; }
    Json& rect(const RECT& r)
    {
        open('{');
        key("left").num(r.left).key("top").num(r.top).key("right").num(r.right).key("bottom").num(r.bottom);
        return close('}');
    }

    void print()
    {
        out_ += '\n';
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out_.data(), static_cast<DWORD>(out_.size()), &written, nullptr);
    }

private:
    void comma()
    {
        if (!fresh_ && !out_.empty())
            out_ += ',';
        fresh_ = false;
    }

    std::string out_;
    bool fresh_ = true;
};

int Fail(const char* what, DWORD error = GetLastError())
{
    Json json;
    json.open('{').key("ok").boolean(false).key("error").num(error).key("what").str(std::wstring(what, what + lstrlenA(what))).close('}').print();
    return 1;
}

int Usage()
{
    Json json;
    json.open('{').key("ok").boolean(false).key("error").str(L"usage: pids|windows|send|post|click|pixel|wait|kill|foreground|workarea|show|active|hold-hotkey|launch-time|copydata").close('}').print();
    return 2;
}

bool ParseNumber(const wchar_t* text, long long& value)
{
    if (!text || !*text)
        return false;
    wchar_t* end = nullptr;
    value = wcstoll(text, &end, 0);
    return *end == L'\0';
}

HWND ToHwnd(long long value) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(value)); }
long long FromHwnd(HWND hwnd) { return static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd)); }

// The command line of another process, read from its process parameters.
std::wstring CommandLineOf(HANDLE process)
{
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic {};
    PEB peb {};
    RTL_USER_PROCESS_PARAMETERS params {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0
        || !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr)
        || !ReadProcessMemory(process, peb.ProcessParameters, &params, sizeof params, nullptr))
        return {};
    std::wstring text(params.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process, params.CommandLine.Buffer, text.data(), params.CommandLine.Length, nullptr))
        return {};
    return text;
}

int Pids(const wchar_t* exe)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return Fail("CreateToolhelp32Snapshot");
    Json json;
    json.open('{').key("ok").boolean(true).key("processes").open('[');
    PROCESSENTRY32W entry {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, exe) != 0)
            continue;
        std::wstring commandLine;
        if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID)) {
            commandLine = CommandLineOf(process);
            CloseHandle(process);
        }
        json.open('{').key("pid").num(entry.th32ProcessID).key("parent").num(entry.th32ParentProcessID);
        json.key("command_line").str(commandLine).close('}');
    }
    CloseHandle(snapshot);
    json.close(']').close('}').print();
    return 0;
}

std::wstring TextOf(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return {};
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
            SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return {};
    return std::wstring(buffer.data(), copied < length ? copied : length);
}

void DescribeWindow(Json& json, HWND hwnd)
{
    wchar_t className[256] = L"";
    GetClassNameW(hwnd, className, ARRAYSIZE(className));
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    if (parent == GetDesktopWindow())
        parent = nullptr;
    RECT window {}, client {};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    // Wine keeps the X11 window of a top-level window in this property; 0 elsewhere.
    HANDLE xid = GetPropW(hwnd, L"__wine_x11_whole_window");

    json.open('{');
    json.key("hwnd").num(FromHwnd(hwnd));
    json.key("parent").num(FromHwnd(parent));
    json.key("owner").num(FromHwnd(GetWindow(hwnd, GW_OWNER)));
    json.key("pid").num(pid).key("tid").num(tid);
    json.key("class").str(className);
    json.key("text").str(TextOf(hwnd));
    json.key("id").num(GetDlgCtrlID(hwnd));
    json.key("style").num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)));
    json.key("exstyle").num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    json.key("rect").rect(window);
    json.key("client").rect(client);
    json.key("visible").boolean(IsWindowVisible(hwnd));
    json.key("enabled").boolean(IsWindowEnabled(hwnd));
    json.key("iconic").boolean(IsIconic(hwnd));
    json.key("xid").num(static_cast<long long>(reinterpret_cast<UINT_PTR>(xid)));
    json.close('}');
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid)
        search->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

int Windows(DWORD pid)
{
    WindowSearch search { pid, {} };
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    Json json;
    json.open('{').key("ok").boolean(true).key("windows").open('[');
    for (HWND top : search.found) {
        std::vector<HWND> all { top };
        EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&all));
        for (HWND hwnd : all)
            DescribeWindow(json, hwnd);
    }
    json.close(']').close('}').print();
    return 0;
}

int Message(bool send, HWND hwnd, long long msg, long long wparam, long long lparam)
{
    if (!IsWindow(hwnd))
        return Fail("not a window", ERROR_INVALID_WINDOW_HANDLE);
    const auto w = static_cast<WPARAM>(wparam);
    const auto l = static_cast<LPARAM>(lparam);
    if (!send) {
        if (!PostMessageW(hwnd, static_cast<UINT>(msg), w, l))
            return Fail("PostMessage");
        Json json;
        json.open('{').key("ok").boolean(true).close('}').print();
        return 0;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, static_cast<UINT>(msg), w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return Fail("SendMessageTimeout");
    Json json;
    json.open('{').key("ok").boolean(true).key("result").num(static_cast<long long>(static_cast<INT_PTR>(result))).close('}').print();
    return 0;
}

int Pixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (color == CLR_INVALID)
        return Fail("GetPixel", ERROR_INVALID_PARAMETER);
    Json json;
    json.open('{').key("ok").boolean(true).key("x").num(x).key("y").num(y);
    json.key("r").num(GetRValue(color)).key("g").num(GetGValue(color)).key("b").num(GetBValue(color)).close('}').print();
    return 0;
}

int Wait(DWORD pid, DWORD timeoutMs)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return Fail("OpenProcess");
    DWORD waited = WaitForSingleObject(process, timeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (waited == WAIT_FAILED)
        return Fail("WaitForSingleObject");
    Json json;
    json.open('{').key("ok").boolean(true).key("exited").boolean(waited == WAIT_OBJECT_0);
    if (waited == WAIT_OBJECT_0)
        json.key("code").num(code);
    json.close('}').print();
    return 0;
}

int Kill(DWORD pid, UINT code)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process)
        return Fail("OpenProcess");
    BOOL ok = TerminateProcess(process, code) && WaitForSingleObject(process, kSendTimeoutMs) == WAIT_OBJECT_0;
    DWORD error = GetLastError();
    CloseHandle(process);
    if (!ok)
        return Fail("TerminateProcess", error);
    Json json;
    json.open('{').key("ok").boolean(true).close('}').print();
    return 0;
}

int Foreground(HWND hwnd)
{
    if (!IsWindow(hwnd))
        return Fail("not a window", ERROR_INVALID_WINDOW_HANDLE);
    BOOL ok = SetForegroundWindow(hwnd);
    Json json;
    json.open('{').key("ok").boolean(ok).key("foreground").num(FromHwnd(GetForegroundWindow())).close('}').print();
    return ok ? 0 : 1;
}

int WorkArea()
{
    RECT work {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    Json json;
    json.open('{').key("ok").boolean(true).key("work").rect(work);
    json.key("screen").open('{').key("width").num(GetSystemMetrics(SM_CXSCREEN));
    json.key("height").num(GetSystemMetrics(SM_CYSCREEN)).close('}').close('}').print();
    return 0;
}

int Active()
{
    Json json;
    json.open('{').key("ok").boolean(true).key("foreground").num(FromHwnd(GetForegroundWindow())).close('}').print();
    return 0;
}

int Show(HWND hwnd, int command)
{
    if (!IsWindow(hwnd))
        return Fail("not a window", ERROR_INVALID_WINDOW_HANDLE);
    const BOOL wasVisible = ShowWindow(hwnd, command);
    Json json;
    json.open('{').key("ok").boolean(true).key("was_visible").boolean(wasVisible != FALSE);
    json.key("visible").boolean(IsWindowVisible(hwnd) != FALSE).close('}').print();
    return 0;
}

DWORD WINAPI WatchStdin(void* mainThread)
{
    char byte = 0;
    DWORD read = 0;
    // Any byte, the end of the input or a read error all mean: let the key go.
    ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr);
    PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(mainThread)), WM_QUIT, 0, 0);
    return 0;
}

// A hot key of this thread's, let go when the scope ends.
class ThreadHotKey {
public:
    ThreadHotKey(int id, UINT virtualKey)
        : id_(id), registered_(RegisterHotKey(nullptr, id, 0, virtualKey) != FALSE), error_(registered_ ? 0 : GetLastError()) {}
    ~ThreadHotKey()
    {
        if (registered_)
            UnregisterHotKey(nullptr, id_);
    }
    ThreadHotKey(const ThreadHotKey&) = delete;
    ThreadHotKey& operator=(const ThreadHotKey&) = delete;

    bool registered() const { return registered_; }
    DWORD error() const { return error_; }

private:
    int id_;
    bool registered_;
    DWORD error_;
};

int HoldHotKey(UINT virtualKey, DWORD holdMs)
{
    constexpr int kId = 1;
    int presses = 0;
    {
        ThreadHotKey hotKey(kId, virtualKey);
        {
            Json json;
            json.open('{').key("ok").boolean(hotKey.registered()).key("registered").boolean(hotKey.registered());
            json.key("error").num(hotKey.error()).close('}').print();
        }
        if (!hotKey.registered())
            return 1;
        if (holdMs == 0)
            return 0;
        MSG message {};
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here on
        const ScopedHandle watcher(CreateThread(nullptr, 0, WatchStdin,
            reinterpret_cast<void*>(static_cast<UINT_PTR>(GetCurrentThreadId())), 0, nullptr));
        const DWORD start = GetTickCount();
        for (bool quit = false; !quit;) {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= holdMs)
                break;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, holdMs - elapsed, QS_ALLINPUT);
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT)
                    quit = true;
                else if (message.message == WM_HOTKEY && message.wParam == kId)
                    ++presses;
            }
        }
    }
    Json json;
    json.open('{').key("ok").boolean(true).key("hotkeys").num(presses).close('}').print();
    return 0;
}

struct LaunchedWindow {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<LaunchedWindow*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    RECT rect {};
    // Helper windows (IME, tooltips) are tiny; a program's first real window is not.
    if (pid == search->pid && IsWindowVisible(hwnd) && GetWindowRect(hwnd, &rect)
        && rect.right - rect.left >= 100 && rect.bottom - rect.top >= 100) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

int LaunchTime(DWORD timeoutMs, int x, int y, const wchar_t* colour, int argc, wchar_t** argv)
{
    COLORREF wanted = 0;
    if (lstrcmpiW(colour, L"face") == 0) {
        wanted = GetSysColor(COLOR_BTNFACE);
    } else {
        wchar_t* end = nullptr;
        const unsigned long rgb = wcstoul(colour, &end, 16);
        if (*end != L'\0')
            return Usage();
        wanted = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    std::wstring commandLine;
    for (int i = 0; i < argc; ++i) {
        if (i)
            commandLine += L' ';
        commandLine += L'"';
        commandLine += argv[i];
        commandLine += L'"';
    }
    WindowDC screen(nullptr);
    const COLORREF before = GetPixel(screen.Get(), x, y);

    LARGE_INTEGER frequency {}, start {}, now {};
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
        return Fail("CreateProcess");
    const ScopedHandle process(created.hProcess);
    const ScopedHandle thread(created.hThread);
    auto elapsedMs = [&] {
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    };
    double visibleMs = -1, shownMs = -1;
    bool exited = false;
    while (elapsedMs() < timeoutMs) {
        if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
            exited = true;
            break;
        }
        if (visibleMs < 0) {
            LaunchedWindow search { created.dwProcessId, nullptr };
            EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found)
                visibleMs = elapsedMs();
        }
        if (shownMs < 0 && GetPixel(screen.Get(), x, y) == wanted)
            shownMs = elapsedMs();
        if (visibleMs >= 0 && shownMs >= 0)
            break;
        Sleep(1);
    }
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), kSendTimeoutMs);

    Json json;
    json.open('{').key("ok").boolean(visibleMs >= 0 && shownMs >= 0).key("pid").num(created.dwProcessId);
    json.key("visible_ms").raw(std::to_string(visibleMs)).key("shown_ms").raw(std::to_string(shownMs));
    json.key("exited").boolean(exited).key("pixel_before").num(before).key("pixel_wanted").num(wanted).close('}').print();
    return visibleMs >= 0 && shownMs >= 0 ? 0 : 1;
}

// Message-only windows are invisible to EnumWindows; FindWindowEx walks them.
HWND FindMessageWindow(DWORD pid, const wchar_t* className)
{
    for (HWND hwnd = FindWindowExW(HWND_MESSAGE, nullptr, className, nullptr); hwnd;
         hwnd = FindWindowExW(HWND_MESSAGE, hwnd, className, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == pid)
            return hwnd;
    }
    return nullptr;
}

int CopyData(DWORD pid, const wchar_t* className, const std::wstring& text)
{
    HWND hwnd = FindMessageWindow(pid, className);
    if (!hwnd)
        return Fail("no such message-only window", ERROR_INVALID_WINDOW_HANDLE);
    COPYDATASTRUCT data {};
    data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(text.data());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return Fail("SendMessageTimeout");
    Json json;
    json.open('{').key("ok").boolean(true).key("hwnd").num(FromHwnd(hwnd)).key("result").num(static_cast<long long>(result)).close('}').print();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    long long n[4] {};
    auto numbers = [&](int count) {
        if (argc != 2 + count)
            return false;
        for (int i = 0; i < count; ++i)
            if (!ParseNumber(argv[2 + i], n[i]))
                return false;
        return true;
    };

    if (command == L"pids" && argc == 3)
        return Pids(argv[2]);
    if (command == L"windows" && numbers(1))
        return Windows(static_cast<DWORD>(n[0]));
    if ((command == L"send" || command == L"post") && numbers(4))
        return Message(command == L"send", ToHwnd(n[0]), n[1], n[2], n[3]);
    if (command == L"click" && numbers(1))
        return Message(false, ToHwnd(n[0]), BM_CLICK, 0, 0);
    if (command == L"pixel" && numbers(2))
        return Pixel(static_cast<int>(n[0]), static_cast<int>(n[1]));
    if (command == L"wait" && numbers(2))
        return Wait(static_cast<DWORD>(n[0]), static_cast<DWORD>(n[1]));
    if (command == L"kill" && numbers(1))
        return Kill(static_cast<DWORD>(n[0]), 1);
    if (command == L"kill" && numbers(2))
        return Kill(static_cast<DWORD>(n[0]), static_cast<UINT>(n[1]));
    if (command == L"foreground" && numbers(1))
        return Foreground(ToHwnd(n[0]));
    if (command == L"workarea" && argc == 2)
        return WorkArea();
    if (command == L"copydata" && argc == 5 && ParseNumber(argv[2], n[0]))
        return CopyData(static_cast<DWORD>(n[0]), argv[3], argv[4]);
    if (command == L"active" && argc == 2)
        return Active();
    if (command == L"show" && numbers(2))
        return Show(ToHwnd(n[0]), static_cast<int>(n[1]));
    if (command == L"hold-hotkey" && numbers(2))
        return HoldHotKey(static_cast<UINT>(n[0]), static_cast<DWORD>(n[1]));
    if (command == L"launch-time" && argc >= 7) {
        long long timeout = 0, x = 0, y = 0;
        if (!ParseNumber(argv[2], timeout) || !ParseNumber(argv[3], x) || !ParseNumber(argv[4], y))
            return Usage();
        return LaunchTime(static_cast<DWORD>(timeout), static_cast<int>(x), static_cast<int>(y), argv[5], argc - 6, argv + 6);
    }
    return Usage();
}
