// The game window: a skinned popup with its own caption bar over the game page's browser, three
// display modes, the boss key, the tray icon and the game commands.
#pragma once

#include <memory>

#include "browser/web_browser.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/event_sink.h"
#include "framework/gdi.h"
#include "skin/png_button.h"

#include <shellapi.h>

constexpr UINT WM_TRAYNOTIFY = WM_USER + 101;

class CGameDialog : public CDialogEx {
public:
    static constexpr UINT IDD = 131;
    enum DisplayMode { DISPLAY_FULLSCREEN = 0, DISPLAY_MAXIMIZED = 1, DISPLAY_NORMAL = 2 };
    static constexpr int kCaptionHeight = 30;
    static constexpr UINT kTrayIconId = 128;

    // Control and command ids.
    enum : int {
        kBrowser = 1000,
        kClose = 1001,
        kTitleLogo = 1002,
        kMinimize = 1003,
        kFullScreen = 1004,
        kBossKey = 1005,
        kClearCache = 1006,
        kRefresh = 1007,
        kChooseServer = 1008,
        kMaximize = 1009,
        kRestore = 1011,
        kTrayQuit = 1013,
    };

    CGameDialog();
    ~CGameDialog() override;

    BOOL PreTranslateMessage(MSG* message) override;

    // Places the nine caption buttons from the client width, right to left, and repaints.
    void LayoutCaptionBar();
    // Entry steps of the current display mode: caption controls, window and browser rectangles.
    void ApplyDisplayMode();
    void ToggleMaximized();
    void ToggleFullScreen();
    // The boss key's toggle: hides a visible game window, shows a hidden one.
    void ToggleVisible();

    int m_nBossHotKeyId = 1001;
    int m_nFullScreenHotKeyId = 1002;
    int m_nDisplayMode = DISPLAY_MAXIMIZED;
    NOTIFYICONDATAW m_nid{};
    CBitmap m_bmpCaption;
    // The title logo's picture: the static control shows it but does not own it.
    CBitmap m_bmpTitle;
    HICON m_hIcon;
    CWebBrowser2 m_browser;
    CPngButton m_btnClose;
    CPngButton m_btnRestore;
    CPngButton m_btnMinimize;
    CPngButton m_btnFullScreen;
    CPngButton m_btnBossKey;
    CPngButton m_btnRefresh;
    CPngButton m_btnServer;
    CPngButton m_btnClearCache;
    CPngButton m_btnMaximize;
    std::unique_ptr<CToolTipCtrl> m_pToolTip;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    BEGIN_MSG_MAP(CGameDialog, CDialogEx)
        ON_COMMAND(kClose, OnQuitWithConfirm)
        ON_COMMAND(kTrayQuit, OnQuitWithConfirm)
        ON_COMMAND(kMaximize, ToggleMaximized)
        ON_COMMAND(kRestore, ToggleMaximized)
        ON_COMMAND(kMinimize, OnMinimize)
        ON_COMMAND(kFullScreen, OnFullScreen)
        ON_COMMAND(kBossKey, OnBossKey)
        ON_COMMAND(kClearCache, OnClearCache)
        ON_COMMAND(kRefresh, OnRefresh)
        ON_COMMAND(kChooseServer, OnChooseServer)
        ON_MESSAGE(WM_TRAYNOTIFY, OnTrayNotify)
        ON_MESSAGE(TaskbarCreatedMessage(), OnTaskbarCreated)
        ON_WM_CLOSE()
        ON_WM_HOTKEY()
        ON_WM_PAINT()
        ON_WM_SIZE()
        ON_WM_LBUTTONDBLCLK()
        ON_WM_LBUTTONDOWN()
    END_MSG_MAP()

    BEGIN_EVENTSINK_MAP(CGameDialog)
        ON_EVENT(kBrowser, CWebBrowser2::kNavigateComplete2, OnNavigateComplete2)
    END_EVENTSINK_MAP()

public:
    void OnNavigateComplete2(IDispatch*, VARIANT*);

protected:
    void OnQuitWithConfirm();
    void OnMinimize() { ShowWindow(SW_MINIMIZE); }
    void OnFullScreen();
    void OnBossKey() { ToggleVisible(); }
    void OnClearCache();
    void OnRefresh() { m_browser.Refresh(); }
    void OnChooseServer();
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    LRESULT OnTaskbarCreated(WPARAM, LPARAM);
    void OnClose();
    void OnHotKey(int id, UINT modifiers, UINT virtualKey);
    void OnPaint();
    void OnSize(UINT type, int width, int height);
    void OnLButtonDblClk(UINT flags, POINT point);
    void OnLButtonDown(UINT flags, POINT point);

private:
    static UINT TaskbarCreatedMessage();
    void SetUpCaptionBar();
    void LoadCaptionImages();
    void ShowCaptionControls(int command);
    void ApplyNormalGeometry();
    void ApplyMaximizedGeometry();
    void ApplyFullScreenGeometry();
    void AddTrayIcon();
    void ShowTrayMenu();
};
