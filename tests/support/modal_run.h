// Drives a modal dialog from inside its own loop, with a bound on how long it may run.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

class CDialogEx;

namespace testsupport {

struct ModalRun {
    INT_PTR result = -1;
    DWORD elapsedMs = 0;
    // When the loop last ran a tick, from the start: how long it went on before it ended. Hiding a window
    // takes Wine up to 2 s without a window manager, which elapsedMs includes.
    DWORD lastTickMs = 0;
    bool timedOut = false;
    // The posted messages the loop took for the dialog's window, in order.
    std::vector<UINT> posted;
};

// Runs dialog.DoModal(), calling tick(window) about every 20 ms once the dialog's window exists. After
// timeoutMs a quit message ends the loop and the run counts as timed out; that quit is drained again.
ModalRun RunModal(CDialogEx& dialog, const std::function<void(HWND)>& tick, DWORD timeoutMs);

// Removes a quit message waiting in this thread's queue (the framework's loops post it again so that
// outer loops end too). True when there was one.
bool DrainQuit();

} // namespace testsupport
