// The translucent veil that clears the user's browser cookies and cache on a worker thread.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/handles.h"
#include "res/resource_ids.h"
#include "skin/layered.h"

// Posted by the worker to the dialog when it has finished, both parameters 0.
constexpr UINT WM_CLEANCACHE_DONE = WM_USER + 103;

class CCleanCacheDlg : public CDialogEx {
public:
    static constexpr UINT IDD = resid::kCleanCacheDialog;

    // Asked after every entry a cleaning step has handled, with the entry's path or URL; true ends the step.
    using StopCheck = std::function<bool(const wchar_t* entry)>;
    enum PurgeMode { kOtherEntries = 0, kCookieEntries = 1 };

    // The parent is not used: the modal dialog takes the default owner.
    explicit CCleanCacheDlg(CWnd* parent = nullptr);
    // Stops the worker and waits for it, so it never outlives the members it reads.
    ~CCleanCacheDlg() override;

    // Deletes the URL-cache entries of one kind (any other mode deletes nothing). False when the cache
    // could not be enumerated.
    static BOOL PurgeUrlCache(int mode, const StopCheck& stop);
    // Deletes everything inside a folder but the folder itself, files named exactly "desktop.ini", links
    // (never followed, never removed) and read-only files whose data has other names too. False when the
    // folder is not a full path or could not be listed.
    static BOOL DeleteFolderContents(const std::wstring& folder, const StopCheck& stop);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    // Enter, Esc and closing only ask the worker to stop; its report ends the dialog.
    void OnOK() override { m_bCancel = true; }
    void OnCancel() override { m_bCancel = true; }

    BEGIN_MSG_MAP(CCleanCacheDlg, CDialogEx)
        ON_WM_CTLCOLOR()
        ON_WM_PAINT()
        ON_MESSAGE(WM_TIMER, OnStatusTimer)
        ON_MESSAGE(WM_CLEANCACHE_DONE, OnCleanCacheDone)
        ON_MESSAGE(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);
    void OnPaint();
    LRESULT OnStatusTimer(WPARAM, LPARAM);
    LRESULT OnCleanCacheDone(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);

private:
    static unsigned __stdcall CleanCacheThreadProc(void* dialog);
    bool StartWorker();

    CBitmap m_bmpBackground;
    CStatic m_stcStatus;
    unsigned m_nDots = 0;
    CLayeredSkin m_layered;
    CBrush m_brushKey;
    COLORREF m_colorKey = 0;
    ScopedHandle m_hThread;
    std::atomic<bool> m_bCancel{false};
    // Where the worker reports; fixed before it starts, unlike m_hWnd, which goes with the window.
    HWND m_hWndNotify = nullptr;
};
