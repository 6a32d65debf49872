// Placeholder entry point until the application object exists: shows the backdrop template.
#include <windows.h>

static INT_PTR CALLBACK PlaceholderProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(102), nullptr, PlaceholderProc, 0));
}
