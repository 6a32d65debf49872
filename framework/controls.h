// Thin wrappers of the common controls the launcher's dialogs bind to.
#pragma once

#include "framework/wnd.h"

#include <commctrl.h>

class CButton : public CWnd {
protected:
    // Owner-drawn buttons draw themselves: the owner passes WM_DRAWITEM back to them.
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
};

class CStatic : public CWnd {};

class CToolTipCtrl : public CWnd {
public:
    ~CToolTipCtrl() override;
    BOOL Create(CWnd* parent, DWORD style = 0);
    // A tool that is a whole window, identified by its handle.
    BOOL AddTool(HWND tool, const wchar_t* text);
    void RelayEvent(MSG* message) const { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message)); }
};
