// The login page overlay: a colour-keyed window over the backdrop carrying the login page's
// browser and the minimise and close buttons.
#pragma once

#include "browser/web_browser.h"
#include "framework/dialog.h"
#include "framework/event_sink.h"
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
    CWebBrowser2 m_browser;
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

    BEGIN_EVENTSINK_MAP(CLoginActiveDlg)
        ON_EVENT(kBrowser, CWebBrowser2::kDocumentComplete, OnDocumentComplete)
        ON_EVENT(kBrowser, CWebBrowser2::kNavigateComplete2, OnNavigateComplete2)
        ON_EVENT(kBrowser, CWebBrowser2::kBeforeNavigate2, OnBeforeNavigate2)
    END_EVENTSINK_MAP()

    static constexpr int kBrowser = 1000;
    static constexpr int kCloseButton = 1005;
    static constexpr int kMinimizeButton = 1006;

public:
    // The login page's navigations: a URL carrying the game-start marker is cancelled here and opened
    // in the game window.
    void OnBeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
        VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
    void OnNavigateComplete2(IDispatch* pDisp, VARIANT* URL);
    void OnDocumentComplete(IDispatch*, VARIANT*) {}

protected:

    void OnMove(int x, int y);
    LRESULT OnNcHitTest(POINT point);
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return m_brushKey; }
    void OnMinimize();
    void OnQuitWithConfirm();
};
