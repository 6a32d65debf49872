"""The launcher's windows by their roles, the pictures they are drawn from, and the screen as X shows it."""
import subprocess
import tempfile
from io import BytesIO

from PIL import Image

from harness import ROOT, WS_VISIBLE, mouse_click, wait_until

WM_COMMAND = 0x0111
SW_HIDE = 0
IDOK, IDCANCEL = 1, 2
# Game window controls (template 131).
BROWSER, CLOSE, TITLE_LOGO, MINIMISE, FULL_SCREEN, BOSS_KEY, CLEAR_CACHE, REFRESH, CHOOSE_SERVER, MAXIMISE, RESTORE = (
    1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1011)
# Caption buttons: x = client width - from_right, and width; the maximise button lies on the restore button.
CAPTION_BUTTONS = {CLOSE: (32, 30), RESTORE: (61, 29), MAXIMISE: (61, 29), MINIMISE: (90, 29),
                   FULL_SCREEN: (194, 64), BOSS_KEY: (298, 104), CLEAR_CACHE: (383, 85), REFRESH: (463, 80),
                   CHOOSE_SERVER: (526, 61)}
CAPTION_HEIGHT = 30
NORMAL_SIZE = (1000, 700)
# Overlay controls (template 132) and confirmation dialog controls (template 172).
OVERLAY_CLOSE = 1005
CONFIRM_TITLE, CONFIRM_PROMPT, CONFIRM_OK, CONFIRM_CANCEL = 1002, 1003, 1008, 1009
QUIT_TITLE, CHOOSE_SERVER_TITLE = "关闭游戏", "选服"

BACKDROP_PNG = ROOT / "res" / "png" / "155.png"
CAPTION_BMP = ROOT / "res" / "bmp" / "136.bmp"


class Snapshot:
    """All of the launcher's windows at one moment, found by role."""

    def __init__(self, windows):
        self.all = windows

    def children(self, hwnd):
        return [w for w in self.all if w.parent == hwnd]

    def child(self, hwnd, control_id):
        return next((w for w in self.children(hwnd) if w.id == control_id), None)

    def _top(self, accept):
        return next((w for w in self.all if w.toplevel and w.cls == "#32770" and accept(w)), None)

    def _has(self, w, *ids):
        return all(self.child(w.hwnd, i) for i in ids)

    @property
    def backdrop(self):
        return self._top(lambda w: w.owner == 0 and w.text == "Qarvelo")

    @property
    def overlay(self):
        backdrop = self.backdrop
        # The game window, owned by the backdrop too, has controls 1005 and 1006 as well, but also 1001.
        return backdrop and self._top(lambda w: w.owner == backdrop.hwnd and self._has(w, OVERLAY_CLOSE, 1006)
                                      and not self._has(w, CLOSE))

    @property
    def game(self):
        return self._top(lambda w: w.text == "Qarvelo" and self._has(w, CLOSE, RESTORE, MAXIMISE))

    @property
    def confirmation(self):
        def asks(w):
            prompt = self.child(w.hwnd, CONFIRM_PROMPT)
            return w.visible and prompt and prompt.cls == "Static" and self._has(w, CONFIRM_OK, CONFIRM_CANCEL)
        return self._top(asks)

    @property
    def menus(self):
        return [w for w in self.all if w.toplevel and w.visible and w.cls == "#32768"]

    def shown(self, hwnd, control_id):
        """Whether the control is shown within its window, whether that window is shown or not."""
        return bool(self.child(hwnd, control_id).style & WS_VISIBLE)

    def text(self, hwnd, control_id):
        return self.child(hwnd, control_id).text

    def state(self):
        """What must not change when nothing happens: every window's place, size, visibility and
        whether it takes input."""
        return {(w.hwnd, w.cls, w.id): (w.rect, w.visible, w.enabled, w.iconic) for w in self.all}


def snapshot(app):
    return Snapshot(app.windows())


def settled(app, timeout=10.0):
    """A snapshot once two in a row agree. One taken while the launcher is still setting a window up
    can mix states: the driver reads a window's rectangle before its text, and the launcher answers
    the text request from inside its set-up."""
    last = [None]

    def same_twice():
        now = snapshot(app)
        agree = last[0] is not None and now.state() == last[0].state()
        last[0] = now
        return now if agree else None
    return wait_until(same_twice, timeout, "windows at rest", interval=0.1)


def wait_for(app, role, timeout=10.0):
    """The visible window in that role, once there is one."""
    def found():
        if not app.running:
            raise AssertionError(f"launcher exited with {app.proc.returncode} while waiting for its {role}")
        w = getattr(snapshot(app), role)
        return w if w and w.visible else None
    return wait_until(found, timeout, role)


def wait_gone(app, hwnd, what, timeout=10.0):
    wait_until(lambda: all(w.hwnd != hwnd or not w.visible for w in app.windows()), timeout, f"{what} gone")


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def client_rect(child, parent):
    """A child's rectangle relative to its top-level window's client area (borderless: its window)."""
    return (child.rect[0] - parent.rect[0], child.rect[1] - parent.rect[1],
            child.rect[2] - parent.rect[0], child.rect[3] - parent.rect[1])


def answer_confirmation(app, button, expected_title):
    """Clicks a button of the confirmation dialog with the real mouse, on its visible image, after
    checking which question it asks."""
    dialog = wait_for(app, "confirmation")
    assert snapshot(app).text(dialog.hwnd, CONFIRM_TITLE) == expected_title
    # The images are 74 x 26 at the buttons' left edges; the button windows run on under each other.
    x = dialog.rect[0] + (40 if button == CONFIRM_OK else 140) + 37
    y = dialog.rect[1] + 72 + 13
    mouse_click(x, y)
    wait_gone(app, dialog.hwnd, "confirmation dialog")
    return dialog


def grab_screen():
    """The whole X screen as a PIL image."""
    png = subprocess.run(["/usr/bin/import", "-window", "root", "png:-"], check=True, capture_output=True,
                         timeout=20).stdout
    return Image.open(BytesIO(png)).convert("RGB")


def set_desktop_colour(rgb):
    """Fills the X root window, the desktop under every Wine window here, with one colour."""
    with tempfile.NamedTemporaryFile(suffix=".png") as tile:
        Image.new("RGB", (8, 8), rgb).save(tile, "PNG")
        tile.flush()
        # It sets the background and then reports failure for having no window of its own to show:
        # the exit code means nothing here, callers read the screen.
        subprocess.run(["/usr/bin/display", "-window", "root", tile.name], capture_output=True, timeout=20)


def caption_colour(row=15):
    """The caption band's colour in a row: bitmap 136 is a vertical gradient stretched sideways."""
    with Image.open(CAPTION_BMP) as bitmap:
        return bitmap.convert("RGB").getpixel((0, row))
