// bare_dialog: the baseline for start-up timings. A plain system dialog the backdrop's size, centred
// in the work area, built from an in-memory template; it ends on WM_CLOSE.
#include <windows.h>

namespace {

constexpr int kWidth = 1334;
constexpr int kHeight = 725;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        RECT work {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        MoveWindow(dialog, (work.left + work.right) / 2 - kWidth / 2, (work.top + work.bottom) / 2 - kHeight / 2,
            kWidth, kHeight, FALSE);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // DLGTEMPLATE, then empty menu and class, the title, and no items.
    struct alignas(4) Template {
        DLGTEMPLATE header;
        WORD menu;
        WORD windowClass;
        wchar_t title[5];
    };
    Template dialog {};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    dialog.header.cx = 100;
    dialog.header.cy = 100;
    lstrcpyW(dialog.title, L"bare");
    DialogBoxIndirectParamW(instance, &dialog.header, nullptr, DialogProc, 0);
    return 0;
}
