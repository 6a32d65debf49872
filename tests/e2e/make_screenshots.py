#!/usr/bin/python3
"""Pictures of the launcher for the documentation, taken from the running program under Xvfb and
saved, cropped or scaled down, under docs/screenshots/.

    source scripts/env.sh && /usr/bin/python3 tests/e2e/make_screenshots.py

The login screen stands on a desktop of one colour, so that its transparent parts show. Without an
HTML engine the browsers never show a page: the login panel and the game area stay empty.
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from PIL import Image  # noqa: E402

from harness import (LAUNCHER_EXE, MARKER_EXE, ROOT, Driver, Launcher, OperatorServer, key, mouse_click,  # noqa: E402
                     mouse_move, tray_icon_point, wait_until, xdotool)
from launcher_windows import (CHOOSE_SERVER, CLOSE, CONFIRM_CANCEL, FULL_SCREEN, OVERLAY_CLOSE, RESTORE,  # noqa: E402
                              SW_HIDE, WM_COMMAND, answer_confirmation, centre, grab_screen, set_desktop_colour,
                              settled, snapshot, wait_for)

OUT = ROOT / "docs" / "screenshots"
DESKTOP = (58, 110, 165)


def save(image, name, scale=1.0):
    if scale != 1.0:
        image = image.resize((round(image.width * scale), round(image.height * scale)), Image.LANCZOS)
    path = OUT / f"{name}.png"
    # Adaptive palette: the pictures have few colours that matter, and the files stay small.
    image.convert("RGB").quantize(256, method=Image.MEDIANCUT).save(path, optimize=True)
    print(f"{path.relative_to(ROOT)}: {image.width} x {image.height}, {path.stat().st_size // 1024} KiB")


def settle_screen(pause=0.6):
    time.sleep(pause)
    return grab_screen()


def confirmation(app, opener, name):
    opener()
    dialog = wait_for(app, "confirmation")
    save(settle_screen().crop(dialog.rect), name, 2.0)
    answer_confirmation(app, CONFIRM_CANCEL, snapshot(app).text(dialog.hwnd, 1002))


def login_screen(driver):
    app = Launcher(driver, "screenshots-login", exe=LAUNCHER_EXE)
    try:
        wait_for(app, "overlay")
        windows = settled(app)
        save(settle_screen(1.0).crop(windows.backdrop.rect), "login", 0.5)
        close = windows.child(windows.overlay.hwnd, OVERLAY_CLOSE)
        confirmation(app, lambda: mouse_click(*centre(close.rect)), "confirm_quit_mode0")
    finally:
        app.stop()


def game_screens(driver):
    app = Launcher(driver, "screenshots-game", exe=MARKER_EXE)
    try:
        wait_for(app, "game")
        wait_for(app, "overlay")
        # As in the tests: the marker starts the game before the backdrop is shown, so hide it again.
        driver.show(settled(app).backdrop.hwnd, SW_HIDE)
        wait_until(lambda: not snapshot(app).backdrop.visible, 10, "the login windows hidden")
        windows = settled(app)
        game = windows.game
        mouse_move(5, 1070)
        shot = settle_screen()
        save(shot, "game_maximised", 0.5)
        width = game.rect[2] - game.rect[0]
        save(shot.crop((width - 560, 0, width, 30)), "game_caption_bar", 2.0)

        button = windows.child(game.hwnd, FULL_SCREEN)
        looks = []
        mouse_move(*centre(button.rect))
        looks.append(("hover", settle_screen(1.0).crop(button.rect)))
        xdotool("mousedown", 1)
        looks.append(("pressed", settle_screen().crop(button.rect)))
        # Released away from the button, so that it does not act.
        mouse_move(300, 15)
        xdotool("mouseup", 1)
        looks.insert(0, ("normal", settle_screen(1.0).crop(button.rect)))
        width, height = looks[0][1].size
        strip = Image.new("RGB", (3 * width + 2 * 8, height), (255, 255, 255))
        for i, (_, look) in enumerate(looks):
            strip.paste(look, (i * (width + 8), 0))
        save(strip, "caption_button_normal_hover_pressed", 3.0)

        driver.post(game.hwnd, WM_COMMAND, RESTORE)
        wait_until(lambda: settled(app).game.rect[2] - settled(app).game.rect[0] == 1000, 10, "the normal window")
        save(settle_screen(), "game_normal", 1 / 3)

        normal = settled(app)
        chooser = normal.child(normal.game.hwnd, CHOOSE_SERVER)
        confirmation(app, lambda: mouse_click(*centre(chooser.rect)), "confirm_choose_server_mode1")

        mouse_click(*tray_icon_point(), button=3)
        menu = wait_until(lambda: snapshot(app).menus, 5, "the icon's menu")[0]
        shot = settle_screen()
        save(shot.crop((0, 0, menu.rect[2] + 40, menu.rect[3] + 20)), "tray_menu", 3.0)
        key("Escape")

        driver.post(game.hwnd, WM_COMMAND, FULL_SCREEN)
        wait_until(lambda: not snapshot(app).shown(game.hwnd, CLOSE), 10, "full screen")
        mouse_move(5, 1070)
        save(settle_screen(), "game_full_screen", 1 / 3)
    finally:
        app.stop()


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    driver = Driver()
    server = OperatorServer("screenshots")
    set_desktop_colour(DESKTOP)
    try:
        login_screen(driver)
        game_screens(driver)
    finally:
        set_desktop_colour((0, 0, 0))
        server.stop()


if __name__ == "__main__":
    main()
