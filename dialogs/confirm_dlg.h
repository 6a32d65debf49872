// The skinned yes/no question asked before quitting or giving up the game to choose a server.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "skin/png_button.h"

class CConfirmDlg : public CDialogEx {
public:
    static constexpr UINT IDD = 172;
    enum Mode { kModeQuit = 0, kModeChooseServer = 1 };

    // The parent is not used: the modal dialog takes the default owner.
    explicit CConfirmDlg(CWnd* parent = nullptr);
    ~CConfirmDlg() override;

    int m_nMode = kModeQuit;
    CPngButton m_btnOK;
    CPngButton m_btnCancel;
    CBitmap m_bmpBackground;
    CStatic m_stcTitle;
    CStatic m_stcPrompt;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;

    BEGIN_MSG_MAP(CConfirmDlg, CDialogEx)
        ON_COMMAND(kOkButton, OnOkButton)
        ON_COMMAND(kCancelButton, OnCancelButton)
        ON_WM_PAINT()
        ON_WM_CTLCOLOR()
    END_MSG_MAP()

    static constexpr int kTitle = 1002;
    static constexpr int kPrompt = 1003;
    static constexpr int kOkButton = 1008;
    static constexpr int kCancelButton = 1009;

    void OnOkButton() { EndDialog(IDOK); }
    void OnCancelButton() { EndDialog(IDCANCEL); }
    void OnPaint();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

private:
    CFont m_fontTitle;
};

// Copies what the dialog shows under a label into the label's DC, so its text can be drawn on the
// dialog's own picture (used with a null brush and a transparent background mode).
void CopyParentBackground(HWND dialog, HWND label, HDC labelDC);
