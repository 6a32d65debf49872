#include "dialogs/confirm_dlg.h"

namespace {

constexpr UINT kBackgroundBitmap = 177;
constexpr UINT kOkStrip = 175;
constexpr UINT kCancelStrip = 176;

struct ModeTexts {
    const wchar_t* title;
    const wchar_t* prompt;
};

const ModeTexts kQuitTexts{L"关闭游戏", L"确定要退出游戏吗?"};
const ModeTexts kChooseServerTexts{L"选服", L"是否退出当前游戏，重新选择新服务器?"};

} // namespace

CConfirmDlg::CConfirmDlg(CWnd*) : CDialogEx(IDD) {}

CConfirmDlg::~CConfirmDlg() { m_bmpBackground.DeleteObject(); }

void CConfirmDlg::DoDataExchange()
{
    DDX_Control(kOkButton, m_btnOK);
    DDX_Control(kCancelButton, m_btnCancel);
    DDX_Control(kTitle, m_stcTitle);
    DDX_Control(kPrompt, m_stcPrompt);
}

BOOL CConfirmDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    m_bmpBackground.LoadBitmap(kBackgroundBitmap);
    StartGdiPlusFor(m_btnOK);
    m_btnOK.SetImage(kOkStrip);
    StartGdiPlusFor(m_btnCancel);
    // Loaded second, so the Cancel button lies above the OK button where the two overlap.
    m_btnCancel.SetImage(kCancelStrip);

    MoveWindow(0, 0, 256, 110, TRUE);
    CenterWindow();
    m_btnOK.MoveWindow(40, 72, 256, 26, TRUE);
    m_btnCancel.MoveWindow(140, 72, 256, 26, TRUE);

    m_fontTitle.CreatePointFont(120, L"Arial");
    m_stcTitle.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle.Get()), TRUE);
    const ModeTexts* texts = m_nMode == kModeQuit ? &kQuitTexts : m_nMode == kModeChooseServer ? &kChooseServerTexts : nullptr;
    if (texts) {
        m_stcTitle.SetWindowText(texts->title);
        m_stcPrompt.SetWindowText(texts->prompt);
    }
    m_stcTitle.MoveWindow(79, 10, 100, 30, TRUE);
    m_stcPrompt.MoveWindow(28, 34, 200, 66, TRUE);
    return TRUE;
}

void CConfirmDlg::OnPaint()
{
    if (IsIconic())
        return;
    CPaintDC dc(m_hWnd);
    StretchBitmap(dc.Get(), m_bmpBackground, GetClientRect());
}

void CopyParentBackground(HWND dialog, HWND label, HDC labelDC)
{
    RECT rect{};
    ::GetWindowRect(label, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    WindowDC dialogDC(dialog);
    ::BitBlt(labelDC, 0, 0, Width(rect), Height(rect), dialogDC.Get(), rect.left, rect.top, SRCCOPY);
}

HBRUSH CConfirmDlg::OnCtlColor(HDC dc, HWND control, UINT kind)
{
    HBRUSH brush = CDialogEx::OnCtlColor(dc, control, kind);
    const int id = ::GetDlgCtrlID(control);
    if (id != kTitle && id != kPrompt)
        return brush;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    CopyParentBackground(m_hWnd, control, dc);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}
