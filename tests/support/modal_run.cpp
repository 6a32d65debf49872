#include "tests/support/modal_run.h"

#include "framework/dialog.h"
#include "framework/handles.h"

namespace testsupport {

namespace {

struct ActiveRun {
    CDialogEx* dialog;
    const std::function<void(HWND)>* tick;
    DWORD start;
    DWORD timeoutMs;
    DWORD lastTickMs;
    bool timedOut;
    std::vector<UINT> posted;
};
ActiveRun* g_run = nullptr;

struct HookTraits {
    using Handle = HHOOK;
    static Handle Null() { return nullptr; }
    static void Close(Handle hook) { ::UnhookWindowsHookEx(hook); }
};

LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    ActiveRun* run = g_run;
    if (code == HC_ACTION && removal == PM_REMOVE && run && message->hwnd && message->hwnd == run->dialog->m_hWnd)
        run->posted.push_back(message->message);
    return ::CallNextHookEx(nullptr, code, removal, lParam);
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    ActiveRun* run = g_run;
    if (!run || run->timedOut)
        return;
    run->lastTickMs = ::GetTickCount() - run->start;
    if (run->lastTickMs > run->timeoutMs) {
        run->timedOut = true;
        ::PostQuitMessage(0);
        return;
    }
    if (run->dialog->m_hWnd && *run->tick)
        (*run->tick)(run->dialog->m_hWnd);
}

} // namespace

ModalRun RunModal(CDialogEx& dialog, const std::function<void(HWND)>& tick, DWORD timeoutMs)
{
    ActiveRun run{&dialog, &tick, ::GetTickCount(), timeoutMs, 0, false, {}};
    ActiveRun* outer = g_run;
    g_run = &run;
    ModalRun result;
    {
        UniqueHandle<HookTraits> hook(::SetWindowsHookExW(WH_GETMESSAGE, OnGetMessage, nullptr, ::GetCurrentThreadId()));
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, OnTick);
        result.result = dialog.DoModal();
        result.elapsedMs = ::GetTickCount() - run.start;
        ::KillTimer(nullptr, timer);
    }
    g_run = outer;
    result.posted = std::move(run.posted);
    result.timedOut = run.timedOut;
    result.lastTickMs = run.lastTickMs;
    if (run.timedOut)
        DrainQuit();
    return result;
}

bool DrainQuit()
{
    MSG message;
    bool drained = false;
    while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        drained = true;
    return drained;
}

} // namespace testsupport
