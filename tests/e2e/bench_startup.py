#!/usr/bin/python3
"""Start-up figures: process start to the backdrop on the screen, against a bare dialog started the
same way, and process start to the game window with the launcher whose login URL starts a game.

    source scripts/env.sh && /usr/bin/python3 tests/e2e/bench_startup.py [--runs 10]

The driver starts each program itself and times, from just before CreateProcess, the first visible
top-level window and the moment a chosen screen pixel shows that window's own colour. Each program is
ended after its run. Figures only: nothing here passes or fails.
"""
import argparse
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from PIL import Image  # noqa: E402

from harness import BUILD, LAUNCHER_EXE, MARKER_EXE, Driver, OperatorServer  # noqa: E402
from launcher_windows import BACKDROP_PNG, CAPTION_HEIGHT, caption_colour  # noqa: E402

BARE_DIALOG_EXE = BUILD / "tests" / "bare_dialog.exe"
# A pixel of the knight on PNG 155: opaque, and nothing else on the screen has its colour.
BACKDROP_PROBE = (270, 250)


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def hex_colour(rgb):
    return "%02x%02x%02x" % rgb


def run(driver, exe, x, y, colour, runs):
    driver("launch-time", 20000, x, y, colour, windows_path(exe), check=False)  # warm the file cache
    visible, shown = [], []
    for _ in range(runs):
        reply = driver("launch-time", 20000, x, y, colour, windows_path(exe))
        visible.append(reply["visible_ms"])
        shown.append(reply["shown_ms"])
    return statistics.median(visible), statistics.median(shown), shown


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()

    driver = Driver()
    (wl, wt, wr, wb), (sw, sh) = driver.workarea()
    with Image.open(BACKDROP_PNG) as picture:
        width, height = picture.size
        knight = picture.convert("RGB").getpixel(BACKDROP_PROBE)
    left, top = (wl + wr) // 2 - width // 2, (wt + wb) // 2 - height // 2

    server = OperatorServer("bench")
    try:
        results = {
            "bare dialog (baseline)": run(driver, BARE_DIALOG_EXE, sw // 2, sh // 2, "face", args.runs),
            "launcher: backdrop": run(driver, LAUNCHER_EXE, left + BACKDROP_PROBE[0], top + BACKDROP_PROBE[1],
                                      hex_colour(knight), args.runs),
            # The game window opens maximised at the screen origin; its caption band is painted from bitmap 136.
            "marker launcher: game window": run(driver, MARKER_EXE, 600, CAPTION_HEIGHT // 2,
                                                hex_colour(caption_colour(CAPTION_HEIGHT // 2)), args.runs),
        }
    finally:
        server.stop()

    print(f"median of {args.runs} runs, ms from just before CreateProcess")
    print(f"{'program':32} {'window visible':>15} {'on the screen':>14}   all on-screen runs")
    for name, (visible, shown, every) in results.items():
        print(f"{name:32} {visible:15.0f} {shown:14.0f}   {' '.join(f'{v:.0f}' for v in every)}")
    bare = results["bare dialog (baseline)"][1]
    backdrop = results["launcher: backdrop"][1]
    game = results["marker launcher: game window"][1]
    print(f"backdrop / bare dialog, on the screen: {backdrop / bare:.2f}")
    print(f"game window on the screen minus backdrop on the screen (the hand-off and the game window's set-up): "
          f"{game - backdrop:.0f} ms")


if __name__ == "__main__":
    main()
