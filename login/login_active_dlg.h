// The login page overlay: a colour-keyed window over the backdrop carrying the login page's
// browser and the minimise and close buttons.
#pragma once

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "skin/layered.h"
#include "skin/png_button.h"

class CLoginDlg;

class CLoginActiveDlg : public CDialogEx {
public:
    static constexpr UINT IDD = 132;
    static constexpr COLORREF kColorKey = RGB(255, 255, 0);

    explicit CLoginActiveDlg(CLoginDlg* owner);
    ~CLoginActiveDlg() override;

    CLayeredSkin m_layered;
    CBrush m_brushKey;
    COLORREF m_colorKey = kColorKey;
    CLoginDlg* m_pOwner;
    CPngButton m_btnMinimize;
    CPngButton m_btnClose;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void InitImageButtons();
    void OnOK() override {}
    void OnCancel() override {}

    BEGIN_MSG_MAP(CLoginActiveDlg, CDialogEx)
        ON_WM_MOVE()
        ON_WM_NCHITTEST()
        ON_WM_CTLCOLOR()
        ON_COMMAND(kMinimizeButton, OnMinimize)
        ON_COMMAND(kCloseButton, OnQuitWithConfirm)
    END_MSG_MAP()

    static constexpr int kCloseButton = 1005;
    static constexpr int kMinimizeButton = 1006;

    void OnMove(int x, int y);
    LRESULT OnNcHitTest(POINT point);
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return m_brushKey; }
    void OnMinimize();
    void OnQuitWithConfirm();
};
