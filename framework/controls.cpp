#include "framework/controls.h"

#include "framework/app.h"

bool CButton::OnReflectedMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

CToolTipCtrl::~CToolTipCtrl()
{
    if (m_hWnd) {
        HWND window = Detach();
        ::DestroyWindow(window);
    }
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    HWND window = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr, ResourceModule(), nullptr);
    return window && SubclassWindow(window);
}

BOOL CToolTipCtrl::AddTool(HWND tool, const wchar_t* text)
{
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND; // the owner relays the mouse messages (RelayEvent)
    info.hwnd = ::GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<wchar_t*>(text);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}
