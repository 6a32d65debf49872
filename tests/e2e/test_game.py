"""The game window under real input: its caption band, F10 and F11 from the keyboard, the tray icon
and its menu, the keys and commands that leave it as it is, a hot key another program holds, the
questions before quitting and choosing another server.

The game starts with the launcher whose login URL carries the game-start marker (Qarvelo_marker.exe).
"""
import pytest

from harness import (MARKER_EXE, WM_CLOSE, WS_EX_APPWINDOW, WS_EX_TOOLWINDOW, HotKeyHolder, focus, key, mouse_click,
                     mouse_drag, mouse_move, tray_icon_point, tray_window, wait_until, xdotool)
from launcher_windows import (BOSS_KEY, BROWSER, CAPTION_BUTTONS, CAPTION_HEIGHT, CHOOSE_SERVER, CHOOSE_SERVER_TITLE,
                              CLOSE, CONFIRM_CANCEL, CONFIRM_OK, IDCANCEL, IDOK, MAXIMISE, NORMAL_SIZE,
                              QUIT_TITLE, REFRESH, RESTORE, SW_HIDE, TITLE_LOGO, WM_COMMAND, answer_confirmation,
                              caption_colour, centre, client_rect, grab_screen, settled, snapshot, wait_for)

VK_F10, VK_F11 = 0x79, 0x7A
ERROR_HOTKEY_ALREADY_REGISTERED = 1409
TTM_GETTOOLCOUNT = 0x040D
FULL, MAXIMISED, NORMAL = "full screen", "maximised", "normal"


class Game:
    """A launcher with its game window open and its login windows hidden."""

    def __init__(self, app, driver):
        self.app = app
        self.driver = driver
        self.work, self.screen = driver.workarea()

    def windows(self):
        return settled(self.app)

    @property
    def window(self):
        return self.windows().game

    def control(self, control_id, windows=None):
        windows = windows or self.windows()
        return windows.child(windows.game.hwnd, control_id)

    def click(self, control_id):
        mouse_click(*centre(self.control(control_id).rect))

    def command(self, command_id):
        self.driver.post(self.window.hwnd, WM_COMMAND, command_id)

    def mode(self, windows=None):
        windows = windows or self.windows()
        shown = lambda i: windows.shown(windows.game.hwnd, i)  # noqa: E731
        if not shown(CLOSE):
            return FULL
        return NORMAL if shown(MAXIMISE) else MAXIMISED

    def wait_mode(self, mode, visible=True):
        def reached():
            windows = self.windows()
            return windows.game.visible == visible and self.mode(windows) == mode and windows
        return wait_until(reached, 10, f"the game window {'shown' if visible else 'hidden'} {mode}")

    def normal_rect(self):
        wl, wt, wr, wb = self.work
        width, height = NORMAL_SIZE
        left, top = (wl + wr) // 2 - width // 2, (wt + wb) // 2 - height // 2
        return left, top, left + width, top + height

    def expect_mode(self, mode, windows=None):
        """The game window's and the browser's rectangles and the caption controls of the mode."""
        windows = windows or self.windows()
        game = windows.game
        assert self.mode(windows) == mode
        browser = client_rect(self.control(BROWSER, windows), game)
        work_size = self.work[2] - self.work[0], self.work[3] - self.work[1]
        if mode == FULL:
            assert game.rect == (0, 0, *self.screen)
            assert browser == (0, 0, *self.screen)
            assert not any(windows.shown(game.hwnd, i) for i in [TITLE_LOGO, *CAPTION_BUTTONS])
            return
        if mode == MAXIMISED:
            assert game.rect == (0, 0, *work_size)
            assert browser == (0, CAPTION_HEIGHT, *work_size)
        else:
            assert game.rect == self.normal_rect()
            assert browser == (0, CAPTION_HEIGHT, *NORMAL_SIZE)
        width = game.rect[2] - game.rect[0]
        for control_id, (from_right, button_width) in CAPTION_BUTTONS.items():
            button = self.control(control_id, windows)
            assert client_rect(button, game) == (width - from_right, 0, width - from_right + button_width,
                                                 CAPTION_HEIGHT), control_id
            assert windows.shown(game.hwnd, control_id) == (control_id != (RESTORE if mode == NORMAL else MAXIMISE))
        assert windows.shown(game.hwnd, TITLE_LOGO)

    def band_point(self, x=300):
        """A point of the caption band between the title logo and the leftmost button."""
        left, top = self.window.rect[:2]
        return left + x, top + CAPTION_HEIGHT // 2


@pytest.fixture
def start_game(launcher, driver):
    def start():
        # Our icon must be the first in the tray: icons of programs that ended go within seconds.
        wait_until(lambda: tray_window() is None, 10, "an empty notification area")
        app = launcher(exe=MARKER_EXE)
        wait_for(app, "game")
        wait_for(app, "overlay")
        # The marker is the overlay's very first navigation, so the game starts while the backdrop is
        # still being set up, and the dialog manager shows the backdrop afterwards. Hide it, as the
        # game start does when the page starts the game later.
        driver.show(settled(app).backdrop.hwnd, SW_HIDE)
        windows = wait_until(lambda: not (s := snapshot(app)).backdrop.visible and not s.overlay.visible and s, 10,
                             "the login windows hidden")
        driver.foreground(windows.game.hwnd)
        return Game(app, driver)
    return start


@pytest.fixture
def game(start_game):
    return start_game()


def focus_tray():
    """X focus on a Wine window that is not the launcher's: hot keys work from any of them."""
    xdotool("windowfocus", "--sync", tray_window()[0])


def test_game_window_opens_maximised_with_its_caption_bar_keys_and_icon(game, driver):
    windows = game.windows()
    game.expect_mode(MAXIMISED, windows)
    assert windows.game.text == "Qarvelo"
    assert windows.game.exstyle & WS_EX_APPWINDOW and not windows.game.exstyle & WS_EX_TOOLWINDOW
    # No page completes its navigation without an HTML engine: the browser stays hidden meanwhile.
    assert not game.control(BROWSER, windows).visible
    tips = next(w for w in windows.all if w.cls == "tooltips_class32" and w.owner == windows.game.hwnd)
    assert driver.send(tips.hwnd, TTM_GETTOOLCOUNT) == 4
    for vk in (VK_F10, VK_F11):
        assert driver.hotkey_registration(vk) == (False, ERROR_HOTKEY_ALREADY_REGISTERED)
    assert tray_window()


def test_caption_band_double_click_toggles_and_only_the_normal_window_drags(game):
    before = game.window.rect
    mouse_drag(*game.band_point(), *(v + 100 for v in game.band_point()))
    assert game.window.rect == before

    mouse_click(*game.band_point(), repeat=2)
    game.expect_mode(NORMAL, game.wait_mode(NORMAL))

    start = game.band_point()
    mouse_drag(*start, start[0] - 200, start[1] + 60)
    left, top, right, bottom = game.normal_rect()
    moved = wait_until(lambda: (r := game.window.rect) != (left, top, right, bottom) and r, 5, "the window moved")
    assert moved == (left - 200, top + 60, right - 200, bottom + 60)
    # The title logo lets the press through to the band.
    logo = centre(game.control(TITLE_LOGO).rect)
    mouse_drag(*logo, logo[0] + 50, logo[1] + 40)
    moved_again = wait_until(lambda: (r := game.window.rect) != moved and r, 5, "the window moved by its logo")
    assert moved_again == (left - 150, top + 100, right - 150, bottom + 100)

    mouse_click(*game.band_point(), repeat=2)
    game.expect_mode(MAXIMISED, game.wait_mode(MAXIMISED))


def test_f11_toggles_full_screen_and_f10_hides_and_shows_from_the_keyboard(game):
    focus(game.window)
    key("F11")
    game.expect_mode(FULL, game.wait_mode(FULL))
    key("F11")
    game.expect_mode(MAXIMISED, game.wait_mode(MAXIMISED))

    key("F10")
    game.wait_mode(MAXIMISED, visible=False)
    focus_tray()
    key("F11")
    hidden = game.windows()
    assert not hidden.game.visible and game.mode(hidden) == MAXIMISED
    key("F10")
    game.expect_mode(MAXIMISED, game.wait_mode(MAXIMISED))


def test_tray_icon_double_click_toggles_and_its_menu_asks_before_quitting(game):
    game.command(RESTORE)  # a normal window leaves the tray at the top left uncovered
    game.wait_mode(NORMAL)
    icon = tray_icon_point()

    mouse_click(*icon)
    with pytest.raises(TimeoutError):
        wait_until(lambda: not snapshot(game.app).game.visible, 1.0, "the window hidden by a single click")
    mouse_click(*icon, repeat=2)
    game.wait_mode(NORMAL, visible=False)
    mouse_click(*icon, repeat=2)
    game.wait_mode(NORMAL)

    # Dismissed, the menu does nothing.
    mouse_click(*icon, button=3)
    wait_until(lambda: snapshot(game.app).menus, 5, "the icon's menu")
    key("Escape")
    wait_until(lambda: not snapshot(game.app).menus, 5, "the menu gone")
    assert snapshot(game.app).confirmation is None

    # Its one item, at the cursor, asks the quit question.
    mouse_click(*icon, button=3)
    menu = wait_until(lambda: snapshot(game.app).menus, 5, "the icon's menu")[0]
    assert menu.rect[:2] == icon
    mouse_click(*centre(menu.rect))
    answer_confirmation(game.app, CONFIRM_CANCEL, QUIT_TITLE)
    windows = game.wait_mode(NORMAL)
    assert windows.game.enabled and game.app.running


def test_enter_escape_ok_cancel_and_refresh_leave_the_game_window_as_it_is(game):
    before = game.windows().state()
    focus(game.window)
    key("Return", "Escape")
    for command in (IDOK, IDCANCEL, REFRESH):
        game.command(command)
    game.click(REFRESH)
    mouse_move(*game.band_point())  # off the button, so that it draws as before

    with pytest.raises(TimeoutError):
        wait_until(lambda: game.windows().state() != before, 1.5, "a change")
    assert game.windows().confirmation is None


def test_f10_taken_by_another_program_leaves_the_button_the_icon_and_f11_working(start_game, driver):
    with HotKeyHolder(VK_F10) as holder:
        assert holder.registered
        game = start_game()
        assert driver.hotkey_registration(VK_F11) == (False, ERROR_HOTKEY_ALREADY_REGISTERED)

        focus(game.window)
        key("F10")  # the holder's, not the launcher's
        key("F11")
        game.expect_mode(FULL, game.wait_mode(FULL))
        key("F11")
        game.wait_mode(MAXIMISED)

        game.click(BOSS_KEY)
        game.wait_mode(MAXIMISED, visible=False)
        mouse_click(*tray_icon_point(), repeat=2)
        game.expect_mode(MAXIMISED, game.wait_mode(MAXIMISED))
        assert holder.release() == 1


@pytest.mark.parametrize("close_by", ["wm_close", "alt_f4"])
def test_closing_the_game_window_asks_and_releases_nothing(game, driver, close_by):
    if close_by == "wm_close":
        driver.post(game.window.hwnd, WM_CLOSE)
    else:
        focus(game.window)
        key("alt+F4")
    answer_confirmation(game.app, CONFIRM_CANCEL, QUIT_TITLE)

    game.expect_mode(MAXIMISED, game.wait_mode(MAXIMISED))
    assert driver.hotkey_registration(VK_F10) == (False, ERROR_HOTKEY_ALREADY_REGISTERED)
    assert tray_window()
    # The keys still work, and the band is painted again from its picture when the window comes back.
    focus(game.window)
    key("F10")
    game.wait_mode(MAXIMISED, visible=False)
    focus_tray()
    key("F10")
    game.wait_mode(MAXIMISED)
    band = game.band_point(600)
    wait_until(lambda: grab_screen().getpixel(band) == caption_colour(band[1] - game.window.rect[1]), 5,
               "the caption band painted")


def test_choose_server_cancelled_keeps_the_game_and_confirmed_returns_to_the_login_screen(game, driver):
    before = game.windows().state()
    game.click(CHOOSE_SERVER)
    answer_confirmation(game.app, CONFIRM_CANCEL, CHOOSE_SERVER_TITLE)
    wait_until(lambda: game.windows().state() == before, 5, "the game window as it was")

    hwnd = game.window.hwnd
    game.click(CHOOSE_SERVER)
    answer_confirmation(game.app, CONFIRM_OK, CHOOSE_SERVER_TITLE)

    windows = wait_until(lambda: (s := settled(game.app)).game is None and s.backdrop.visible and s, 10,
                         "the login screen back")
    assert all(w.hwnd != hwnd for w in windows.all)
    assert windows.overlay.visible and windows.overlay.rect == windows.backdrop.rect
    assert driver.active() == windows.backdrop.hwnd
    for vk in (VK_F10, VK_F11):
        assert driver.hotkey_registration(vk) == (True, 0)
    wait_until(lambda: tray_window() is None, 10, "the icon gone")
    assert game.app.running


def test_close_button_confirmed_ends_the_launcher_with_16(game):
    game.click(CLOSE)
    answer_confirmation(game.app, CONFIRM_OK, QUIT_TITLE)
    assert game.app.wait_exit(timeout=15) == 16
    wait_until(lambda: tray_window() is None, 10, "the icon gone")
