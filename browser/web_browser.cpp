#include "browser/web_browser.h"

#include "framework/occ.h"

void CWebBrowser2::Navigate(const wchar_t* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
    VARIANT* headers)
{
    COleControlSite* site = GetControlSite();
    if (!site)
        return;
    BSTR urlString = ::SysAllocString(url ? url : L"");
    // Arguments go in reverse order: headers first, the URL last.
    VARIANTARG args[5];
    VARIANT* optional[4] = {headers, postData, targetFrameName, flags};
    for (int i = 0; i < 4; ++i) {
        ::VariantInit(&args[i]);
        args[i].vt = VT_BYREF | VT_VARIANT;
        args[i].pvarVal = optional[i];
    }
    ::VariantInit(&args[4]);
    args[4].vt = VT_BSTR;
    args[4].bstrVal = urlString;
    DISPPARAMS params{args, nullptr, 5, 0};
    site->InvokeControl(kNavigate, DISPATCH_METHOD, params, nullptr);
    ::SysFreeString(urlString);
}

void CWebBrowser2::Refresh()
{
    COleControlSite* site = GetControlSite();
    if (!site)
        return;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    site->InvokeControl(kRefresh, DISPATCH_METHOD, none, nullptr);
}

void CWebBrowser2::MoveWindow(int x, int y, int width, int height, BOOL repaint) const
{
    if (COleControlSite* site = GetControlSite()) {
        site->SetObjectRects(RECT{x, y, x + width, y + height});
        return;
    }
    CWnd::MoveWindow(x, y, width, height, repaint);
}

BOOL CWebBrowser2::PreTranslateMessage(MSG* message)
{
    COleControlSite* site = GetControlSite();
    if (site && message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST)
        return site->TranslateAccelerator(message);
    return FALSE;
}
