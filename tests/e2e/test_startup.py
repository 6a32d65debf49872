"""The launcher comes up with its backdrop window and goes away on WM_CLOSE."""
from harness import WM_CLOSE, WS_BORDER, WS_CAPTION, WS_EX_APPWINDOW, WS_POPUP, WS_THICKFRAME


def is_backdrop(w):
    # The main window: the launcher's only top-level dialog that no other window owns.
    return w.toplevel and w.visible and w.owner == 0 and w.cls == "#32770"


def test_backdrop_shows_as_frameless_popup_and_closes(launcher, driver):
    app = launcher()
    backdrop = app.wait_window(is_backdrop, what="visible backdrop")

    assert backdrop.style & WS_POPUP
    assert not backdrop.style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME)
    assert backdrop.exstyle & WS_EX_APPWINDOW
    # Without a frame the client area is the whole window.
    assert backdrop.client_size == backdrop.size
    assert min(backdrop.size) > 0
    _, (screen_w, screen_h) = driver.workarea()
    left, top, right, bottom = backdrop.rect
    assert 0 <= left and 0 <= top and right <= screen_w and bottom <= screen_h, backdrop.rect

    driver.post(backdrop.hwnd, WM_CLOSE)
    app.wait_exit(timeout=10)
    assert app.windows_process_ended()
