"""The login page overlay: where its browser and buttons sit over the backdrop and how they follow it,
minimising and restoring, the browser staying hidden until its first page has loaded, the host
policy as a page sees it, page navigations, and the close button's question.

Tests that need a page to behave run Qarvelo_standin.exe, whose browsers load every page into the
scripted stand-in document."""
import re
import socket
import threading
import time

from PIL import Image

from harness import (WM_SYSCOMMAND, StandinLauncher, login_url, mouse_click, mouse_drag, mouse_move, wait_until)
from launcher_windows import (BACKDROP_PNG, CONFIRM_CANCEL, CONFIRM_OK, OVERLAY_CLOSE, QUIT_TITLE, answer_confirmation,
                              centre, client_rect, settled, snapshot, wait_for)

SC_RESTORE = 0xF120
BROWSER, MINIMISE, CLOSE = 1000, 1006, OVERLAY_CLOSE
# In the overlay's client coordinates, which are the backdrop picture's: left, top, right, bottom.
PLACES = {BROWSER: (560, 177, 1191, 623), MINIMISE: (1173, 137, 1212, 212), CLOSE: (1208, 115, 1262, 169)}
PICTURE = Image.open(BACKDROP_PNG).convert("RGBA")
# A visible, opaque pixel of the frame under the browser, clear of the overlay's controls.
GRIP = (900, 660)


def places(windows):
    """Where the overlay's controls are, in its client coordinates."""
    overlay = windows.overlay
    return {i: client_rect(windows.child(overlay.hwnd, i), overlay) for i in PLACES}


def on_screen(window, point):
    return window.rect[0] + point[0], window.rect[1] + point[1]


def login_screen(app):
    wait_for(app, "overlay")
    return settled(app)


def test_controls_sit_at_their_places_and_follow_a_drag_of_the_backdrop(launcher):
    app = launcher()
    before = login_screen(app)
    backdrop = before.backdrop
    assert before.overlay.rect == backdrop.rect
    assert backdrop.size == PICTURE.size
    assert places(before) == PLACES
    assert before.child(before.overlay.hwnd, BROWSER).cls == "Shell Embedding"
    assert PICTURE.getpixel(GRIP)[3] == 255
    assert not any(left <= GRIP[0] < right and top <= GRIP[1] < bottom for left, top, right, bottom in PLACES.values())

    for dx, dy in ((-150, -90), (230, 60)):
        start = snapshot(app).backdrop.rect
        grip = on_screen(snapshot(app).backdrop, GRIP)
        mouse_drag(*grip, grip[0] + dx, grip[1] + dy)
        moved = (start[0] + dx, start[1] + dy, start[2] + dx, start[3] + dy)
        now = wait_until(lambda: (s := snapshot(app)).backdrop.rect == moved and s.overlay.rect == moved and s, 5,
                         f"both windows moved by {dx},{dy}")
        assert places(now) == PLACES


def off_screen(window, screen):
    left, top, right, bottom = window.rect
    return not window.visible or right <= 0 or bottom <= 0 or left >= screen[0] or top >= screen[1]


def test_minimise_takes_both_windows_off_the_screen_and_restore_brings_them_back_in_place(launcher, driver):
    app = launcher()
    before = login_screen(app)
    backdrop, overlay = before.backdrop, before.overlay
    _, screen = driver.workarea()

    # The way a user's pointer goes: over the picture, then onto the button's image (its area's top 39 x 39).
    mouse_move(*on_screen(backdrop, GRIP))
    minimise = before.child(overlay.hwnd, MINIMISE)
    mouse_click(minimise.rect[0] + 19, minimise.rect[1] + 19)
    # Windows hides an owner's popups when the owner is minimised; Wine only does so for the system
    # menu's command, so here the overlay leaves the screen by following the backdrop.
    wait_until(lambda: (s := snapshot(app)).backdrop.iconic and off_screen(s.overlay, screen), 5,
               "login screen minimised")

    driver.post(backdrop.hwnd, WM_SYSCOMMAND, SC_RESTORE)
    after = wait_until(lambda: (s := snapshot(app)).overlay.visible and not s.backdrop.iconic and s, 5,
                       "login screen restored")
    assert after.backdrop.visible
    assert after.backdrop.rect == backdrop.rect
    assert after.overlay.rect == backdrop.rect
    assert places(after) == PLACES


class HeldLoginPage:
    """The login page's server, holding its answer to the first request until release()."""

    def __init__(self):
        self.port = int(re.match(r"http://[^:/]+:(\d+)/", login_url()).group(1))
        self.requests = []
        self.released = threading.Event()
        deadline = time.monotonic() + 30
        while True:
            # Someone else's run may hold the port for a while.
            try:
                self.listener = socket.create_server(("127.0.0.1", self.port))
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.5)
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        with self.listener:
            while True:
                try:
                    client, _ = self.listener.accept()
                except OSError:
                    return
                with client:
                    request = b""
                    while b"\r\n\r\n" not in request:
                        chunk = client.recv(4096)
                        if not chunk:
                            break
                        request += chunk
                    self.requests.append(request.split(b"\r\n", 1)[0].decode())
                    self.released.wait(30)
                    body = b"<html><body>login</body></html>"
                    client.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nCache-Control: no-store\r\n"
                                   b"Content-Length: %d\r\n\r\n%s" % (len(body), body))

    def release(self):
        self.released.set()

    def close(self):
        self.released.set()
        # Wakes the accept() still waiting: closing alone leaves the port taken until it returns.
        try:
            self.listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.thread.join(10)


def test_browser_stays_hidden_until_its_first_page_has_loaded(driver):
    server = HeldLoginPage()
    app = None
    try:
        app = StandinLauncher(driver, "test_browser_stays_hidden")
        windows = login_screen(app)
        wait_until(lambda: server.requests, 10, "the login page requested")
        overlay = windows.overlay
        browser = windows.child(overlay.hwnd, BROWSER)
        middle = centre(PLACES[BROWSER])
        # While the page is on its way: no browser, the backdrop's panel shows through.
        assert not browser.visible
        assert windows.child(overlay.hwnd, MINIMISE).visible and windows.child(overlay.hwnd, CLOSE).visible
        assert driver.pixel(*on_screen(overlay, middle)) == PICTURE.getpixel(middle)[:3]
        assert not app.events("navigation")

        server.release()
        app.wait_event("navigation")
        wait_until(lambda: snapshot(app).child(overlay.hwnd, BROWSER).visible, 5, "browser shown")
        wait_until(lambda: driver.pixel(*on_screen(overlay, middle)) == app.PAGE_COLOUR, 5, "the page on the screen")
    finally:
        server.close()
        if app:
            app.stop()


def test_pages_get_the_host_policy_through_the_browser(launcher, driver):
    app = launcher(cls=StandinLauncher)
    overlay = login_screen(app).overlay
    # Asked by the page as soon as it has a place in the browser.
    info = app.wait_event("hostinfo", window=overlay.hwnd)
    assert (info["handler"], info["hr"], info["flags"], info["doubleclick"]) == (True, 0, 0x0C, 0)

    external = app.page("external", overlay)[0]
    assert external["present"] and external["same"]
    assert external["references_added"] == 1
    assert external["xxyyzz"] == "Wibble"

    # A real right click on the page: the host says it has dealt with the menu, and none shows.
    browser = wait_until(lambda: (b := snapshot(app).child(overlay.hwnd, BROWSER)).visible and b, 5, "browser shown")
    start = len(app.events())
    mouse_click(*centre(browser.rect), button=3)
    menu = app.wait_event("context-menu", after=start)
    assert (menu["hr"], menu["suppressed"]) == (0, True)
    time.sleep(0.3)
    assert not snapshot(app).menus


def test_pages_navigate_the_overlays_browser_and_a_frame_with_the_marker_starts_the_game(launcher, operator_server):
    app = launcher(cls=StandinLauncher)
    overlay = login_screen(app).overlay
    app.wait_event("navigation", url=operator_server.url)
    origin = re.match(r"(http://[^/]+)", operator_server.url).group(1)

    # Top level, with post data and headers: loaded in the overlay as the page asked for it.
    again = f"{origin}/micro/?again=1"
    app.page(f"navigate-post {again} a=1&b=2 X-Test: yes\\r\\n", overlay)
    loaded = app.wait_event("navigation", url=again)
    assert (loaded["method"], loaded["post"]) == ("POST", "a=1&b=2")
    assert "X-Test: yes" in loaded["headers"]
    operator_server.wait_request(lambda r: r["method"] == "POST" and r["query"] == "again=1")

    # A frame without the marker navigates; one with it is cancelled and the game starts.
    plain = app.page(f"frame-navigate {origin}/micro/frame", overlay)[0]
    assert (plain["sinks"], plain["cancelled"]) == (1, False)
    game_url = f"{origin}/game/play?server=2&client=1"
    marked = app.page(f"frame-navigate {game_url}", overlay)[0]
    assert marked["cancelled"] is True
    game = wait_for(app, "game")
    app.wait_event("hostinfo", window=game.hwnd, url=game_url)
    request = operator_server.wait_request(lambda r: r["path"] == "/game/play")
    assert request["method"] == "GET" and request["query"] == "server=2&client=1"
    assert not snapshot(app).overlay.visible


def test_close_button_asks_every_time_and_only_ok_quits_with_16(launcher):
    app = launcher()
    before = login_screen(app)
    close = before.child(before.overlay.hwnd, CLOSE)

    mouse_click(*centre(close.rect))
    question = wait_for(app, "confirmation")
    assert question.size == (256, 110)
    answer_confirmation(app, CONFIRM_CANCEL, QUIT_TITLE)
    wait_until(lambda: snapshot(app).state() == before.state(), 5, "every window as before")
    assert app.running

    mouse_click(*centre(close.rect))
    answer_confirmation(app, CONFIRM_OK, QUIT_TITLE)
    assert app.wait_exit(timeout=10) == 16
