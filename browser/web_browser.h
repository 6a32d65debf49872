// The window-side handle on a hosted WebBrowser control: its two automation calls and its window.
#pragma once

#include "framework/wnd.h"

#include <oaidl.h>

class CWebBrowser2 : public CWnd {
public:
    static constexpr DISPID kNavigate = 104;
    static constexpr DISPID kRefresh = -550; // DISPID_REFRESH

    // Dispatch ids of the events the launcher's dialogs listen to.
    static constexpr DISPID kBeforeNavigate2 = 250;
    static constexpr DISPID kNavigateComplete2 = 252;
    static constexpr DISPID kDocumentComplete = 259;

    // Both do nothing while the wrapper is not bound to a hosted control.
    void Navigate(const wchar_t* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers);
    void Refresh();

    // Sizes the control through its site, so that the control lays its page out again.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const;

    // Keys for the page go to the control's own accelerator handling first.
    BOOL PreTranslateMessage(MSG* message) override;
};
