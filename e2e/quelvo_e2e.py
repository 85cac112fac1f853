"""Driver for Quelvo's end-to-end tests.

Runs the real Quelvo.exe under Wine on the test bed's private X display
(build/testbed.env, written by `scripts/testbed start`) and drives it the way a
person does: real pointer input through xdotool on the "Wine System Tray"
window and on menus and message boxes, screenshots through ImageMagick's
`import`. Facts that X cannot tell (window lists, drive letters, registry
values, the session-end query) come from the small Windows helper programs
built from e2e/tools/ (run through Wine, each prints JSON lines).

Standard library only. The main pieces:
  testbed()            the display and Wine prefix
  windows(), wait_windows()
  Quelvo               one running copy: start, windows, MCI trace, exit code
  Tray                 the system tray window and the icons in it
  TrayWatch            the order in which an icon, its window and its process go
  menu_layout()        the items of an open pop-up menu; choose_menu_item() clicks one
  message_boxes(), answer_message_box()
  Drives               CD-ROM (and other) drive letters, removed again
  EndSessionQuery, query_end_session()
  screenshot(), read_png(), Image
  Registry reads:      reg_read(), reg_key_exists(), reg_set(), reg_delete_key()
  E2ETestCase          unittest base class that cleans up after every test
"""

from __future__ import annotations

import fcntl
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from dataclasses import dataclass, field
from pathlib import Path

E2E_DIR = Path(__file__).resolve().parent
ROOT = E2E_DIR.parent
BUILD_DIR = Path(os.environ.get("QUELVO_BUILD_DIR", ROOT / "build" / "mingw"))
TOOLS_DIR = Path(os.environ.get("QUELVO_E2E_TOOLS", BUILD_DIR / "e2e" / "tools"))
QUELVO_EXE = Path(os.environ.get("QUELVO_EXE", BUILD_DIR / "app" / "Quelvo.exe"))
WORK_DIR = Path(os.environ.get("QUELVO_E2E_WORK", BUILD_DIR / "e2e" / "work"))


def desktop_slot(environ=os.environ) -> None:
    """Names in environ the test bed ctest gave this test (resource "desktops",
    scripts/ctest-resources.json), as scripts/desktop-slot does for the scripts:
    bed 0 is the default one, bed N lives in build/bedN with prefix build/wineN.
    A test bed named explicitly (QUELVO_TESTBED_ENV) is kept."""
    m = re.fullmatch(r"id:(\d+)(,.*)?", environ.get("CTEST_RESOURCE_GROUP_0_DESKTOPS", ""))
    if "QUELVO_TESTBED_ENV" in environ or not m or m.group(1) == "0":
        return
    environ["QUELVO_TESTBED_ENV"] = str(ROOT / "build" / f"bed{m.group(1)}" / "testbed.env")
    environ["QUELVO_WINEPREFIX"] = str(ROOT / "build" / f"wine{m.group(1)}")


desktop_slot()
TESTBED_ENV = Path(os.environ.get("QUELVO_TESTBED_ENV", ROOT / "build" / "testbed.env"))

# The program's own texts and window facts.
APP_CLASS = "QuelvoApplication"
APP_TITLE = "Quelvo"
FORM_CLASS = "QuelvoForm"
TRAY_TIP = "Quelvo1.0版"
TRAY_CALLBACK = 0x7E8
BOX_CAPTION = "Quelvo提示"
BOX_TEXT = "您的光驱内有光盘,关机前建议拿出来."
SEPARATOR = "-"
TRAY_MENU = [
    "显示主窗口   &S",
    "隐藏主窗口   &H",
    SEPARATOR,
    "弹出光驱     &J",
    "关闭光驱     &C",
    SEPARATOR,
    "创建快捷方式 &U",
    SEPARATOR,
    "查看设置     &V",
    "界面选项     &M",
    SEPARATOR,
    "退出程序     &Q",
    "关于Keltrin  &A",
]

# Windows of the emulator itself.
TRAY_CLASS = "__winex11_standalone_tray"
TRAY_TITLE = "Wine System Tray"
MENU_CLASS = "#32768"
DIALOG_CLASS = "#32770"

IDYES, IDNO, IDOK, IDCANCEL = 6, 7, 1, 2
DRIVE_NO_ROOT_DIR, DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_REMOTE, DRIVE_CDROM = 1, 2, 3, 4, 5


_T0 = time.monotonic()
VERBOSE = os.environ.get("QUELVO_E2E_VERBOSE", "") not in ("", "0")


def log(*parts) -> None:
    """Step log on stderr (QUELVO_E2E_VERBOSE=1)."""
    if VERBOSE:
        print(f"[e2e {time.monotonic() - _T0:7.2f}]", *parts, file=sys.stderr, flush=True)


class E2EError(AssertionError):
    """A step of the driver did not reach the state it waited for."""


# ---------------------------------------------------------------------------
# Test bed


@dataclass
class Testbed:
    display: str
    wineprefix: str
    xvfb_pid: str

    def env(self, winedebug: str = "-all", **extra: str) -> dict:
        env = dict(os.environ)
        env.update(
            DISPLAY=self.display,
            WINEPREFIX=self.wineprefix,
            XDG_DATA_HOME=f"{self.wineprefix}/xdg-data",  # Wine's menu entries and icons stay in the prefix
            LANG="zh_CN.UTF-8",
            LC_ALL="zh_CN.UTF-8",
            WINEDEBUG=winedebug,
            WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d",
            WINEARCH="win64",
        )
        env.update(extra)
        return env


_testbed: Testbed | None = None


def _read_testbed_env(path: Path) -> Testbed:
    script = 'set -a; . "$1"; printf "%s\\n%s\\n%s\\n" "$DISPLAY" "$WINEPREFIX" "$XVFB_PID"'
    out = subprocess.run(["bash", "-c", script, "_", str(path)], check=True, capture_output=True, text=True).stdout
    display, prefix, xvfb = (out.split("\n") + ["", "", ""])[:3]
    if not display or not prefix:
        raise E2EError(f"{path} names no DISPLAY or WINEPREFIX")
    return Testbed(display, prefix, xvfb)


def desktop_running(wineprefix: str) -> bool:
    """Whether the emulator's desktop process (explorer.exe /desktop) of the prefix runs."""
    wanted = f"WINEPREFIX={wineprefix}".encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            cmdline = Path(f"/proc/{entry}/cmdline").read_bytes()
            if b"explorer.exe" not in cmdline or b"/desktop" not in cmdline:
                continue
            if wanted in Path(f"/proc/{entry}/environ").read_bytes().split(b"\0"):
                return True
        except OSError:
            continue
    return False


def _start_testbed() -> None:
    proc = subprocess.run([str(ROOT / "scripts" / "testbed"), "start"], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL)
    if proc.returncode != 0 or not TESTBED_ENV.exists():
        raise E2EError(f"scripts/testbed start failed ({proc.returncode}): {proc.stderr}")


def testbed() -> Testbed:
    """The running test bed; starts it (scripts/testbed start) when it is not up, and
    has the test bed start the emulator's desktop process again if it has gone: a
    program of a test must never start it (it would be the program's child)."""
    global _testbed
    if _testbed is None:
        alive = False
        if TESTBED_ENV.exists():
            bed = _read_testbed_env(TESTBED_ENV)
            alive = not bed.xvfb_pid or Path(f"/proc/{bed.xvfb_pid}").exists()
        if not alive:
            _start_testbed()
        _testbed = _read_testbed_env(TESTBED_ENV)
    if not desktop_running(_testbed.wineprefix):
        log("the desktop process is gone: scripts/testbed start")
        _start_testbed()
    return _testbed


# ---------------------------------------------------------------------------
# Helper programs


@dataclass
class ToolResult:
    rc: int
    records: list
    stderr: str


def run_tool(name: str, *args, timeout: float = 60, check: bool = True) -> ToolResult:
    """Runs e2e/tools/<name>.exe through Wine; its stdout is JSON, one object a line."""
    exe = TOOLS_DIR / f"{name}.exe"
    if not exe.exists():
        raise E2EError(f"helper {exe} is not built")
    # Output goes through files, not pipes: a Wine program may be the first of the
    # session and start the emulator's background processes, which inherit its
    # handles and would keep a pipe open long after the helper has ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(["wine", str(exe), *[str(a) for a in args]], env=testbed().env(),
                                stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            rc = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise E2EError(f"{name} {' '.join(map(str, args))} did not end within {timeout}s") from None
        out.seek(0)
        err.seek(0)
        stdout, stderr = out.read().decode("utf-8"), err.read().decode("utf-8", "replace")
    records = [json.loads(line) for line in stdout.splitlines() if line.strip()]
    log(name, *args, "->", rc, f"{len(records)} records")
    if check and rc not in (0, 1):
        raise E2EError(f"{name} {' '.join(map(str, args))} failed ({rc}): {stderr}")
    return ToolResult(rc, records, stderr)


def _filters(cls=None, title=None, pid=None, visible_only=False, exe=None) -> list:
    args = [] if exe is None else ["--exe", exe]
    if cls is not None:
        args += ["--class", cls]
    if title is not None:
        args += ["--title", title]
    if pid is not None:
        args += ["--pid", pid]
    if visible_only:
        args.append("--visible-only")
    return args


def windows(cls=None, title=None, pid=None, visible_only=False, exe=None) -> list[dict]:
    """Top-level windows (hidden ones too unless visible_only) matching the filters
    (exe: the program file name of the owning process, e.g. "Quelvo.exe")."""
    return run_tool("wininfo", *_filters(cls, title, pid, visible_only, exe)).records


def wait_windows(state: str, cls=None, title=None, pid=None, timeout: float = 10, min_count: int = 1,
                 exe=None) -> list[dict]:
    """Waits until the matching windows are in `state`: exists, visible, hidden or gone.

    Returns the matching windows at that moment; raises E2EError on time-out."""
    args = _filters(cls, title, pid, exe=exe) + ["--wait", state, "--timeout", timeout, "--min-count", min_count]
    res = run_tool("wininfo", *args, timeout=timeout + 30)
    if res.rc != 0:
        raise E2EError(f"windows class={cls} title={title} pid={pid} not {state} within {timeout}s: {res.records}")
    return res.records


def kill_group(popen) -> None:
    """Ends a helper program started in a process group of its own, and waits for it."""
    if popen.poll() is None:
        try:
            os.killpg(popen.pid, signal.SIGKILL)
        except OSError:
            pass
        popen.wait(10)


def poll(predicate, timeout: float, interval: float = 0.1, what: str = "condition"):
    """Calls predicate until it returns a true value; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise E2EError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


# ---------------------------------------------------------------------------
# Screenshots and pixels


def save_readme_picture(image: "Image", name: str, x: int, y: int, w: int, h: int) -> None:
    """Cuts a picture for the README (docs/NAME.png) from a screenshot of a passing test."""
    subprocess.run(["convert", str(image.path), "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                    f"PNG24:{ROOT / 'docs' / f'{name}.png'}"], check=True, capture_output=True, timeout=30)


class Image:
    """An RGB picture: width, height and 3 bytes a pixel, rows top to bottom."""

    def __init__(self, width: int, height: int, data: bytes, path: Path | None = None):
        self.width, self.height, self.data, self.path = width, height, data, path

    def pixel(self, x: int, y: int) -> tuple[int, int, int]:
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel {x},{y} outside {self.width}x{self.height}")
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def crop(self, x: int, y: int, w: int, h: int) -> "Image":
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        rows = [self.data[(r * self.width + x0) * 3:(r * self.width + x1) * 3] for r in range(y0, y1)]
        return Image(max(0, x1 - x0), max(0, y1 - y0), b"".join(rows))

    def row(self, y: int) -> list[tuple[int, int, int]]:
        return [self.pixel(x, y) for x in range(self.width)]

    def colors(self) -> dict:
        """Pixel count of each colour."""
        counts: dict = {}
        d = self.data
        for i in range(0, len(d), 3):
            c = (d[i], d[i + 1], d[i + 2])
            counts[c] = counts.get(c, 0) + 1
        return counts

    def count(self, color: tuple[int, int, int], tolerance: int = 0) -> int:
        n, d = 0, self.data
        for i in range(0, len(d), 3):
            if (abs(d[i] - color[0]) <= tolerance and abs(d[i + 1] - color[1]) <= tolerance
                    and abs(d[i + 2] - color[2]) <= tolerance):
                n += 1
        return n


def read_png(path) -> Image:
    """Reads an 8-bit PNG (grey, RGB, palette, grey+alpha or RGBA; not interlaced) as RGB."""
    data = Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    pos, idat, palette = 8, [], b""
    width = height = depth = ctype = interlace = 0
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(ctype)
    if depth != 8 or channels is None or interlace:
        raise ValueError(f"{path}: unsupported PNG (depth {depth}, colour type {ctype}, interlace {interlace})")
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    out = bytearray()
    prev = bytearray(stride)
    pos = 0
    for _ in range(height):
        ftype = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        bpp = channels
        if ftype == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif ftype == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 0xFF
        elif ftype == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif ftype == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        elif ftype != 0:
            raise ValueError(f"{path}: bad filter {ftype}")
        prev = line
        if ctype == 2:
            out += line
        elif ctype == 6:
            for i in range(0, stride, 4):
                out += line[i:i + 3]
        elif ctype == 0:
            for v in line:
                out += bytes((v, v, v))
        elif ctype == 4:
            for i in range(0, stride, 2):
                out += bytes((line[i], line[i], line[i]))
        else:
            for v in line:
                out += palette[v * 3:v * 3 + 3]
    return Image(width, height, bytes(out), Path(path))


_shot_counter = 0
KEEP_FILES = 300  # screenshots and program logs kept in WORK_DIR (the newest)


def screenshot(name: str = "screen", read: bool = True) -> Image | None:
    """Takes a screenshot of the whole display into WORK_DIR/shots and reads it."""
    global _shot_counter
    _shot_counter += 1
    shots = WORK_DIR / "shots"
    shots.mkdir(parents=True, exist_ok=True)
    path = shots / f"{time.strftime('%H%M%S')}-{os.getpid()}-{_shot_counter:03d}-{name}.png"
    subprocess.run(["import", "-display", testbed().display, "-window", "root", f"PNG24:{path}"],
                   check=True, capture_output=True, timeout=30)
    return read_png(path) if read else None


def prune_work_files(keep: int = KEEP_FILES) -> None:
    """Deletes all but the newest screenshots and program logs."""
    for folder, pattern in ((WORK_DIR / "shots", "*.png"), (WORK_DIR, "*.log")):
        files = sorted(folder.glob(pattern), key=lambda p: p.stat().st_mtime, reverse=True)
        for old in files[keep:]:
            old.unlink(missing_ok=True)


def pixel(x: int, y: int) -> tuple[int, int, int]:
    """The colour of one screen pixel now."""
    return screenshot("pixel").pixel(x, y)


def color_from_colorref(value: int) -> tuple[int, int, int]:
    """0x00BBGGRR to (r, g, b)."""
    return value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF


# ---------------------------------------------------------------------------
# Real input


def xdotool(*args, timeout: float = 20) -> str:
    proc = subprocess.run(["xdotool", *[str(a) for a in args]], env=testbed().env(), capture_output=True,
                          text=True, timeout=timeout)
    if proc.returncode != 0:
        raise E2EError(f"xdotool {' '.join(map(str, args))}: {proc.stderr.strip()}")
    return proc.stdout


def pointer_position() -> tuple[int, int]:
    out = xdotool("getmouselocation", "--shell")
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"])


def move_pointer(x: int, y: int) -> None:
    # --sync waits for the pointer to move, which it does not when already there
    if pointer_position() != (int(x), int(y)):
        xdotool("mousemove", "--sync", int(x), int(y))


def click(x: int, y: int, button: int = 1) -> None:
    move_pointer(x, y)
    time.sleep(0.05)
    xdotool("click", button)


def double_click(x: int, y: int, button: int = 1) -> None:
    move_pointer(x, y)
    time.sleep(0.05)
    xdotool("click", "--repeat", 2, "--delay", 80, button)


def x_focus_name() -> str:
    """The name of the display's window with the keyboard focus (for messages)."""
    try:
        window = xdotool("getwindowfocus").strip()
        return xdotool("getwindowname", window).strip() or f"window {window}"
    except E2EError as e:
        return f"none known ({e})"


def press_key(key: str) -> None:
    xdotool("key", key)


def park_pointer() -> None:
    """Moves the pointer to a corner where it covers and triggers nothing; also ends
    any double-click sequence in progress."""
    move_pointer(1023, 767)
    time.sleep(0.6)


# ---------------------------------------------------------------------------
# The system tray


class Tray:
    """The emulator's stand-alone tray window ("Wine System Tray"): on a display without
    a tray of its own the emulator shows the notification icons in this window, each in
    a child window of its own, in order from the left of the client area. The emulator
    moves the later icons to the left when one is removed but does not repaint them
    (they work, but show blank until repainted): repaint() first for pictures."""

    ICON_CLASS = "__winex11_tray_icon"
    SLOT = 20  # small icon (16) plus a border of 2 on each side

    @staticmethod
    def window(visible_only: bool = True) -> dict | None:
        found = windows(cls=TRAY_CLASS, visible_only=visible_only)
        return found[0] if found else None

    @staticmethod
    def x_window_id() -> str | None:
        """The tray's X window (as xdotool finds it by name)."""
        proc = subprocess.run(["xdotool", "search", "--name", TRAY_TITLE], env=testbed().env(),
                              capture_output=True, text=True)
        ids = proc.stdout.split()
        return ids[0] if ids else None

    @classmethod
    def wait(cls, timeout: float = 10) -> dict:
        return wait_windows("visible", cls=TRAY_CLASS, timeout=timeout)[0]

    @classmethod
    def icons(cls, redraw: bool = False) -> list[dict]:
        """The icon windows shown in the visible tray, left to right."""
        args = ["--class", TRAY_CLASS, "--visible-only", "--children"] + (["--redraw"] if redraw else [])
        records = run_tool("wininfo", *args).records
        icons = [r for r in records if r["class"] == cls.ICON_CLASS and r["visible"]]
        return sorted(icons, key=lambda r: (r["y"], r["x"]))

    @classmethod
    def icon_count(cls) -> int:
        return len(cls.icons())

    @classmethod
    def wait_icon_count(cls, count: int, timeout: float = 10) -> list[dict]:
        icons: list[dict] = []

        def check() -> bool:
            nonlocal icons
            icons = cls.icons()
            return len(icons) == count

        poll(check, timeout, what=f"{count} tray icons")
        return icons

    @classmethod
    def slot_center(cls, index: int = 0) -> tuple[int, int]:
        icons = cls.icons()
        if index >= len(icons):
            raise E2EError(f"no tray icon {index}: the tray shows {len(icons)}")
        icon = icons[index]
        return icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2

    @classmethod
    def tip(cls, index: int = 0, timeout: float = 6) -> dict:
        """Rests the pointer on an icon and returns the tool tip that shows up: its
        "text" (UTF-8) and "text_hex" (the code-page-936 bytes)."""
        x, y = cls.slot_center(index)
        tray_pid = cls.window()["pid"]
        move_pointer(x + 3, y)
        time.sleep(0.1)
        move_pointer(x, y)

        def shown():
            tips = run_tool("wininfo", "--class", "tooltips_class32", "--pid", tray_pid, "--visible-only",
                            "--text").records
            tips = [t for t in tips if t["text"]]
            return tips[0] if tips else None

        try:
            return poll(shown, timeout, interval=0.3, what="the tray icon's tool tip")
        finally:
            park_pointer()

    @classmethod
    def repaint(cls) -> None:
        cls.icons(redraw=True)
        time.sleep(0.3)

    @classmethod
    def icon_picture(cls, index: int = 0) -> Image:
        """The icon as drawn on the screen (after a repaint)."""
        cls.repaint()
        icon = cls.icons()[index]
        return screenshot("tray").crop(icon["x"], icon["y"], icon["w"], icon["h"])

    @classmethod
    def right_click(cls, index: int = 0) -> None:
        x, y = cls.slot_center(index)
        click(x, y, 3)

    @classmethod
    def double_click(cls, index: int = 0) -> None:
        x, y = cls.slot_center(index)
        double_click(x, y, 1)


class TrayWatch:
    """Watches a tray icon, the window that owns it and its process as they go away
    (traywatch.exe, in the background), to tell in which order they went. The
    emulator drops the icons of a window that is destroyed: only an icon gone while
    its window is still there was removed by the program itself."""

    def __init__(self, icon: dict, window: dict, pid: int, timeout: float = 30):
        self._out = tempfile.TemporaryFile()  # output through a file, as in run_tool()
        self.popen = subprocess.Popen(
            ["wine", str(TOOLS_DIR / "traywatch.exe"), "--icon", icon["hwnd"], "--hwnd", window["hwnd"],
             "--pid", str(pid), "--timeout", str(timeout)],
            env=testbed().env(), stdin=subprocess.DEVNULL, stdout=self._out, stderr=subprocess.DEVNULL,
            start_new_session=True)
        try:
            poll(lambda: self._lines()[:1] == ["ready"] or self.popen.poll() is not None, 20, interval=0.02,
                 what="traywatch to start")
        except E2EError:
            self.kill()
            raise
        if self._lines()[:1] != ["ready"]:
            self.kill()
            raise E2EError(f"traywatch ended at start with code {self.popen.returncode}")

    def _lines(self) -> list[str]:
        self._out.seek(0)
        return self._out.read().decode("utf-8").split()

    def result(self, timeout: float = 40) -> dict:
        """{"icon_gone_ms", "window_gone_ms", "process_gone_ms", "order"}; order is
        "icon-first", "window-first" or "together" (not told apart)."""
        try:
            self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError(f"traywatch still running after {timeout}s") from None
        finally:
            self.kill()
        self._out.seek(0)
        lines = [line for line in self._out.read().decode("utf-8").splitlines() if line.startswith("{")]
        self._out.close()
        if not lines:
            raise E2EError(f"traywatch ended with code {self.popen.returncode} and no result")
        return json.loads(lines[0])

    def kill(self) -> None:
        kill_group(self.popen)


# ---------------------------------------------------------------------------
# Pop-up menus


def wait_menu(pid=None, timeout: float = 5) -> dict:
    """The visible pop-up menu window (of process pid)."""
    return wait_windows("visible", cls=MENU_CLASS, pid=pid, timeout=timeout)[0]


def menu_open(pid=None) -> bool:
    return bool(windows(cls=MENU_CLASS, pid=pid, visible_only=True))


def menu_layout(menu: dict, items: list[str], timeout: float = 5) -> list[dict]:
    """The rectangles (screen coordinates) of the items of the open menu `menu`, laid
    out as `items` (SEPARATOR for separators), one dict per item with "index",
    "separator", "caption", "x", "y", "w", "h".

    The menu belongs to another process, whose items no other process can ask for:
    menuinfo.exe lays them out from the system's menu metrics and checks that they
    fill the real menu window exactly (E2EError otherwise)."""
    res = run_tool("menuinfo", "--pid", menu["pid"], "--wait", timeout, *items, timeout=timeout + 30, check=False)
    if res.rc != 0:
        raise E2EError(f"menu {menu['hwnd']} laid out as {items}: menuinfo {res.rc}: {res.stderr.strip()}")
    window, layout = res.records[0], res.records[1:]
    if window["hwnd"] != menu["hwnd"]:
        raise E2EError(f"the open menu is {window['hwnd']}, not {menu['hwnd']}")
    return layout


def menu_item_centers(menu: dict, items: list[str], image: Image | None = None) -> dict[str, tuple[int, int]]:
    """Screen points of the items of an open menu laid out as `items` (SEPARATOR for
    separators), by caption. (`image` is not needed; kept for callers that pass one.)"""
    return {r["caption"]: (r["x"] + r["w"] // 2, r["y"] + r["h"] // 2)
            for r in menu_layout(menu, items) if not r["separator"]}


def _line_rows(image: Image, margin: int = 4) -> list[int]:
    """Rows of a picture drawn across (80 % of the width, margins left out) in one
    colour other than the picture's most common one."""
    background = max(image.colors().items(), key=lambda kv: kv[1])[0]
    rows = []
    for y in range(image.height):
        row = image.row(y)[margin:image.width - margin]
        counts: dict = {}
        for c in row:
            counts[c] = counts.get(c, 0) + 1
        color, n = max(counts.items(), key=lambda kv: kv[1]) if counts else (background, 0)
        if color != background and n >= 0.8 * len(row):
            rows.append(y)
    return rows


def menu_picture_matches(image: Image, menu: dict, layout: list[dict]) -> str:
    """What differs between the picture and the menu's layout ("" when nothing): a
    line is drawn across each separator's rectangle and none across an item's."""
    crop = image.crop(menu["x"], menu["y"], menu["w"], menu["h"])
    lines = [y + menu["y"] for y in _line_rows(crop) if 0 < y < crop.height - 1]  # not the frame
    problems = []
    for r in layout:
        inside = [y for y in lines if r["y"] <= y < r["y"] + r["h"]]
        if r["separator"] and not inside:
            problems.append(f"no line across separator {r['index']} (rows {r['y']}..{r['y'] + r['h'] - 1})")
        if not r["separator"] and inside:
            problems.append(f"lines {inside} across item {r['caption']!r}")
    return "; ".join(problems)


def item_for(key: str, items: list[str] = TRAY_MENU) -> str:
    """The item whose caption is `key` or whose access letter is `key`."""
    for it in items:
        if it == key or (it != SEPARATOR and "&" in it and it.split("&", 1)[1][:1].lower() == key.lower()):
            return it
    raise KeyError(key)


def choose_menu_item(key: str, pid=None, items: list[str] = TRAY_MENU, method: str = "click",
                     timeout: float = 5) -> None:
    """Chooses an item of the open pop-up menu by caption or access letter.

    method "click" (default) clicks the item with the pointer; "key" types its access
    letter (reaches the menu only when its program has the keyboard focus)."""
    menu = wait_menu(pid, timeout)
    caption = item_for(key, items)
    if method == "key":
        # The keyboard focus follows the pointer (no window manager): onto the
        # menu's frame first. On a busy machine the display may map the menu
        # after its program shows it, and a key typed before goes elsewhere:
        # typed again while the menu stays open (a key the menu took closes it).
        move_pointer(menu["x"] + 1, menu["y"] + 1)
        for _ in range(3):
            time.sleep(0.3)
            press_key(caption.split("&", 1)[1][:1].lower())
            try:
                poll(lambda: not menu_open(pid), 2, what="the menu to close")
                return
            except E2EError:
                pass
        raise E2EError(f"the menu took no key {caption!r}; the keyboard focus is on {x_focus_name()!r}")
    else:
        x, y = menu_item_centers(menu, items)[caption]
        move_pointer(x, y)
        time.sleep(0.15)
        xdotool("click", 1)
    poll(lambda: not menu_open(pid), timeout, what="the menu to close")


def tray_command(key: str, pid=None, slot: int = 0, method: str = "click") -> None:
    """Opens the tray menu of the icon in `slot` with a right click and chooses an item."""
    Tray.right_click(slot)
    wait_menu(pid)
    choose_menu_item(key, pid, method=method)
    park_pointer()


# ---------------------------------------------------------------------------
# Message boxes


def message_boxes(caption: str | None = None, pid=None, wait: float = 0) -> list[dict]:
    args = []
    if caption is not None:
        args += ["--caption", caption]
    if pid is not None:
        args += ["--pid", pid]
    if wait:
        args += ["--wait", wait]
    res = run_tool("msgbox", *args, timeout=wait + 30)
    return res.records if res.rc == 0 else []


def wait_message_box(caption: str | None = None, pid=None, timeout: float = 10) -> dict:
    boxes = message_boxes(caption, pid, wait=timeout)
    if not boxes:
        raise E2EError(f"no message box {caption!r} (pid {pid}) within {timeout}s")
    return boxes[0]


def button_of(box: dict, ident: int) -> dict:
    for b in box["buttons"]:
        if b["id"] == ident:
            return b
    raise E2EError(f"message box has no button {ident}: {box['buttons']}")


def answer_message_box(box: dict, answer: str, method: str = "click", timeout: float = 10) -> None:
    """Answers a message box found by message_boxes(): "yes", "no", "ok" or "cancel".

    method "click": a real click on the button's centre; "key": the button's access
    letter typed on the keyboard; "command": the button's command posted to the box
    by msgbox.exe (no real input)."""
    ident = {"yes": IDYES, "no": IDNO, "ok": IDOK, "cancel": IDCANCEL}[answer]
    button = button_of(box, ident)
    if method == "click":
        click(button["x"] + button["w"] // 2, button["y"] + button["h"] // 2)
    elif method == "key":
        # The display has no window manager: the keyboard focus follows the
        # pointer, so the pointer goes onto the box (off its buttons) first.
        move_pointer(box["x"] + box["w"] // 2, box["y"] + 40)
        time.sleep(0.5)
        press_key(answer[0])
    elif method == "command":
        run_tool("msgbox", "--pid", box["pid"], "--press", answer)
    else:
        raise ValueError(method)
    _wait_box_gone(box, timeout)


def _wait_box_gone(box: dict, timeout: float) -> None:
    res = run_tool("wininfo", "--hwnd", box["hwnd"], "--visible-only", "--wait", "gone", "--timeout", timeout,
                   timeout=timeout + 30)
    if res.rc != 0:
        raise E2EError(f"message box {box['hwnd']} still shown {timeout}s after answering")


# ---------------------------------------------------------------------------
# MCI command trace

# The emulator prints the command as a debug string: L"...", with \n \r \t \" \\ and a
# backslash plus four hex digits for other characters; "..." follows a cut-off string.
_MCI_LINE = re.compile(
    r'trace:mci:mciSendStringW \(L"((?:[^"\\]|\\.)*)"(?:\.\.\.)?, ([0-9A-Fa-f]+), (\d+), ([0-9A-Fa-f]+)\)')
_ESCAPES = re.compile(r"\\([0-9a-fA-F]{4}|.)")


def _unescape_debugstr(text: str) -> str:
    def one(m):
        e = m.group(1)
        if len(e) == 4:
            return chr(int(e, 16))
        return {"n": "\n", "r": "\r", "t": "\t"}.get(e, e)

    return _ESCAPES.sub(one, text)


@dataclass
class MciCall:
    command: str
    return_buffer: int
    return_length: int
    callback: int


def parse_mci_trace(text: str) -> list[MciCall]:
    """Every mciSendString call in a WINEDEBUG=trace+mci log, in order."""
    calls = []
    for m in _MCI_LINE.finditer(text):
        calls.append(MciCall(_unescape_debugstr(m.group(1)), int(m.group(2), 16), int(m.group(3)),
                             int(m.group(4), 16)))
    return calls


def mci_commands(text: str, program_only: bool = True) -> list[str]:
    """The command strings of the calls; program_only drops the multimedia system's own
    calls (it opens a device that a command names before sending the command, asking
    for a reply text; the program never asks for a reply)."""
    return [c.command for c in parse_mci_trace(text) if not program_only or c.return_buffer == 0]


# ---------------------------------------------------------------------------
# Bookkeeping of what a test run started (reaped after a crash of the driver)

# A second test bed (QUELVO_TESTBED_ENV) may run tests of the same build at the same
# time: what a test bed's tests start and define is kept apart, so that no driver
# reaps what a driver of another test bed is using.
_DEFAULT_TESTBED_ENV = ROOT / "build" / "testbed.env"
BED_WORK_DIR = WORK_DIR if TESTBED_ENV == _DEFAULT_TESTBED_ENV else \
    WORK_DIR / f"bed-{zlib.crc32(str(TESTBED_ENV).encode()):08x}"
_STATE = BED_WORK_DIR / "started.json"


def _load_state() -> dict:
    try:
        return json.loads(_STATE.read_text())
    except (OSError, ValueError):
        return {"processes": [], "drives": []}


def _save_state(state: dict) -> None:
    _STATE.parent.mkdir(parents=True, exist_ok=True)
    tmp = _STATE.with_suffix(".tmp")
    tmp.write_text(json.dumps(state))
    tmp.replace(_STATE)


def _remember(kind: str, value) -> None:
    state = _load_state()
    if value not in state[kind]:
        state[kind].append(value)
    _save_state(state)


def _forget(kind: str, value) -> None:
    state = _load_state()
    state[kind] = [v for v in state[kind] if v != value]
    _save_state(state)


def _process_is(pid: int, marker: str) -> bool:
    try:
        return marker in Path(f"/proc/{pid}/cmdline").read_bytes().decode("utf-8", "replace")
    except OSError:
        return False


def reap_stale() -> None:
    """Ends what an earlier, interrupted run of the driver left behind: its program
    processes (by their recorded process-group ids) and its drive letters."""
    state = _load_state()
    for entry in state["processes"]:
        pid, marker = entry
        if _process_is(pid, marker):
            try:
                os.killpg(pid, signal.SIGKILL)
            except OSError:
                pass
    for letter in state["drives"]:
        try:
            run_tool("cdrom", "remove", f"{letter}:")
        except E2EError:
            pass
        shutil.rmtree(BED_WORK_DIR / f"disc-{letter}", ignore_errors=True)
    _save_state({"processes": [], "drives": []})


# ---------------------------------------------------------------------------
# The program


class Quelvo:
    """One running copy of the program (or of another program given as exe)."""

    def __init__(self, exe: Path | str = QUELVO_EXE, winedebug: str = "-all,trace+mci", name: str = "quelvo",
                 show: str | None = None):
        """show: None starts the program directly (normal show command); "min" or "max"
        starts it through the system's start command with that show command."""
        self.exe = Path(exe)
        self.winedebug = winedebug
        self.name = name
        self.show = show
        self.popen: subprocess.Popen | None = None
        self.pid: int | None = None  # the Windows process id
        self.log_path: Path | None = None
        self.returncode: int | None = None

    def start(self, timeout: float = 15) -> "Quelvo":
        if not self.exe.exists():
            raise E2EError(f"{self.exe} is not built")
        # Other programs built on the same window framework (test programs) have
        # application windows of the same class: the program file name tells ours.
        before = {w["pid"] for w in windows(cls=APP_CLASS, exe=self.exe.name)}
        WORK_DIR.mkdir(parents=True, exist_ok=True)
        self.log_path = WORK_DIR / f"{self.name}-{os.getpid()}-{int(time.time() * 1000)}.log"
        log = open(self.log_path, "wb")
        try:
            command = ["wine", str(self.exe)]
            if self.show:
                # start.exe waits for the program and passes its exit code on
                command = ["wine", "start", "/wait", f"/{self.show}", "/unix", str(self.exe)]
            self.popen = subprocess.Popen(command, env=testbed().env(self.winedebug),
                                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log,
                                          start_new_session=True)
        finally:
            log.close()
        _remember("processes", [self.popen.pid, self.exe.name])

        def new_copy():
            if self.popen.poll() is not None:
                raise E2EError(f"{self.exe.name} ended at start with code {self.popen.returncode}")
            fresh = [w for w in windows(cls=APP_CLASS, exe=self.exe.name) if w["pid"] not in before]
            return fresh[0]["pid"] if fresh else None

        self.pid = poll(new_copy, timeout, what=f"the application window of {self.exe.name}")
        return self

    # -- state
    def running(self) -> bool:
        return self.popen is not None and self.popen.poll() is None

    def windows(self, cls=None, title=None, visible_only=False) -> list[dict]:
        return windows(cls=cls, title=title, pid=self.pid, visible_only=visible_only)

    def form(self, name: str) -> dict | None:
        found = self.windows(cls=FORM_CLASS, title=name)
        return found[0] if found else None

    def wait_form(self, name: str, state: str, timeout: float = 10) -> dict | None:
        found = wait_windows(state, cls=FORM_CLASS, title=name, pid=self.pid, timeout=timeout)
        return found[0] if found else None

    def wait_resident(self, timeout: float = 20) -> None:
        """Waits until start-up is over: the splash has been shown and hidden again."""
        self.wait_form("Form4", "hidden", timeout)

    def log(self) -> str:
        return self.log_path.read_text("utf-8", "replace") if self.log_path else ""

    def mci_commands(self, program_only: bool = True) -> list[str]:
        return mci_commands(self.log(), program_only)

    def wait_mci(self, count: int, timeout: float = 10) -> list[str]:
        """Waits until the trace holds at least `count` program commands; returns them."""
        commands: list[str] = []

        def check() -> bool:
            nonlocal commands
            commands = self.mci_commands()
            return len(commands) >= count

        poll(check, timeout, what=f"{count} MCI commands in {self.log_path}")
        return commands

    # -- ending
    def crash(self) -> str:
        """Where the copy crashed, if it did ("" otherwise): the emulator's report from
        its log, with the function and source line of the address from the program's
        symbols file (Quelvo.exe.debug beside it)."""
        return crash_report(self.log(), self.exe)

    def wait_exit(self, timeout: float = 15) -> int:
        try:
            self.returncode = self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError(f"{self.exe.name} (pid {self.pid}) still running after {timeout}s") from None
        _forget("processes", [self.popen.pid, self.exe.name])
        if self.crash():
            raise E2EError(self.crash())
        return self.returncode

    def kill(self) -> None:
        """Ends the copy at once (its whole process group) and waits until the emulator
        has removed its windows."""
        if self.popen is None:
            return
        if self.popen.poll() is None:
            try:
                os.killpg(self.popen.pid, signal.SIGKILL)
            except OSError:
                pass
            try:
                self.popen.wait(10)
            except subprocess.TimeoutExpired:
                pass
        _forget("processes", [self.popen.pid, self.exe.name])
        if self.pid is not None:
            try:
                wait_windows("gone", pid=self.pid, timeout=10)
            except E2EError:
                pass


_UNHANDLED = re.compile(r"Unhandled (.+?) at address ([0-9A-Fa-f]+)")


def crash_report(log_text: str, exe: Path) -> str:
    """The emulator's report of an unhandled exception in a program's log ("" when
    there is none), with the function and source line of each crash address from the
    program's symbols file (the program itself is shipped without them)."""
    reports = []
    for m in _UNHANDLED.finditer(log_text):
        where = ""
        symbols = Path(str(exe) + ".debug")
        if symbols.exists():
            proc = subprocess.run(["i686-w64-mingw32-addr2line", "-f", "-i", "-e", str(symbols), "0x" + m.group(2)],
                                  capture_output=True, text=True)
            lines = proc.stdout.splitlines()  # function, file:line for each inlined level
            # addr2line drops the leading underscore the target's c++filt expects
            mangled = "".join(("_" + n if n.startswith("_Z") else n) + "\n" for n in lines[0::2])
            names = subprocess.run(["i686-w64-mingw32-c++filt"], input=mangled, capture_output=True, text=True).stdout
            where = "; ".join(f"{n} ({at})" for n, at in zip(names.split("\n"), lines[1::2]))
        reports.append(f"{exe.name}: unhandled {m.group(1)} at {m.group(2)}" + (f" in {where}" if where else ""))
    return "\n".join(reports)


# ---------------------------------------------------------------------------
# Drive letters


class Drives:
    """Drive letters defined for a test (through cdrom.exe), removed by cleanup()."""

    def __init__(self):
        self.defined: list[str] = []

    @staticmethod
    def query(letter: str) -> dict:
        return run_tool("cdrom", "query", f"{letter}:").records[0]

    def _define(self, letter: str, args: list) -> dict:
        letter = letter.lower()
        if letter in ("c", "z"):
            raise ValueError("the test bed's own drives c: and z: stay as they are")
        if self.query(letter)["type"] != DRIVE_NO_ROOT_DIR and letter not in self.defined:
            raise E2EError(f"drive {letter}: already exists on the test bed")
        _remember("drives", letter)
        self.defined.append(letter)
        res = run_tool("cdrom", "define", f"{letter}:", *args)
        if res.rc != 0:
            raise E2EError(f"could not define {letter}: ({args}): {res.records} {res.stderr}")
        return res.records[0]

    def _disc_dir(self, letter: str) -> Path:
        path = BED_WORK_DIR / f"disc-{letter}"
        shutil.rmtree(path, ignore_errors=True)
        path.mkdir(parents=True)
        (path / "README.TXT").write_text("test disc\n")
        return path

    def cdrom(self, letter: str) -> dict:
        """Makes `letter` a CD-ROM drive holding a disc (a host directory).

        The emulator reports a volume for every CD-ROM drive, also one without a
        directory, so a drive without a disc cannot be made here."""
        return self._define(letter, [str(self._disc_dir(letter.lower()))])

    def fixed(self, letter: str) -> dict:
        """Makes `letter` a hard-disk drive with a volume."""
        return self._define(letter, [str(self._disc_dir(letter.lower())), "--type", "fixed"])

    def removable(self, letter: str) -> dict:
        """Makes `letter` a removable-disk drive with a volume."""
        return self._define(letter, [str(self._disc_dir(letter.lower())), "--type", "removable"])

    def remove(self, letter: str) -> None:
        letter = letter.lower()
        res = run_tool("cdrom", "remove", f"{letter}:")
        if res.rc != 0:
            raise E2EError(f"could not remove {letter}: {res.records} {res.stderr}")
        shutil.rmtree(BED_WORK_DIR / f"disc-{letter}", ignore_errors=True)
        if letter in self.defined:
            self.defined.remove(letter)
        _forget("drives", letter)

    def cleanup(self) -> None:
        errors = []
        for letter in list(self.defined):
            try:
                self.remove(letter)
            except E2EError as e:
                errors.append(str(e))
        if errors:
            raise E2EError("; ".join(errors))


# ---------------------------------------------------------------------------
# Session end


class EndSessionQuery:
    """WM_QUERYENDSESSION sent to the main window(s) by endsession.exe, in the background."""

    def __init__(self, pid=None, hwnd=None, logoff: bool = False, end: bool = False, timeout_ms: int = 120000):
        args = []
        if hwnd is not None:
            args += ["--hwnd", hwnd]
        if pid is not None:
            args += ["--pid", pid]
        if logoff:
            args.append("--logoff")
        if end:
            args.append("--end")
        args += ["--timeout", timeout_ms]
        # output through files, as in run_tool()
        self._out = tempfile.TemporaryFile()
        self._err = tempfile.TemporaryFile()
        self.popen = subprocess.Popen(["wine", str(TOOLS_DIR / "endsession.exe"), *map(str, args)],
                                      env=testbed().env(), stdin=subprocess.DEVNULL, stdout=self._out,
                                      stderr=self._err, start_new_session=True)

    def done(self) -> bool:
        return self.popen.poll() is not None

    def results(self, timeout: float = 30) -> list[dict]:
        try:
            rc = self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError(f"session-end query not answered within {timeout}s") from None
        self._out.seek(0)
        self._err.seek(0)
        out, err = self._out.read().decode("utf-8"), self._err.read().decode("utf-8", "replace")
        if rc not in (0, 1):
            raise E2EError(f"endsession failed ({rc}): {err}")
        return [json.loads(line) for line in out.splitlines() if line.strip()]

    def kill(self) -> None:
        kill_group(self.popen)
        self._out.close()
        self._err.close()


@dataclass
class EndSessionOutcome:
    results: list  # endsession.exe's records
    boxes: list = field(default_factory=list)  # every question box seen, in order, with "answer"

    @property
    def result(self) -> int:
        return self.results[0]["result"]


def query_end_session(answers: list[str], pid=None, method: str = "click", box_timeout: float = 8,
                      timeout: float = 60, logoff: bool = False, end: bool = False) -> EndSessionOutcome:
    """Sends the session-end query and answers each question box in turn with the next
    of `answers` ("yes"/"no"); boxes beyond the answers are answered "no" and recorded
    with "unexpected": True. Returns the query's results and the boxes."""
    query = EndSessionQuery(pid=pid, logoff=logoff, end=end)
    outcome = EndSessionOutcome([])
    deadline = time.monotonic() + timeout
    try:
        while not query.done():
            if time.monotonic() >= deadline:
                raise E2EError(f"session-end query still running after {timeout}s; boxes so far {outcome.boxes}")
            boxes = message_boxes(pid=pid, wait=0.3)
            if not boxes:
                continue
            box = boxes[0]
            log("question box", box["hwnd"], box["caption"], box["text"])
            index = len(outcome.boxes)
            answer = answers[index] if index < len(answers) else "no"
            box["answer"] = answer
            box["unexpected"] = index >= len(answers)
            outcome.boxes.append(box)
            answer_message_box(box, answer, method=method, timeout=box_timeout)
            log("answered", answer)
        outcome.results = query.results(timeout=10)
    finally:
        query.kill()
    return outcome


# ---------------------------------------------------------------------------
# Registry (the 32-bit view, as the program sees it)


def reg_read(key: str, name: str | None = None) -> dict | list | None:
    """One value {"name", "type", "size", "data_hex", "text"} (None when missing), or,
    without name, the list of all values of the key (None when the key is missing)."""
    args = [key] + ([name] if name is not None else [])
    res = run_tool("regread", *args)
    rec = res.records[0]
    if not rec["exists"]:
        return None
    if name is None:
        return rec["values"]
    return rec["values"][0] if rec["values"] else None


def reg_key_exists(key: str) -> bool:
    return run_tool("regread", "--exists", key).rc == 0


def reg_set(key: str, name: str, type_: int, data: bytes) -> None:
    if run_tool("regread", "--set", key, name, type_, data.hex()).rc != 0:
        raise E2EError(f"could not write {key}\\{name}")


def reg_delete_key(key: str) -> None:
    if run_tool("regread", "--delete-key", key).rc != 0:
        raise E2EError(f"could not delete {key}")


# ---------------------------------------------------------------------------
# unittest base


class DesktopLock:
    """Only one end-to-end test at a time uses the test bed's display, also across
    separate test runs (ctest's resource lock covers one run only)."""

    def __init__(self, path: Path | None = None):
        self.path = path or TESTBED_ENV.with_name("e2e-desktop.lock")
        self.file = None

    def acquire(self, timeout: float = 150) -> None:
        self.path.parent.mkdir(parents=True, exist_ok=True)
        self.file = open(self.path, "a")
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(self.file, fcntl.LOCK_EX | fcntl.LOCK_NB)
                return
            except BlockingIOError:
                if time.monotonic() >= deadline:
                    self.file.close()
                    self.file = None
                    raise E2EError(f"the test bed's display stayed busy (lock {self.path}) for {timeout}s")
                time.sleep(0.5)

    def release(self) -> None:
        if self.file is not None:
            fcntl.flock(self.file, fcntl.LOCK_UN)
            self.file.close()
            self.file = None


class E2ETestCase(unittest.TestCase):
    """Base class: a fresh desktop state for each test and cleanup even on failure
    (copies started through self.start() killed, drives removed, a last screenshot
    kept in WORK_DIR/shots)."""

    def setUp(self):
        testbed()
        lock = DesktopLock()
        lock.acquire()
        self.addCleanup(lock.release)
        reap_stale()
        prune_work_files()
        self.drives = Drives()
        self.copies: list[Quelvo] = []
        self.addCleanup(self._cleanup)
        leftover = windows(cls=APP_CLASS, exe=QUELVO_EXE.name)
        if leftover:
            raise E2EError(f"copies of the program from elsewhere are running: {[w['pid'] for w in leftover]}")

    def _cleanup(self):
        try:
            screenshot(f"{self.id().split('.')[-1]}-end", read=False)
        except (subprocess.SubprocessError, OSError):
            pass
        for q in self.copies:
            q.kill()
            if q.crash():
                print(q.crash(), file=sys.stderr)
        for box in message_boxes():
            if box.get("caption") == BOX_CAPTION:
                run_tool("msgbox", "--pid", box["pid"], "--press", "no", check=False)
        self.drives.cleanup()
        park_pointer()

    def start(self, wait_resident: bool = True, **kwargs) -> Quelvo:
        q = Quelvo(name=self.id().split(".")[-1], **kwargs)
        self.copies.append(q)
        q.start()
        if wait_resident:
            q.wait_resident()
        return q

    def shot(self, name: str) -> Image:
        return screenshot(f"{self.id().split('.')[-1]}-{name}")
