"""The hand-off from the login page to the game window, driven by the page: which navigations start
the game and what the game window then loads, a second start while the game runs, and the whole
way from the login screen into a game, back to the login screen, into a fresh game and out.

Pages are the scripted stand-in documents of Qarvelo_standin.exe; the real WebBrowser control makes
the requests, which the demo operator server logs. Every game start is timed, from just before the
page's command is sent to the game window being seen, into tests/e2e/out/handoff-timings.jsonl.
"""
import json
import re
import subprocess
import threading
import time
from urllib.parse import urlsplit

import pytest

from harness import (WM_COMMAND, OperatorServer, StandinLauncher, artifact, focus, key, login_url, mouse_click,
                     tray_window, wait_until, xdotool)
from launcher_windows import (BOSS_KEY, CAPTION_HEIGHT, CHOOSE_SERVER, CHOOSE_SERVER_TITLE, CLOSE, CONFIRM_OK,
                              FULL_SCREEN, MAXIMISE, MINIMISE, NORMAL_SIZE, QUIT_TITLE, RESTORE, answer_confirmation,
                              centre, settled, snapshot, wait_for)

VK_F10, VK_F11 = 0x79, 0x7A
ERROR_HOTKEY_ALREADY_REGISTERED = 1409
FULL, MAXIMISED, NORMAL = "full screen", "maximised", "normal"
ORIGIN = re.match(r"(https?://[^/]+)", login_url()).group(1)
GAME_PAGE = f"{ORIGIN}/game/play"
# What the page sends along with a navigation that carries the marker; the game window drops it.
POST_DATA, HEADERS = "a=1&b=2", "X-Test: yes\\r\\n"
TIMINGS = artifact("handoff-timings.jsonl")


@pytest.fixture
def operator_server(request):
    """The demo operator's site. Its port is fixed by the build: wait while another run holds it."""
    deadline = time.monotonic() + 120
    while True:
        try:
            server = OperatorServer(request.node.name)
            break
        except RuntimeError as error:
            if "in use" not in str(error) or time.monotonic() > deadline:
                raise
            time.sleep(1)
    yield server
    server.stop()


# --- What the pages saw -----------------------------------------------------------------------

def loads(app, window):
    """The requests the browser in that top-level window loaded pages from, oldest first. A page's
    request is logged before the page learns its window; both carry the page's number."""
    windows = {e["doc"]: e["window"] for e in app.events("hostinfo")}
    return [e for e in app.events("navigation") if windows.get(e["doc"]) == getattr(window, "hwnd", window)]


def wait_load(app, window, url, timeout=10.0):
    return wait_until(lambda: next((e for e in loads(app, window) if e["url"] == url), None), timeout,
                      f"{url} loaded in window {window.hwnd}")


def browser_events(app, name, window, url):
    return [e for e in app.events(name) if e["window"] == window.hwnd and e["url"] == url]


def requests_for(server, url):
    parts = urlsplit(url)
    return [r for r in server.requests() if (r["path"], r["query"]) == (parts.path, parts.query)]


def login_screen(app, server):
    """The login screen with its page loaded (a page is what takes the commands)."""
    wait_for(app, "overlay")
    app.wait_event("navigate-complete", url=server.url)
    return settled(app)


# --- The game window --------------------------------------------------------------------------

def mode(windows):
    game = windows.game
    if not windows.shown(game.hwnd, CLOSE):
        return FULL
    return NORMAL if windows.shown(game.hwnd, MAXIMISE) else MAXIMISED


def mode_rect(driver, mode_name):
    (wl, wt, wr, wb), screen = driver.workarea()
    if mode_name == FULL:
        return (0, 0, *screen)
    if mode_name == MAXIMISED:
        return 0, 0, wr - wl, wb - wt
    width, height = NORMAL_SIZE
    left, top = (wl + wr) // 2 - width // 2, (wt + wb) // 2 - height // 2
    return left, top, left + width, top + height


def wait_mode(app, driver, mode_name, visible=True):
    """The game window in that mode, at that mode's rectangle, shown or hidden."""
    rect = mode_rect(driver, mode_name)

    def reached():
        windows = settled(app)
        game = windows.game
        return (game and game.visible == visible and not game.iconic and mode(windows) == mode_name
                and game.rect == rect and windows)
    return wait_until(reached, 10, f"the game window {'shown' if visible else 'hidden'} {mode_name}")


def click(windows, control_id):
    mouse_click(*centre(windows.child(windows.game.hwnd, control_id).rect))


def focus_tray():
    """X focus on a Wine window other than the launcher's: hot keys reach the launcher from any."""
    xdotool("windowfocus", "--sync", wait_until(tray_window, 5, "Wine's notification area")[0])


def visible_x_windows_named(name):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(name)}$"],
                         capture_output=True, text=True, timeout=15).stdout
    return set(out.split())


def start_game(app, command, overlay, label, timeout=20.0):
    """Runs a page command that should start the game in the overlay's page and waits for the game
    window. Times two moments from just before the command is sent: the game window's X window
    mapped (polled with xdotool, a few ms a poll, independent of the launcher), and the first
    driver poll that sees the game window visible. A poll waits for the launcher's answers, so it
    sees the window only once the launcher is done with the hand-off; under Xvfb that includes
    Wine waiting 2 s, for a window manager there is none of, on each login window it hides."""
    before = visible_x_windows_named("Qarvelo")
    mapped = {}

    def watch_x(start):
        last_miss = start
        while time.monotonic() - start < timeout:
            if visible_x_windows_named("Qarvelo") - before:
                mapped["at"], mapped["resolution"] = time.monotonic() - start, time.monotonic() - last_miss
                return
            last_miss = time.monotonic()

    text = f"@{overlay.hwnd} {command}"
    start = time.monotonic()
    watcher = threading.Thread(target=watch_x, args=(start,), daemon=True)
    watcher.start()
    app.driver("copydata", app.pid, app.WINDOW_CLASS, text)
    seen = None
    while seen is None:
        poll_start = time.monotonic()
        windows = snapshot(app)
        if windows.game and windows.game.visible:
            seen, poll = time.monotonic() - start, time.monotonic() - poll_start
        elif poll_start - start > timeout:
            raise TimeoutError(f"no game window within {timeout} s of {text!r}")
    watcher.join(timeout)
    app.wait_event("command", text=text)
    timing = {"case": label, "x_mapped_s": round(mapped.get("at", -1), 3),
              "x_poll_s": round(mapped.get("resolution", -1), 3),
              "driver_seen_s": round(seen, 3), "driver_poll_s": round(poll, 3)}
    with open(TIMINGS, "a") as out:
        out.write(json.dumps(timing) + "\n")
    assert mapped, f"the game window's X window was not seen mapped within {timeout} s"
    return settled(app)


# --- The tests --------------------------------------------------------------------------------

def navigate_post(url):
    return f"navigate-post {url} {POST_DATA} {HEADERS}"


# Top-level navigations carry post data and extra headers, so that each case also shows what the
# game window does with them.
MARKER_CASES = {
    "in the query": (navigate_post, f"{GAME_PAGE}?server=2&client=1", True),
    "in the path": (navigate_post, f"{ORIGIN}/game/client=1/play", True),
    "start of a longer value": (navigate_post, f"{GAME_PAGE}?server=1&client=10", True),
    "capital C": (navigate_post, f"{ORIGIN}/micro/?Client=1", False),
    "in a frame": (lambda url: f"frame-navigate {url}", f"{GAME_PAGE}?server=1&client=1", True),
}


@pytest.mark.parametrize("case", MARKER_CASES)
def test_a_login_page_navigation_with_the_marker_starts_the_game_with_a_plain_get_of_its_url(
        case, launcher, driver, operator_server):
    to_command, url, starts = MARKER_CASES[case]
    app = launcher(cls=StandinLauncher)
    overlay = login_screen(app, operator_server).overlay

    if not starts:
        app.page(to_command(url), overlay)
        app.wait_event("navigate-complete", window=overlay.hwnd, url=url)
        # The launcher decides inside the navigation's first event, long before it completes.
        windows = snapshot(app)
        assert windows.game is None
        assert windows.backdrop.visible and windows.overlay.visible
        loaded = loads(app, overlay)[-1]
        assert (loaded["url"], loaded["method"], loaded["post"]) == (url, "POST", POST_DATA)
        assert "X-Test: yes" in loaded["headers"]
        return

    windows = start_game(app, to_command(url), overlay, case)
    game = windows.game
    assert driver.active() == game.hwnd
    assert not windows.backdrop.visible and not windows.overlay.visible

    loaded = wait_load(app, game, url)
    assert (loaded["method"], loaded["post"], loaded["headers"]) == ("GET", "", "")
    app.wait_event("navigate-complete", window=game.hwnd, url=url)
    # Requests are logged once answered: the game window's is, so the overlay's would be too.
    assert [r["method"] for r in requests_for(operator_server, url)] == ["GET"]

    # Cancelled in the overlay: it neither completes there nor replaces the login page.
    if case == "in a frame":
        assert app.wait_event("frame-navigation", url=url)["cancelled"] is True
    else:
        assert [(e["cancel"], e["frame"]) for e in browser_events(app, "before-navigate", overlay, url)] == [
            (True, False)]
        assert not browser_events(app, "navigate-complete", overlay, url)
    assert [e["url"] for e in loads(app, overlay)] == [operator_server.url]


@pytest.mark.parametrize("mode_name, away", [(NORMAL, None), (FULL, "boss key"), (MAXIMISED, "minimised")])
def test_a_second_start_reuses_the_game_window_in_its_mode_and_loads_the_new_url(
        mode_name, away, launcher, driver, operator_server):
    app = launcher(cls=StandinLauncher)
    overlay = login_screen(app, operator_server).overlay
    first_url, second_url = f"{GAME_PAGE}?server=1&client=1", f"{GAME_PAGE}?server=2&client=1"
    game = start_game(app, f"navigate {first_url}", overlay, "before a second start").game
    wait_load(app, game, first_url)

    if mode_name != MAXIMISED:
        driver.post(game.hwnd, WM_COMMAND, RESTORE if mode_name == NORMAL else FULL_SCREEN)
    wait_mode(app, driver, mode_name)
    if away == "boss key":
        driver.post(game.hwnd, WM_COMMAND, BOSS_KEY)
        wait_mode(app, driver, mode_name, visible=False)
    elif away == "minimised":
        driver.post(game.hwnd, WM_COMMAND, MINIMISE)
        wait_until(lambda: snapshot(app).game.iconic, 10, "the game window minimised")

    # The page in the hidden overlay starts the game once more.
    app.page(f"navigate {second_url}", overlay)
    windows = wait_mode(app, driver, mode_name)
    assert windows.game.hwnd == game.hwnd
    assert [w.hwnd for w in windows.all if w.toplevel and w.text == "Qarvelo" and w != windows.backdrop] == [game.hwnd]
    assert driver.active() == game.hwnd
    assert not windows.backdrop.visible and not windows.overlay.visible
    loaded = wait_load(app, game, second_url)
    assert (loaded["method"], loaded["post"]) == ("GET", "")
    assert [e["cancel"] for e in browser_events(app, "before-navigate", overlay, second_url)] == [True]


def test_login_game_modes_boss_key_choose_server_a_fresh_game_and_quit(launcher, driver, operator_server):
    # Whether the icon is there is read from Wine's notification area, which must start empty:
    # the icons of launchers that ended before go within seconds.
    wait_until(lambda: tray_window() is None, 10, "an empty notification area")
    app = launcher(cls=StandinLauncher)
    login = login_screen(app, operator_server)
    overlay = login.overlay
    login_page = loads(app, overlay)[0]

    # Into the game.
    url = f"{GAME_PAGE}?server=1&client=1"
    first = start_game(app, f"navigate {url}", overlay, "journey, first game").game
    wait_load(app, first, url)
    windows = wait_mode(app, driver, MAXIMISED)
    for vk in (VK_F10, VK_F11):
        assert driver.hotkey_registration(vk) == (False, ERROR_HOTKEY_ALREADY_REGISTERED)
    assert tray_window()

    # Modes, by the caption buttons and by F11 from the keyboard.
    click(windows, FULL_SCREEN)
    wait_mode(app, driver, FULL)
    focus(first)
    key("F11")
    windows = wait_mode(app, driver, MAXIMISED)
    click(windows, RESTORE)
    wait_mode(app, driver, NORMAL)
    key("F11")
    wait_mode(app, driver, FULL)
    key("F11")
    windows = wait_mode(app, driver, MAXIMISED)
    click(windows, RESTORE)
    wait_mode(app, driver, NORMAL)

    # The boss key hides the game and brings it back, the second time with the focus elsewhere.
    key("F10")
    wait_mode(app, driver, NORMAL, visible=False)
    focus_tray()
    key("F10")
    windows = wait_mode(app, driver, NORMAL)

    # Back to the login screen, whose page is loaded again; the normal window goes with the game.
    click(windows, CHOOSE_SERVER)
    answer_confirmation(app, CONFIRM_OK, CHOOSE_SERVER_TITLE)
    app.wait_event("refresh", doc=login_page["doc"])
    windows = settled(app)
    assert windows.game is None and all(w.hwnd != first.hwnd for w in windows.all)
    assert windows.backdrop.visible and windows.overlay.visible
    assert windows.backdrop.rect == login.backdrop.rect and windows.overlay.rect == login.overlay.rect
    assert driver.active() == windows.backdrop.hwnd
    for vk in (VK_F10, VK_F11):
        assert driver.hotkey_registration(vk) == (True, 0)
    wait_until(lambda: tray_window() is None, 10, "the icon gone")

    # A fresh game window: maximised again, with its keys and its icon.
    url = f"{GAME_PAGE}?server=2&client=1"
    second = start_game(app, f"navigate {url}", windows.overlay, "journey, second game").game
    assert second.hwnd != first.hwnd
    wait_load(app, second, url)
    windows = wait_mode(app, driver, MAXIMISED)
    for vk in (VK_F10, VK_F11):
        assert driver.hotkey_registration(vk) == (False, ERROR_HOTKEY_ALREADY_REGISTERED)
    assert tray_window()
    focus(second)
    key("F11")
    windows = wait_mode(app, driver, FULL)
    key("F11")
    windows = wait_mode(app, driver, MAXIMISED)

    click(windows, CLOSE)
    answer_confirmation(app, CONFIRM_OK, QUIT_TITLE)
    assert app.wait_exit(timeout=15) == 16
