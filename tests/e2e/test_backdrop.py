"""The login backdrop on the screen: its place, styles and picture, dragging it, the keys that do
nothing, Alt+F4, and the quit question on the login screen."""
import pytest
from PIL import Image

from harness import (WS_CAPTION, WS_EX_APPWINDOW, WS_EX_LAYERED, WS_EX_TOOLWINDOW, WS_POPUP, WS_THICKFRAME, focus,
                     key, mouse_click, mouse_drag, wait_until)
from launcher_windows import (BACKDROP_PNG, CONFIRM_CANCEL, CONFIRM_OK, CONFIRM_TITLE, OVERLAY_CLOSE, QUIT_TITLE, answer_confirmation,
                              centre, grab_screen, set_desktop_colour, settled, snapshot, wait_for)

with Image.open(BACKDROP_PNG) as png:
    PICTURE = png.convert("RGBA")
# Points of PNG 155 inside larger areas of one alpha, away from the overlay's browser and buttons.
TRANSPARENT = [(10, 10), (1320, 710), (440, 20), (1320, 400), (600, 30)]
OPAQUE = [(270, 250), (500, 400), (1250, 400), (900, 660), (700, 120)]
DESKTOP = (58, 110, 165)


def expected_rect(work, size=PICTURE.size):
    """Centred in the work area, pushed back inside it, its top-left corner winning."""
    wl, wt, wr, wb = work
    width, height = size
    left, top = (wl + wr) // 2 - width // 2, (wt + wb) // 2 - height // 2
    left, top = min(left, wr - width), min(top, wb - height)
    left, top = max(left, wl), max(top, wt)
    return left, top, left + width, top + height


@pytest.fixture
def login(launcher, driver):
    """A launcher on its login screen: (app, backdrop, overlay)."""
    app = launcher()
    wait_for(app, "overlay")
    windows = settled(app)
    return app, windows.backdrop, windows.overlay


@pytest.fixture
def coloured_desktop():
    """A desktop of a colour no launcher window uses, so that what shows through can be told apart."""
    set_desktop_colour(DESKTOP)
    yield DESKTOP
    set_desktop_colour((0, 0, 0))


def test_backdrop_is_a_centred_layered_captionless_popup_under_its_overlay(login, driver):
    app, backdrop, overlay = login
    work, _ = driver.workarea()

    assert backdrop.rect == expected_rect(work)
    assert backdrop.text == "Qarvelo"
    assert backdrop.style & WS_POPUP
    assert not backdrop.style & (WS_CAPTION | WS_THICKFRAME)
    # Layered for its per-pixel alpha; a taskbar button of its own.
    assert backdrop.exstyle & WS_EX_LAYERED
    assert backdrop.exstyle & WS_EX_APPWINDOW and not backdrop.exstyle & WS_EX_TOOLWINDOW
    assert overlay.owner == backdrop.hwnd
    assert overlay.rect == backdrop.rect


def test_transparent_pixels_show_the_desktop_and_opaque_ones_the_picture(coloured_desktop, launcher, driver):
    work, _ = driver.workarea()
    left, top, _, _ = expected_rect(work)
    on_screen = lambda p: (left + p[0], top + p[1])  # noqa: E731
    before = grab_screen()
    assert all(before.getpixel(on_screen(p)) == coloured_desktop for p in TRANSPARENT + OPAQUE)
    assert all(PICTURE.getpixel(p)[:3] != coloured_desktop for p in OPAQUE)

    app = launcher()
    wait_for(app, "overlay")
    assert settled(app).backdrop.rect[:2] == (left, top)
    picture = lambda p: PICTURE.getpixel(p)[:3]  # noqa: E731
    screen = wait_until(lambda: (s := grab_screen()) and all(s.getpixel(on_screen(p)) == picture(p) for p in OPAQUE)
                        and s, 10, "the picture on the screen")

    assert {p: screen.getpixel(on_screen(p)) for p in TRANSPARENT} == {p: coloured_desktop for p in TRANSPARENT}
    assert {p: screen.getpixel(on_screen(p)) for p in OPAQUE} == {p: picture(p) for p in OPAQUE}


def test_dragging_a_visible_pixel_moves_backdrop_and_overlay(login):
    app, backdrop, _ = login
    grip = backdrop.rect[0] + 270, backdrop.rect[1] + 250  # the knight, well inside the picture
    dx, dy = -120, 80

    mouse_drag(*grip, grip[0] + dx, grip[1] + dy)

    moved = tuple(v + d for v, d in zip(backdrop.rect, (dx, dy, dx, dy)))
    now = wait_until(lambda: (s := snapshot(app)).backdrop.rect == moved and s, 5, "backdrop at its new place")
    assert now.overlay.rect == moved


@pytest.mark.parametrize("target", ["backdrop", "overlay"])
def test_enter_and_escape_leave_the_login_screen_open(login, target):
    app, backdrop, overlay = login
    before = snapshot(app).state()

    focus(backdrop if target == "backdrop" else overlay)
    key("Return", "Escape")

    # Nothing is supposed to happen, so there is nothing to wait for but a moment.
    with pytest.raises(TimeoutError):
        wait_until(lambda: not app.running or snapshot(app).state() != before, 1.5, "a change")


def test_alt_f4_on_the_backdrop_ends_the_launcher_without_a_question(login):
    app, backdrop, _ = login
    focus(backdrop)
    key("alt+F4")
    app.wait_exit(timeout=10)
    assert app.windows_process_ended()


def test_quit_declined_leaves_every_window_as_it_was(login):
    app, _, overlay = login
    before = snapshot(app).state()

    close = snapshot(app).child(overlay.hwnd, OVERLAY_CLOSE)
    mouse_click(*centre(close.rect))
    answer_confirmation(app, CONFIRM_CANCEL, QUIT_TITLE)

    wait_until(lambda: snapshot(app).state() == before, 5, "every window as before")
    assert app.running


@pytest.mark.parametrize("confirm_by", ["ok_click", "enter"])
def test_quit_confirmed_ends_the_launcher_with_16(login, driver, confirm_by):
    app, _, overlay = login
    mouse_click(*centre(snapshot(app).child(overlay.hwnd, OVERLAY_CLOSE).rect))
    if confirm_by == "ok_click":
        answer_confirmation(app, CONFIRM_OK, QUIT_TITLE)
    else:
        dialog = wait_for(app, "confirmation")
        assert snapshot(app).text(dialog.hwnd, CONFIRM_TITLE) == QUIT_TITLE
        focus(dialog)
        key("Return")

    assert app.wait_exit(timeout=10) == 16
