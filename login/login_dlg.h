// The login backdrop: the main window, a per-pixel-alpha picture that carries the overlay.
#pragma once

#include <memory>

#include "framework/dialog.h"
#include "skin/layered.h"

class CLoginActiveDlg;

class CLoginDlg : public CDialogEx {
public:
    static constexpr UINT IDD = 102;

    CLoginDlg();
    ~CLoginDlg() override;

    HICON m_hIcon;
    // Which login window leads a move: the last one hit-tested.
    BOOL m_bBackdropLeads = FALSE;
    // The overlay; the application object deletes it once the loop has ended.
    std::unique_ptr<CLoginActiveDlg> m_pActiveDlg;
    CLayeredSkin m_layered;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    BEGIN_MSG_MAP(CLoginDlg, CDialogEx)
        ON_WM_PAINT()
        ON_WM_QUERYDRAGICON()
        ON_WM_CREATE()
        ON_WM_NCHITTEST()
        ON_WM_TIMER()
        ON_WM_MOVE()
        ON_WM_SHOWWINDOW()
        ON_WM_CLOSE()
    END_MSG_MAP()

    void OnPaint();
    HCURSOR OnQueryDragIcon() { return m_hIcon; }
    int OnCreate(CREATESTRUCTW*) { return Default() == -1 ? -1 : 0; }
    LRESULT OnNcHitTest(POINT point);
    void OnTimer(UINT_PTR) {}
    void OnMove(int x, int y);
    void OnShowWindow(BOOL show, UINT status);
    void OnClose() { EndDialog(IDOK); }
};

// Draws the icon centred in a minimised window's client area.
void PaintMinimizedIcon(HWND window, HICON icon);
