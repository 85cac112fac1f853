"""A soak of one running copy by real input: every window shown and hidden many times,
the pointer passed over the speed buttons, flat buttons and check boxes, pictures of
each kind loaded through the appearance window's open dialog, frame colours picked and
applied, the hot key pressed; then the program ends from its tray menu. Its private
memory (the Linux process's RssAnon), its kernel handles (the system's handle list,
tools/handlecount) and its GDI objects of each kind (the program's own counts,
tools/gdicount) are read after a warm-up round and at the end, and must not grow.

The test command runs the short form, ten rounds. QUELVO_SOAK_SCALE=10 (scripts/soak)
runs the full one, ten times as many. Each round shows and hides every window three
times, passes the pointer over ten controls, loads one picture, applies one colour and
presses the hot key once. The figures (also read every tenth of the full form) go to
WORK_DIR/soak-<scale>.json."""

import collections
import contextlib
import json
import os
import select
import subprocess
import sys
import time
import unittest
from pathlib import Path

from quelvo_e2e import (BED_WORK_DIR, MENU_CLASS, TOOLS_DIR, TRAY_MENU, WORK_DIR, E2EError, E2ETestCase, Tray,
                        TrayWatch, kill_group, menu_item_centers, message_boxes, park_pointer, reg_read, reg_set,
                        run_tool, screenshot, testbed, wait_menu, xdotool)
from test_appearance import make_halves
from test_mainwindow import wait_desktop_free, windows_path
from test_options import SETTINGS, clear_registry, dword, sz

SCALE = int(os.environ.get("QUELVO_SOAK_SCALE", "1"))
ROUNDS = 10 * SCALE
CYCLES_PER_ROUND = 3  # shows and hides of each window in a round
SAMPLE_EVERY = ROUNDS if SCALE == 1 else max(1, ROUNDS // 10)  # rounds between two readings of the figures
MEMORY_SLACK_KB = 1024
HANDLE_SLACK = 10
# The key of the open dialog's list of recent folders: Wine 8's file dialog opens
# it each time a file is chosen and never closes it. Not the program's handle: counted
# apart, at most one per picture chosen.
DIALOG_KEY = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU"
GDI_KINDS = ["gdi.brush", "gdi.pen", "gdi.font", "gdi.bitmap", "gdi.dc", "gdi.metafile", "gdi.icon"]

# Screen points (the windows open at their design places).
MAIN = (394, 156)
MAIN_CLOSE = (394 + 232, 156 + 20)
MAIN_BODY = (394 + 40, 156 + 100)  # inside the frame: activates the window
MAIN_NEUTRAL = (394 + 6, 156 + 100)  # the left frame bar
OPTIONS = (283, 139)
OPTIONS_CLOSE = (283 + 256, 139 + 16)
OPTIONS_NEUTRAL = (283 + 6, 139 + 100)
OPTIONS_TAB_PAGE2 = (283 + 190, 139 + 46)  # "CD-ROM功能设置", in the back row while page 4 is shown
# The check boxes of page 2 (the pages' client origin is 17, 77).
CHECK_BOXES = [(283 + 17 + 8 + 60, 139 + 77 + 56 + 8), (283 + 17 + 8 + 60, 139 + 77 + 76 + 8)]
LOOKS = (221, 130)
LOOKS_CLOSE = (221 + 312, 130 + 20)
LOOKS_NEUTRAL = (221 + 6, 130 + 100)
LOOKS_BUTTONS = {"打开文件": (32, 140, 65, 25), "确定  &A": (240, 148, 69, 25), "取消  &C": (240, 184, 69, 25),
                 "清除图片": (32, 172, 65, 25), "恢复默认值 &R": (216, 76, 93, 25)}
PICKER = (221 + 28 + 121 - 6, 130 + 76 + 9)
ABOUT_OK = (242 + 112 + 38, 136 + 300 + 12)
ABOUT_NEUTRAL = (242 + 3, 136 + 150)
HOT_FILL = (235, 234, 225)

# The pictures loaded by turns: JPEG, bitmap, icon, metafile (a Windows and an
# enhanced one by turns).
PICTURES = ["JPG", "bmp", "ico", "wmf", "JPG", "bmp", "ico", "emf"]

# The frame colours applied by turns: the picker's first two entries, picked with
# the arrow keys from the one shown.
COLOURS = [("Down", "clMaroon"), ("Up", "clBlack")]


def centre(origin, rect):
    x, y, w, h = rect
    return origin[0] + x + w // 2, origin[1] + y + h // 2


def rss_anon_kb(linux_pid: int) -> int:
    for line in Path(f"/proc/{linux_pid}/status").read_text().splitlines():
        if line.startswith("RssAnon:"):
            return int(line.split()[1])
    raise E2EError(f"no RssAnon for process {linux_pid}")


class Watch:
    """tools/winwatch.exe kept running: each wait for a window costs no Wine start."""

    def __init__(self):
        self.popen = subprocess.Popen(["wine", str(TOOLS_DIR / "winwatch.exe")], env=testbed().env(),
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      start_new_session=True)

    def ask(self, question: str, timeout: float) -> dict:
        self.popen.stdin.write(question.encode("gbk") + b"\n")
        self.popen.stdin.flush()
        ready, _, _ = select.select([self.popen.stdout], [], [], timeout + 20)
        line = self.popen.stdout.readline() if ready else b""
        if not line:
            raise E2EError(f"winwatch gave no answer to {question!r}")
        answer = json.loads(line)
        if not answer["ok"]:
            raise E2EError(f"{question!r} did not come true within {timeout}s: {answer}")
        return answer

    def state(self, hwnd: str, state: str, timeout: float = 5) -> dict:
        return self.ask(f"wait {hwnd} {state} {int(timeout * 1000)}", timeout)

    def shown(self, pid: int, cls: str, title: str = "", timeout: float = 5) -> dict:
        return self.ask(f"find {pid} {int(timeout * 1000)} {cls} {title}".rstrip(), timeout)

    def none(self, pid: int, cls: str, title: str = "", timeout: float = 5) -> dict:
        return self.ask(f"none {pid} {int(timeout * 1000)} {cls} {title}".rstrip(), timeout)

    def close(self) -> None:
        try:
            self.popen.stdin.close()
            self.popen.wait(10)
        except (OSError, subprocess.TimeoutExpired):
            pass
        kill_group(self.popen)
        self.popen.stdout.close()


# Real pointer input through one run of xdotool each: the X server delivers the
# motion and the buttons in the order they were sent, so no wait for the motion.
def move(x: int, y: int) -> None:
    xdotool("mousemove", x, y)


def click(x: int, y: int, button: int = 1, repeat: int = 1) -> None:
    xdotool("mousemove", x, y, "click", "--repeat", repeat, "--delay", 80, button)


def passes(points, neutral) -> None:
    """The pointer onto each point and off to `neutral` again, resting on each long
    enough for the program to see it there (the emulator merges motions it has not
    handled yet)."""
    steps = ["mousemove", *neutral, "sleep", "0.03"]
    for x, y in points:
        steps += ["mousemove", x, y, "sleep", "0.04", "mousemove", *neutral, "sleep", "0.03"]
    xdotool(*steps)


class Soak(E2ETestCase):
    def setUp(self):
        super().setUp()
        wait_desktop_free()
        clear_registry()
        self.addCleanup(clear_registry)
        # A settings key of an earlier run: the hot key Ctrl+A is registered at start.
        for name, value in (("ImageCanSee", dword(0)), ("ImagePath", sz("")), ("BarColor", sz("clBackground")),
                            ("Key_Value", dword(65))):
            reg_set(SETTINGS, name, *value)
        BED_WORK_DIR.mkdir(parents=True, exist_ok=True)
        self.files = {}
        for kind in PICTURES:
            self.files[kind] = BED_WORK_DIR / f"soak.{kind}"
            if not self.files[kind].exists():
                make_halves(kind, self.files[kind])
        self.watch = Watch()
        self.addCleanup(self.watch.close)
        self.loads = self.colours = self.presses = self.passed = 0
        self.cycles = {"Form1": 0, "Form2": 0, "Form3": 0, "Form5": 0}
        self.spent = collections.defaultdict(float)  # seconds, by what was done

    @contextlib.contextmanager
    def timed(self, what: str):
        start = time.monotonic()
        try:
            yield
        finally:
            self.spent[what] += time.monotonic() - start

    # -- the windows, each opened and closed as a person does
    def menu_command(self, caption: str) -> None:
        """Right click on the tray icon, then a click on the item."""
        click(*self.icon, button=3)
        menu = self.watch.shown(self.q.pid, MENU_CLASS)
        if self.items is None:
            self.menu_rect = (menu["x"], menu["y"], menu["w"], menu["h"])
            self.items = menu_item_centers(wait_menu(self.q.pid), TRAY_MENU)
        self.assertEqual((menu["x"], menu["y"], menu["w"], menu["h"]), self.menu_rect, "the menu at the icon")
        click(*self.items[caption])

    def show(self, name: str) -> None:
        with self.timed(f"{name} shown"):
            self.show_only(name)

    def show_only(self, name: str) -> None:
        if name == "Form1":
            click(*self.icon, repeat=2)
        else:
            self.menu_command({"Form2": "查看设置     &V", "Form3": "界面选项     &M",
                               "Form5": "关于Keltrin  &A"}[name])
        self.watch.state(self.hwnd[name], "visible")

    def hide(self, name: str) -> None:
        with self.timed(f"{name} hidden"):
            self.hide_only(name)

    def hide_only(self, name: str) -> None:
        click(*{"Form1": MAIN_CLOSE, "Form2": OPTIONS_CLOSE, "Form3": LOOKS_CLOSE, "Form5": ABOUT_OK}[name])
        self.watch.state(self.hwnd[name], "hidden")
        self.cycles[name] += 1

    # -- what is done while a window is shown
    def hot_key(self) -> None:
        click(*MAIN_BODY)  # the main window active, the keyboard on it
        xdotool("key", "ctrl+a")
        self.presses += 1
        self.q.wait_mci(self.presses)

    def load_picture(self, kind: str) -> None:
        path = self.files[kind]
        click(*centre(LOOKS, LOOKS_BUTTONS["打开文件"]))
        dialog = self.watch.shown(self.q.pid, "#32770", "打开")
        if self.name_box is None:
            edit = [c for c in run_tool("wininfo", "--hwnd", dialog["hwnd"], "--children").records[1:]
                    if c["class"] == "Edit"][0]
            self.name_box = (edit["x"] - dialog["x"] + 40, edit["y"] - dialog["y"] + edit["h"] // 2)
        click(dialog["x"] + self.name_box[0], dialog["y"] + self.name_box[1])
        xdotool("type", "--delay", 4, windows_path(path))
        xdotool("key", "Return")
        self.watch.state(dialog["hwnd"], "gone")
        self.loads += 1
        self.wait_stored("ImagePath", windows_path(path), f"load {self.loads}")

    def wait_stored(self, name: str, text: str, what: str) -> None:
        """Waits until the settings key holds the text (written once the handler is done)."""
        deadline = time.monotonic() + 10
        while (reg_read(SETTINGS, name) or {}).get("data_hex") != (text.encode("gbk") + b"\0").hex():
            if time.monotonic() > deadline:
                raise E2EError(f"{what}: {name} is not {text!r} but {reg_read(SETTINGS, name)}")
            time.sleep(0.02)

    def apply_colour(self) -> None:
        key, name = COLOURS[self.colours % len(COLOURS)]
        click(*PICKER)
        self.watch.shown(self.q.pid, "ComboLBox")
        xdotool("key", key, "Return")
        self.watch.none(self.q.pid, "ComboLBox")
        click(*centre(LOOKS, LOOKS_BUTTONS["确定  &A"]))
        self.colours += 1
        self.wait_stored("BarColor", name, f"colour {self.colours}")

    def pass_over(self, points, neutral) -> None:
        with self.timed("pointer passes"):
            passes(points, neutral)
        self.passed += len(points)

    # -- one round of everything
    def round(self, warm_up: bool = False) -> None:
        for i in range(CYCLES_PER_ROUND):
            self.show("Form1")
            if i == 0:
                with self.timed("hot-key presses"):
                    self.hot_key()
                self.pass_over([MAIN_CLOSE], MAIN_NEUTRAL)
            self.hide("Form1")
        for i in range(CYCLES_PER_ROUND):
            self.show("Form2")
            if i == 0:
                if warm_up:  # the page with two check boxes, kept from then on
                    click(*OPTIONS_TAB_PAGE2)
                    self.assert_page("CD-ROM功能设置")
                self.pass_over(CHECK_BOXES + [OPTIONS_CLOSE], OPTIONS_NEUTRAL)
            self.hide("Form2")
        for i in range(CYCLES_PER_ROUND):
            self.show("Form3")
            if i == 0:
                for kind in self.warm_up_pictures if warm_up else [PICTURES[self.loads % len(PICTURES)]]:
                    with self.timed("picture loads"):
                        self.load_picture(kind)
                with self.timed("colours"):
                    self.apply_colour()
                self.pass_over([centre(LOOKS, r) for r in LOOKS_BUTTONS.values()], LOOKS_NEUTRAL)
                if warm_up:
                    self.assert_hot_look()
            self.hide("Form3")
        for i in range(CYCLES_PER_ROUND):
            self.show("Form5")
            if i == 0:
                self.pass_over([ABOUT_OK], ABOUT_NEUTRAL)
            self.hide("Form5")

    def assert_page(self, title: str) -> None:
        deadline = time.monotonic() + 5
        while True:
            shown = [c["title"] for c in run_tool("wininfo", "--hwnd", self.hwnd["Form2"], "--children").records[1:]
                     if c["class"] == "QuelvoTabSheet" and c["visible"]]
            if shown == [title]:
                return
            if time.monotonic() > deadline:
                self.fail(f"the options window shows {shown}, not {title}")
            time.sleep(0.1)

    def assert_hot_look(self) -> None:
        """The passes are seen: a flat button under the pointer shows its hot fill."""
        x, y, w, h = LOOKS_BUTTONS["清除图片"]
        move(LOOKS[0] + x + 10, LOOKS[1] + y + 10)
        deadline = time.monotonic() + 3
        while screenshot("soak-hot").pixel(LOOKS[0] + x + 3, LOOKS[1] + y + 3) != HOT_FILL:
            if time.monotonic() > deadline:
                self.fail("the flat button under the pointer is not hot")
        move(*LOOKS_NEUTRAL)

    # -- the figures
    def figures(self) -> dict:
        park_pointer()
        for name, hwnd in self.hwnd.items():
            self.watch.state(hwnd, "hidden")
        time.sleep(0.5)  # the hover timers and the idle release of a decoded picture have run
        listed = run_tool("handlecount", "--pid", self.q.pid, "--names").records
        dialog_keys = sum(1 for h in listed[1:] if h["name"].endswith(DIALOG_KEY))
        gdi = run_tool("gdicount", "--pid", self.q.pid, *GDI_KINDS).records[0]["counters"]
        return {"rss_anon_kb": rss_anon_kb(self.q.popen.pid), "handles": listed[0]["handles"] - dialog_keys,
                "dialog_keys": dialog_keys, "gdi": gdi, "seconds": round(time.monotonic() - self.t0, 1)}

    def test_windows_input_and_pictures_leave_memory_handles_and_gdi_objects_flat(self):
        self.t0 = time.monotonic()
        self.q = self.start()
        self.hwnd = {name: self.q.form(name)["hwnd"] for name in self.cycles}
        self.icon = Tray.slot_center(0)
        self.items = self.name_box = None

        # Warm-up: every window, every kind of picture, a colour and the hot key once;
        # the last picture is the one the last round loads, so that both leave the
        # same state behind.
        last = PICTURES[(ROUNDS - 1) % len(PICTURES)]
        self.warm_up_pictures = [k for k in dict.fromkeys(PICTURES) if k != last] + [last]
        self.round(warm_up=True)
        counted = {"cycles": dict(self.cycles), "loads": self.loads, "colours": self.colours,
                   "presses": self.presses, "passes": self.passed}
        self.loads = 0
        warm = self.figures()
        rounds = []
        for r in range(1, ROUNDS + 1):
            self.round()
            if r % SAMPLE_EVERY == 0 or r == ROUNDS:
                rounds.append(dict(self.figures(), round=r))
        end = rounds[-1]
        done = {"cycles": {n: c - counted["cycles"][n] for n, c in self.cycles.items()}, "loads": self.loads,
                "colours": self.colours - counted["colours"], "presses": self.presses - counted["presses"],
                "passes": self.passed - counted["passes"]}
        self.assertEqual(self.q.mci_commands(), ["set cdaudio door open", "Set cdaudio door closed"] *
                         (self.presses // 2) + ["set cdaudio door open"] * (self.presses % 2), "the hot key's turns")
        self.assertEqual(message_boxes(pid=self.q.pid), [], "no error on the way")

        # The end from the tray menu: the icon removed while the window still exists, code 0.
        icon = Tray.wait_icon_count(1)[0]
        watch = TrayWatch(icon, self.q.form("Form1"), self.q.pid)
        self.menu_command("退出程序     &Q")
        self.watch.none(self.q.pid, MENU_CLASS)
        exit_code = self.q.wait_exit()
        order = watch.result()["order"]
        spent = {what: round(t, 1) for what, t in sorted(self.spent.items())}
        report = {"scale": SCALE, "rounds": ROUNDS, "done": done, "spent_s": spent, "warm_up": warm, "end": end, "rounds_figures": rounds,
                  "exit_code": exit_code, "tray_order": order, "seconds": round(time.monotonic() - self.t0, 1)}
        (WORK_DIR / f"soak-{SCALE}.json").write_text(json.dumps(report, indent=1))
        print(f"\nsoak x{SCALE}: {json.dumps(done)}\n  warm-up {json.dumps(warm)}\n  end     {json.dumps(end)}\n"
              f"  seconds spent {json.dumps(spent)}\n  exit {exit_code}, tray {order}, {report['seconds']} s",
              file=sys.stderr)

        self.assertEqual(done, {"cycles": {n: CYCLES_PER_ROUND * ROUNDS for n in self.cycles}, "loads": ROUNDS,
                                "colours": ROUNDS, "presses": ROUNDS, "passes": 10 * ROUNDS})
        self.assertLessEqual(abs(end["rss_anon_kb"] - warm["rss_anon_kb"]), MEMORY_SLACK_KB, "private memory")
        self.assertLessEqual(abs(end["handles"] - warm["handles"]), HANDLE_SLACK, "kernel handles")
        self.assertLessEqual(end["dialog_keys"] - warm["dialog_keys"], self.loads, "the dialog's own key handles")
        self.assertEqual(end["gdi"], warm["gdi"], "GDI objects alive of each kind")
        self.assertEqual(exit_code, 0)
        self.assertIn(order, ("icon-first", "together"), "the icon removed by the program")
        Tray.wait_icon_count(0)


if __name__ == "__main__":
    unittest.main()
