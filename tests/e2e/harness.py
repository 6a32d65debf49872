"""End-to-end helpers: the launcher runs under wine64 and is watched through qarvelo_driver.exe,
a second Windows program in the same prefix; the X display is driven with xdotool.

Run through scripts/test.sh, or after `source scripts/env.sh` (WINEPREFIX, DISPLAY, a warm wineserver).
"""
import json
import os
import re
import subprocess
import tempfile
import time
import uuid
from dataclasses import dataclass
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("QARVELO_BUILD_DIR", ROOT / "build" / "x86_64"))
LAUNCHER_EXE = BUILD / "Qarvelo.exe"
DRIVER_EXE = BUILD / "tests" / "qarvelo_driver.exe"
# The launcher whose login URL carries the game-start marker: the game window opens at start.
MARKER_EXE = BUILD / "tests" / "Qarvelo_marker.exe"
# The launcher whose browsers load every page into the scripted stand-in document (tests/standin).
STANDIN_EXE = BUILD / "tests" / "Qarvelo_standin.exe"
OPERATOR = ROOT / "demo" / "operator_server.py"
OUT = ROOT / "tests" / "e2e" / "out"
WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_HOTKEY = 0x0312
WM_SYSCOMMAND = 0x0112
BM_CLICK = 0x00F5
WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_THICKFRAME = 0x00040000
WS_EX_TOOLWINDOW = 0x00000080
WS_EX_APPWINDOW = 0x00040000
WS_EX_LAYERED = 0x00080000


def wait_until(predicate, timeout=10.0, what="condition", interval=0.05):
    """Polls predicate until it returns something truthy, and returns that; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"no {what} within {timeout} s")
        time.sleep(interval)


def artifact(name):
    """A path under tests/e2e/out/ for a file a test leaves behind."""
    OUT.mkdir(parents=True, exist_ok=True)
    return OUT / re.sub(r"[^\w.-]+", "_", name)


# --- The driver -------------------------------------------------------------------------------

class DriverError(RuntimeError):
    pass


@dataclass(frozen=True)
class Window:
    hwnd: int
    parent: int
    owner: int
    pid: int
    tid: int
    cls: str
    text: str
    id: int
    style: int
    exstyle: int
    rect: tuple  # left, top, right, bottom in screen pixels
    client: tuple
    visible: bool
    enabled: bool
    iconic: bool
    xid: int  # the X11 window Wine made for a top-level window, else 0

    @classmethod
    def from_json(cls, w):
        box = lambda r: (r["left"], r["top"], r["right"], r["bottom"])  # noqa: E731
        return cls(w["hwnd"], w["parent"], w["owner"], w["pid"], w["tid"], w["class"], w["text"], w["id"],
                   w["style"], w["exstyle"], box(w["rect"]), box(w["client"]),
                   w["visible"], w["enabled"], w["iconic"], w["xid"])

    @property
    def toplevel(self):
        return self.parent == 0

    @property
    def size(self):
        return self.rect[2] - self.rect[0], self.rect[3] - self.rect[1]

    @property
    def client_size(self):
        return self.client[2] - self.client[0], self.client[3] - self.client[1]


class Driver:
    """Runs qarvelo_driver.exe, one command per call, and decodes its JSON answer."""

    def __init__(self, exe=DRIVER_EXE):
        self.exe = exe

    def __call__(self, *args, check=True):
        # Files, not pipes: a Wine helper process started meanwhile inherits the output handles
        # and would hold a pipe open long after the driver has exited.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([WINE, str(self.exe), *map(str, args)], stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err, timeout=30).returncode
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read().decode(errors="replace"), err.read().decode(errors="replace")
        try:
            reply = json.loads(stdout.strip().splitlines()[-1])
        except (IndexError, ValueError):
            raise DriverError(f"driver {args}: exit {code}, no JSON: {stdout!r} {stderr!r}") from None
        if check and not reply.get("ok"):
            raise DriverError(f"driver {args}: {reply}")
        return reply

    def pids(self, exe_name):
        return self("pids", exe_name)["processes"]

    def windows(self, pid):
        return [Window.from_json(w) for w in self("windows", pid)["windows"]]

    def send(self, hwnd, msg, wparam=0, lparam=0):
        return self("send", hwnd, msg, wparam, lparam)["result"]

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self("post", hwnd, msg, wparam, lparam)

    def click(self, hwnd):
        self("click", hwnd)

    def pixel(self, x, y):
        reply = self("pixel", x, y)
        return reply["r"], reply["g"], reply["b"]

    def wait(self, pid, timeout_ms):
        """The exit code once the process has ended, None if it still runs after timeout_ms."""
        reply = self("wait", pid, timeout_ms)
        return reply["code"] if reply["exited"] else None

    def kill(self, pid, code=1):
        self("kill", pid, code)

    def foreground(self, hwnd):
        return self("foreground", hwnd, check=False)["ok"]

    def show(self, hwnd, command):
        """ShowWindow on another program's window."""
        self("show", hwnd, command)

    def active(self):
        """The foreground window's handle (0 when there is none)."""
        return self("active")["foreground"]

    def hotkey_registration(self, vk):
        """Tries to register the key as a hot key of the driver's own and lets it go again:
        (registered, Windows error), the error being 1409 while another program holds the key."""
        reply = self("hold-hotkey", vk, 0, check=False)
        return reply["registered"], reply["error"]

    def workarea(self):
        reply = self("workarea")
        work = reply["work"]
        return (work["left"], work["top"], work["right"], work["bottom"]), (reply["screen"]["width"], reply["screen"]["height"])


# --- The launcher -----------------------------------------------------------------------------

class Launcher:
    """One launcher process. Popen's return code is the launcher's exit code (its low 8 bits);
    pid is its Windows process id, found through a token on its command line."""

    def __init__(self, driver, name, exe=LAUNCHER_EXE, timeout=15.0, env=None):
        self.driver = driver
        self.exe = exe
        self.token = f"qarvelo-e2e-{uuid.uuid4().hex}"
        self.log_path = artifact(f"{name}-launcher.log")
        # Output goes to a file: Wine's helper processes inherit it and would keep a pipe open.
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen([WINE, str(exe), self.token], stdin=subprocess.DEVNULL,
                                         stdout=log, stderr=subprocess.STDOUT, cwd=BUILD, env=env)
        try:
            self.pid = wait_until(self._find_pid, timeout, "launcher process")
        except BaseException:
            self.proc.kill()
            self.proc.wait(10)
            raise

    def _find_pid(self):
        if self.proc.poll() is not None:
            raise AssertionError(f"launcher exited with {self.proc.returncode} during start-up")
        return next((p["pid"] for p in self.driver.pids(self.exe.name) if self.token in p["command_line"]), None)

    @property
    def running(self):
        return self.proc.poll() is None

    def windows(self):
        return self.driver.windows(self.pid)

    def wait_window(self, predicate, timeout=10.0, what="launcher window"):
        """The first of the launcher's windows that satisfies predicate, once there is one."""
        def find():
            if not self.running:
                raise AssertionError(f"launcher exited with {self.proc.returncode} while waiting for {what}")
            return next((w for w in self.windows() if predicate(w)), None)
        return wait_until(find, timeout, what)

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError(f"launcher still running after {timeout} s") from None

    def stop(self):
        if self.running:
            self.proc.kill()
            self.proc.wait(10)
        if not self.windows_process_ended():
            self.driver.kill(self.pid)

    def windows_process_ended(self, timeout_ms=5000):
        """Whether the Windows process is gone; it may lag behind the Linux one for a moment."""
        reply = self.driver("wait", self.pid, timeout_ms, check=False)
        return not reply["ok"] or reply["exited"]


class StandinLauncher(Launcher):
    """Qarvelo_standin.exe: the launcher with the stand-in page document, which every page of its
    browsers is loaded into. page() acts as page script (or the user on the page) would; events()
    reads what the page saw, one dict per line of its log (see tests/standin/commands.cpp)."""

    WINDOW_CLASS = "QarveloStandin"
    PAGE_COLOUR = (0x2E, 0x8B, 0x57)  # every page is a plain area of this colour

    def __init__(self, driver, name, **kwargs):
        self.events_path = artifact(f"{name}-standin.jsonl")
        self.events_path.unlink(missing_ok=True)
        # Wine shows the Linux root as drive Z:.
        env = dict(os.environ, QARVELO_STANDIN_LOG="Z:" + str(self.events_path).replace("/", "\\"))
        super().__init__(driver, name, exe=STANDIN_EXE, env=env, **kwargs)

    def events(self, name=None):
        if not self.events_path.exists():
            return []
        lines = self.events_path.read_text(encoding="utf-8").splitlines()
        events = [json.loads(line) for line in lines if line.endswith("}")]
        return [e for e in events if name is None or e["event"] == name]

    def wait_event(self, name, timeout=10.0, after=0, **fields):
        """The first event of that name (from the after-th event on) whose fields have those values."""
        def found():
            return next((e for e in self.events()[after:]
                         if e["event"] == name and all(e.get(k) == v for k, v in fields.items())), None)
        return wait_until(found, timeout, f"stand-in event {name} {fields or ''}")

    def page(self, command, window=None, timeout=10.0):
        """Runs a command in the newest page, or in the page of the browser inside the top-level
        window given (a Window or a handle); returns the events it caused, its own last."""
        hwnd = getattr(window, "hwnd", window)
        text = f"@{hwnd} {command}" if hwnd else command
        start = len(self.events())
        self.driver("copydata", self.pid, self.WINDOW_CLASS, text)
        done = self.wait_event("command", timeout, after=start, text=text)
        if not done["ok"]:
            raise AssertionError(f"the stand-in page did not take {text!r}")
        events = self.events()[start:]
        return events[:events.index(done) + 1]


# --- The X display ----------------------------------------------------------------------------

def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True, timeout=15)


def mouse_position():
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], check=True, capture_output=True,
                         text=True, timeout=15).stdout
    fields = dict(line.split("=", 1) for line in out.split())
    return int(fields["X"]), int(fields["Y"])


def mouse_move(x, y):
    # Not `mousemove --sync`: this xdotool waits forever when the pointer is already there.
    xdotool("mousemove", x, y)
    wait_until(lambda: mouse_position() == (x, y), 5, f"pointer at {x},{y}")


def mouse_click(x, y, button=1, repeat=1):
    mouse_move(x, y)
    xdotool("click", "--repeat", repeat, button)


def mouse_drag(x1, y1, x2, y2, steps=8, button=1):
    """Presses at (x1, y1), moves to (x2, y2) in steps (so the window sees the motion), releases."""
    mouse_move(x1, y1)
    xdotool("mousedown", button)
    try:
        for i in range(1, steps + 1):
            mouse_move(x1 + (x2 - x1) * i // steps, y1 + (y2 - y1) * i // steps)
    finally:
        xdotool("mouseup", button)


def key(*keys):
    """xdotool key names, e.g. key("F10") or key("alt+F4")."""
    xdotool("key", "--delay", 30, *keys)


def focus(window):
    """Gives X input focus to a launcher top-level window (no window manager does it here)."""
    if not window.xid:
        raise ValueError(f"window {window.hwnd} has no X window (not top-level or not yet shown)")
    xdotool("windowfocus", "--sync", window.xid)


def screenshot(name, box=None):
    """Saves the screen, or the box (left, top, right, bottom) of it, as tests/e2e/out/<name>.png."""
    path = artifact(f"{name}.png")
    crop = []
    if box:
        left, top, right, bottom = box
        crop = ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
    subprocess.run(["/usr/bin/import", "-window", "root", *crop, str(path)], check=True,
                   capture_output=True, timeout=20)
    return path


class HotKeyHolder:
    """Another program holding a system-wide hot key: qarvelo_driver hold-hotkey, until release()."""

    def __init__(self, vk, max_ms=120_000, exe=DRIVER_EXE):
        self.out = tempfile.TemporaryFile()
        # Its stdin is the line to let go by: closing it ends the hold.
        self.proc = subprocess.Popen([WINE, str(exe), "hold-hotkey", str(vk), str(max_ms)], stdin=subprocess.PIPE,
                                     stdout=self.out, stderr=subprocess.DEVNULL)
        first = wait_until(lambda: self._replies()[:1], 10, "hot key holder's answer")[0]
        self.registered = first["registered"]
        self.error = first["error"]

    def _replies(self):
        self.out.seek(0)
        return [json.loads(line) for line in self.out.read().decode(errors="replace").splitlines() if line.strip()]

    def release(self):
        """Lets the key go; returns how many presses of it the holder got (None if it held nothing)."""
        if self.proc.poll() is None:
            self.proc.stdin.close()
            self.proc.wait(10)
        replies = self._replies()
        self.out.close()
        return replies[-1].get("hotkeys") if len(replies) > 1 else None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.release()


def tray_window():
    """Wine's stand-alone notification area (top left of the screen while some program has an icon):
    (X window id, (x, y, width, height)), or None while there is no icon."""
    # Emptied, it is unmapped rather than destroyed.
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Wine System Tray$"], capture_output=True,
                         text=True, timeout=15).stdout.split()
    if not ids:
        return None
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", ids[0]], capture_output=True, text=True,
                         timeout=15).stdout
    fields = dict(line.split("=", 1) for line in out.split() if "=" in line)
    if not {"X", "Y", "WIDTH", "HEIGHT"} <= fields.keys():
        return None  # gone between the search and the question
    return int(ids[0]), (int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"]))


def tray_icon_point(index=0):
    """The centre of the index-th icon of Wine's notification area: square cells, as high as the window."""
    found = wait_until(tray_window, 10, "Wine's notification area")
    x, y, _, height = found[1]
    return x + height * index + height // 2, y + height // 2


# --- The operator's site ----------------------------------------------------------------------

def login_url():
    """The login page the build under test was configured with."""
    cache = (BUILD / "CMakeCache.txt").read_text()
    return re.search(r"^QARVELO_LOGIN_URL:STRING=(.*)$", cache, re.M).group(1)


class OperatorServer:
    """demo/operator_server.py on the port of the build's login URL, logging to a JSON-lines file."""

    def __init__(self, name):
        self.url = login_url()
        match = re.match(r"http://(127\.0\.0\.1|localhost):(\d+)/", self.url)
        if not match:
            pytest.skip(f"the build's login page {self.url} is not on this machine")
        self.port = int(match.group(2))
        self.log_path = artifact(f"{name}-operator.jsonl")
        self.log_path.unlink(missing_ok=True)
        self.out_path = artifact(f"{name}-operator.out")
        with open(self.out_path, "wb") as out:
            self.proc = subprocess.Popen(["/usr/bin/python3", str(OPERATOR), "--port", str(self.port),
                                          "--log", str(self.log_path)],
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        wait_until(self._listening, 10, f"operator server on port {self.port}")

    def _listening(self):
        # Its own word, not a connection test: the port may belong to someone else's server.
        if self.proc.poll() is not None:
            raise RuntimeError(f"operator server failed: {self.out_path.read_text().strip()} "
                               f"(the port comes from the build's login page {self.url})")
        return "listening on" in self.out_path.read_text()

    def requests(self):
        if not self.log_path.exists():
            return []
        return [json.loads(line) for line in self.log_path.read_text().splitlines() if line]

    def wait_request(self, predicate, timeout=10.0, what="request"):
        return wait_until(lambda: next((r for r in self.requests() if predicate(r)), None), timeout, what)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(10)


# --- Fixtures ---------------------------------------------------------------------------------

@pytest.fixture(scope="session")
def driver():
    missing = [v for v in ("WINEPREFIX", "DISPLAY") if not os.environ.get(v)]
    if missing:
        pytest.exit(f"{', '.join(missing)} not set: run scripts/test.sh, or source scripts/env.sh first", 2)
    for exe in (LAUNCHER_EXE, DRIVER_EXE):
        if not exe.exists():
            pytest.exit(f"{exe} is missing: run scripts/build.sh first", 2)
    return Driver()


@pytest.fixture
def operator_server(request):
    server = OperatorServer(request.node.name)
    yield server
    server.stop()


@pytest.fixture
def launcher(request, driver, operator_server):
    """Starts launchers (launcher() returns a Launcher); none outlives the test.
    A failing test leaves a screenshot of the screen as it was under tests/e2e/out/."""
    started = []

    def start(cls=Launcher, **kwargs):
        """cls: Launcher, or StandinLauncher for a launcher whose pages a test can script."""
        app = cls(driver, f"{request.node.name}-{len(started)}", **kwargs)
        started.append(app)
        return app

    yield start
    report = getattr(request.node, "report_call", None)
    if report is not None and report.failed and any(app.running for app in started):
        screenshot(f"{request.node.name}-failure")
    for app in started:
        app.stop()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    if call.when == "call":
        item.report_call = outcome.get_result()
