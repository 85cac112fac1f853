"""Bad registry data through the whole program: every value read at start-up and by the
windows (the settings key's four, the options window's six system-wide values), each
stored with another type, with no data, with a megabyte, or as a string without its
terminating zero. For each start: exactly the messages the windows give for what is
stored, read from outside; the main, options, appearance and about windows all open and
show what was stored; and the keys hold afterwards exactly what they held before, but
for the autostart value, which loading rewrites with the program's path.

Several cases share one start where they do not interfere: the settings step, the
appearance window and the options window each stop at their first failure, so a start
has at most one failing case among ImageCanSee, ImagePath and BarColor (or, after good
ones, one failing Key_Value, which only the main window reads) and one failing case among
the options window's own values; the options window reads its values only when it is
created, so every case needs a start of its own. Cases read without failure (the
autostart value, an access text) ride along with a failing one read after them."""

import struct
import time
import unittest
from dataclasses import dataclass

from quelvo_e2e import (APP_CLASS, BED_WORK_DIR, FORM_CLASS, QUELVO_EXE, TRAY_MENU, E2EError, E2ETestCase, Tray,
                        click, double_click, item_for, menu_item_centers, run_tool, screenshot,
                        wait_menu, xdotool)
from test_mainwindow import ctrl_key, system_color, wait_desktop_free, windows_path
from test_options import ACCESS, AUTOSTART, CDFS, CDROM, CONTROLS, EXPLORER, PAGE, RUN, SETTINGS, WINLOGON, screen

HKLM = "HKLM\\"
POLICIES = HKLM + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies"
FILESYSTEM = HKLM + "SYSTEM\\CurrentControlSet\\Control\\FileSystem"
# Every key the program reads or may write, and the keys above them in which a
# wrongly placed key would appear.
WATCHED = [SETTINGS, RUN, WINLOGON, CDROM, EXPLORER, CDFS, POLICIES, FILESYSTEM, HKLM + "SOFTWARE", "HKLM"]

REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD = 0, 1, 2, 3, 4
REG_DWORD_BIG_ENDIAN, REG_LINK, REG_MULTI_SZ, REG_QWORD = 5, 6, 7, 11
MB = 1 << 20

# The values, as (key, name).
IMAGE_CAN_SEE, IMAGE_PATH = (SETTINGS, "ImageCanSee"), (SETTINGS, "ImagePath")
BAR_COLOR, KEY_VALUE = (SETTINGS, "BarColor"), (SETTINGS, "Key_Value")
RUN_VALUE, ACCESS_VALUE = (RUN, AUTOSTART), (WINLOGON, "AllocateCDRoms")
AUTOPLAY, POLICY = (CDROM, "AutoRun"), (EXPLORER, "NoDriveTypeAutoRun")
PREFETCH, CACHESIZE = (CDFS, "PREFETCH"), (CDFS, "CACHESIZE")
SYSTEM_VALUES = [RUN_VALUE, ACCESS_VALUE, AUTOPLAY, POLICY, PREFETCH, CACHESIZE]


def dword(v: int) -> tuple:
    return REG_DWORD, struct.pack("<I", v)


def sz(text: str, type_: int = REG_SZ) -> tuple:
    return type_, text.encode("gbk") + b"\0"


# The settings key of a later start: no picture, red frames, Ctrl+B.
BASELINE = {IMAGE_CAN_SEE: dword(0), IMAGE_PATH: sz(""), BAR_COLOR: sz("clRed"), KEY_VALUE: dword(66)}

# A picture of one colour, and a path of a megabyte that names a bitmap no file system holds.
PICTURE = BED_WORK_DIR / "bad-registry.bmp"
PICTURE_COLOUR = (32, 192, 128)
LONG_PATH = b"Z:\\" + b"a" * MB + b".bmp"


def read_error(name: str) -> bytes:
    return f"从 '{name}' 获得数据失败.".encode("gbk")


def type_error(name: str) -> bytes:
    return f"'{name}' 的数据类型是无效的.".encode("gbk")


def quoted(text: bytes) -> bytes:
    """A value as a message quotes it: whole up to 1024 bytes, else its start and "..."."""
    return text if len(text) <= 1024 else text[:1024] + b"..."


def not_a_colour(text: bytes) -> bytes:
    return b"'" + quoted(text) + "' 不是一个有效的整形值.".encode("gbk")


def cannot_open(path: bytes) -> bytes:
    return "不能打开文件 ".encode("gbk") + quoted(path)


@dataclass
class Start:
    """One program start: the values stored besides BASELINE, the messages in the order the
    windows give them (main, appearance, options), and what the windows then show."""
    what: str
    stored: dict
    boxes: list
    frames: tuple  # main, appearance, options: "red" (BarColor applied) or "design"
    pictures: tuple = (False, False, False)  # the background picture shown in main, appearance, options
    access: str = ""  # the access list's text in the options window
    hot_key: bool | None = None  # Ctrl+B toggles the door (None: not tried)


RED, DESIGN = "red", "design"

# Value x case -> expected. Every start also stores the autostart value in another way
# (existence is all loading asks of it: the box is checked and the value rewritten).
STARTS = [
    Start("ImageCanSee a megabyte; access a list of strings",
          {IMAGE_CAN_SEE: (REG_DWORD, b"\1" * MB), RUN_VALUE: (REG_BINARY, b"\xAB" * MB),
           ACCESS_VALUE: (REG_MULTI_SZ, b"1\0\0")},
          [read_error("ImageCanSee")] * 2 + [type_error("AllocateCDRoms")], (DESIGN, DESIGN, DESIGN)),
    Start("ImagePath a string without its zero naming a bitmap, Key_Value a string; access no data",
          {IMAGE_CAN_SEE: dword(1), IMAGE_PATH: (REG_SZ, windows_path(PICTURE).encode("gbk")),
           KEY_VALUE: sz("B"), RUN_VALUE: sz("D:\\x.exe", REG_MULTI_SZ), ACCESS_VALUE: (REG_BINARY, b"")},
          [type_error("Key_Value")], (RED, RED, RED), (True, True, True), access=ACCESS[1], hot_key=False),
    Start("ImagePath a megabyte naming a bitmap; access a string without its zero, AutoRun big-endian",
          {IMAGE_CAN_SEE: dword(1), IMAGE_PATH: (REG_SZ, LONG_PATH + b"\0"), RUN_VALUE: (REG_NONE, b""),
           ACCESS_VALUE: (REG_SZ, b"1"), AUTOPLAY: (REG_DWORD_BIG_ENDIAN, b"\0\0\0\0")},
          [cannot_open(LONG_PATH)] * 2 + [type_error("AutoRun")], (DESIGN, DESIGN, DESIGN), access=ACCESS[0]),
    Start("BarColor a megabyte; NoDriveTypeAutoRun a quadword, access an expandable string",
          {BAR_COLOR: (REG_SZ, b"Q" * MB + b"\0"), RUN_VALUE: (REG_SZ, b"D:\\x.exe"),
           ACCESS_VALUE: sz("1", REG_EXPAND_SZ), POLICY: (REG_QWORD, struct.pack("<Q", 1))},
          [not_a_colour(b"Q" * MB)] * 2 + [read_error("NoDriveTypeAutoRun")], (DESIGN, DESIGN, DESIGN),
          access=ACCESS[0]),
    Start("BarColor a string without its zero, Key_Value a megabyte; PREFETCH a megabyte of text, access a "
          "number of no data",
          {BAR_COLOR: (REG_SZ, b"clRed"), KEY_VALUE: (REG_DWORD, b"\x42" * MB), RUN_VALUE: (REG_QWORD, b"\0" * 8),
           ACCESS_VALUE: (REG_DWORD, b""), PREFETCH: (REG_SZ, b"7" * MB + b"\0")},
          [read_error("Key_Value"), read_error("PREFETCH")], (RED, RED, DESIGN), access=ACCESS[1], hot_key=False),
    Start("BarColor a list of strings; CACHESIZE a number of no data, access a megabyte",
          {BAR_COLOR: (REG_MULTI_SZ, b"clRed\0\0"), RUN_VALUE: (REG_LINK, b"\\\0?\0"),
           ACCESS_VALUE: (REG_SZ, b"Q" * MB + b"\0"), CACHESIZE: (REG_DWORD, b"")},
          [type_error("BarColor")] * 2 + [read_error("CACHESIZE")], (DESIGN, DESIGN, DESIGN), access=ACCESS[1]),
]

# Screen points (x, y) of each window's frame and of its background picture, visible while
# the options window (main, options) or the appearance window is shown over the main one.
MAIN = (394, 156)
MAIN_FRAME = [(MAIN[0] + 255, MAIN[1] + 100), (MAIN[0] + 250, MAIN[1] + 186)]
MAIN_PICTURE = [(MAIN[0] + 244, MAIN[1] + 176), (MAIN[0] + 244, MAIN[1] + 44)]
OPTIONS_FRAME = [screen(2, 100), screen(140, 195), screen(272, 60)]
OPTIONS_PICTURE = [screen(PAGE[0] + 240, PAGE[1] + 4), screen(PAGE[0] + 240, PAGE[1] + 98)]
LOOKS = (221, 130)
LOOKS_FRAME = [(LOOKS[0] + 6, LOOKS[1] + 100), (LOOKS[0] + 330, LOOKS[1] + 100), (LOOKS[0] + 168, LOOKS[1] + 238)]
LOOKS_PICTURE = [(LOOKS[0] + 20, LOOKS[1] + 220), (LOOKS[0] + 150, LOOKS[1] + 150)]
OPTIONS_CLOSE = screen(256, 16)
LOOKS_CLOSE = (LOOKS[0] + 312, LOOKS[1] + 20)
ABOUT_RECT = (242, 136, 305, 345)


def regwrite_data(data: bytes) -> str:
    """regwrite's notation of the bytes: runs of one byte as COUNT*HH, the rest in hex."""
    pieces, i = [], 0
    while i < len(data):
        j = i
        while j < len(data) and data[j] == data[i]:
            j += 1
        if j - i >= 16:
            pieces.append(f"{j - i}*{data[i]:02x}")
        elif pieces and "*" not in pieces[-1]:
            pieces[-1] += data[i:j].hex()
        else:
            pieces.append(data[i:j].hex())
        i = j
    return "+".join(pieces) or "-"


def regwrite(*ops) -> None:
    res = run_tool("regwrite", *ops, check=False)
    if res.rc != 0:
        raise E2EError(f"regwrite failed ({res.rc}): {res.records} {res.stderr}")


def snapshot() -> dict:
    """Every value (type and bytes, names without regard to case) and sub-key of the watched keys."""
    out = {}
    for rec in run_tool("regread", "--dump", *WATCHED).records:
        values = {v["name"].upper(): (v["type"], v["data_hex"]) for v in rec["values"]}
        out[rec["key"].upper()] = (rec["exists"], values, sorted(s.upper() for s in rec["subkeys"]))
    return out


def differences(before: dict, after: dict) -> list[str]:
    found = []
    for key in before:
        (had, old, old_subs), (has, new, new_subs) = before[key], after[key]
        if had != has or old_subs != new_subs:
            found.append(f"{key}: exists {had}->{has}, sub-keys {old_subs}->{new_subs}")
        for name in sorted(set(old) | set(new)):
            if old.get(name) != new.get(name):
                def brief(v):
                    return "missing" if v is None else f"type {v[0]}, {len(v[1]) // 2} bytes {v[1][:40]}"
                found.append(f"{key}\\{name}: {brief(old.get(name))} -> {brief(new.get(name))}")
    return found


def make_picture() -> None:
    w = h = 16
    row = bytes(PICTURE_COLOUR[::-1]) * w + b"\0" * ((4 - w * 3 % 4) % 4)
    pixels = row * h
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    PICTURE.parent.mkdir(parents=True, exist_ok=True)
    PICTURE.write_bytes(header + info + pixels)


class BadData(E2ETestCase):
    def setUp(self):
        super().setUp()
        wait_desktop_free()
        make_picture()
        self.addCleanup(self.clear)
        self.clear()
        # Loading creates the policy's and the file system's sub-keys when they are
        # missing (as documented); here they exist, so that nothing at all is written.
        regwrite("--set", EXPLORER, "QuelvoProbe", REG_NONE, "-", "--delete-value", EXPLORER, "QuelvoProbe",
                 "--set", CDFS, "QuelvoProbe", REG_NONE, "-", "--delete-value", CDFS, "QuelvoProbe")
        self.background = system_color(1)
        self.menu_centres: dict = {}
        # The autostart data: the program's path (drive z: is the host's root), quoted
        # when it holds a blank.
        exe = "Z:" + str(QUELVO_EXE).replace("/", "\\")
        self.exe = (f'"{exe}"' if " " in exe else exe).encode("gbk")

    @staticmethod
    def clear() -> None:
        ops = ["--delete-key", SETTINGS]
        for key, name in SYSTEM_VALUES:
            ops += ["--delete-value", key, name]
        regwrite(*ops)

    def store(self, start: Start) -> None:
        ops = ["--delete-key", SETTINGS]
        for key, name in SYSTEM_VALUES:
            ops += ["--delete-value", key, name]
        for (key, name), (type_, data) in {**BASELINE, **start.stored}.items():
            ops += ["--set", key, name, type_, regwrite_data(data)]
        regwrite(*ops)

    # -- the messages at start-up
    def answer_boxes(self, q, expected: list) -> list[bytes]:
        """Answers the start-up messages one by one (OK) and returns their texts; stops at
        the first one that is not expected or when none comes."""
        got = []
        application = q.windows(cls=APP_CLASS)[0]["hwnd"]
        for want in expected:
            res = run_tool("msgbox", "--caption", "Quelvo", "--pid", q.pid, "--wait", 20, "--press", "ok",
                           timeout=60, check=False)
            if res.rc != 0 or not res.records:
                break
            box = res.records[0]
            got.append(bytes.fromhex(box["text_hex"]))
            self.assertEqual(box["owner"], application, "the application's error box")
            run_tool("wininfo", "--hwnd", box["hwnd"], "--visible-only", "--wait", "gone", "--timeout", 10,
                     timeout=40)
            if got[-1] != want:
                break
        return got

    # -- the windows, through the tray menu as a user opens them
    def tray(self, q, key: str, form: str) -> dict:
        xdotool("mousemove", *self.icon, "sleep", 0.05, "click", 3)
        menu = wait_menu(q.pid)
        place = (menu["x"], menu["y"])
        if place not in self.menu_centres:
            self.menu_centres[place] = menu_item_centers(menu, TRAY_MENU)
        xdotool("mousemove", *self.menu_centres[place][item_for(key)], "sleep", 0.1, "click", 1)
        return q.wait_form(form, "visible")

    def check_colours(self, img, points, colour, what):
        got = {p: img.pixel(*p) for p in points}
        self.assertEqual({p: c for p, c in got.items() if c != colour}, {}, f"{what}: wanted {colour} in {img.path}")

    def check_looks(self, img, frame_points, picture_points, frame, picture, what):
        self.check_colours(img, frame_points, (255, 0, 0) if frame == RED else self.background, f"{what}'s frame")
        got = [img.pixel(*p) for p in picture_points]
        shown = [all(abs(a - b) <= 8 for a, b in zip(c, PICTURE_COLOUR)) for c in got]
        self.assertEqual(shown, [picture] * len(picture_points), f"{what}'s picture: {got} in {img.path}")

    def open_windows(self, q, start: Start) -> None:
        double_click(*self.icon)
        q.wait_form("Form1", "visible")
        self.tray(q, "V", "Form2")
        time.sleep(0.2)
        img = screenshot("bad-registry-options")
        self.check_looks(img, MAIN_FRAME, MAIN_PICTURE, start.frames[0], start.pictures[0], "main window")
        self.check_looks(img, OPTIONS_FRAME, OPTIONS_PICTURE, start.frames[2], start.pictures[2], "options window")
        lists = {c["x"]: c["text"] for c in run_tool("wininfo", "--title", "Form2", "--pid", q.pid, "--children",
                                                     "--text").records[1:] if c["class"] == "ComboBox"}
        self.assertEqual(lists.get(screen(PAGE[0] + CONTROLS["FlatComboBox4"][1], 0)[0]), start.access,
                         "the access list")
        click(*OPTIONS_CLOSE)
        q.wait_form("Form2", "hidden")

        self.tray(q, "M", "Form3")
        time.sleep(0.2)
        img = screenshot("bad-registry-appearance")
        self.check_looks(img, LOOKS_FRAME, LOOKS_PICTURE, start.frames[1], start.pictures[1], "appearance window")
        click(*LOOKS_CLOSE)
        q.wait_form("Form3", "hidden")

        if start.hot_key is not None:
            ctrl_key(q, "b")
            time.sleep(0.8)
            self.assertEqual(bool(q.mci_commands()), start.hot_key, "Ctrl+B")
        about = self.tray(q, "A", "Form5")
        self.assertEqual((about["x"], about["y"], about["w"], about["h"]), ABOUT_RECT)
        shown = {w["title"] for w in q.windows(cls=FORM_CLASS, visible_only=True)}
        self.assertEqual(shown, {"Form1", "Form5"}, "the main and about windows stay shown")

    def test_each_value_stored_badly(self):
        previous = None
        for start in STARTS:
            with self.subTest(start.what):
                self.store(start)
                before = snapshot()
                q = self.start(wait_resident=False)
                if previous is not None:
                    previous.kill()  # while the new copy pauses at start-up
                previous = q
                got = self.answer_boxes(q, start.boxes)
                self.assertEqual([b.decode("gbk", "replace")[:120] for b in got],
                                 [b.decode("gbk", "replace")[:120] for b in start.boxes], "the messages")
                self.assertEqual(got, start.boxes, "the messages, byte for byte")
                q.wait_resident(timeout=10)
                self.assertEqual(run_tool("msgbox", "--pid", q.pid, check=False).records, [], "no other message")
                icon = Tray.wait_icon_count(1)[0]
                self.icon = (icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2)
                self.open_windows(q, start)
                after = snapshot()
                # Loading rewrites the autostart value with the program's path.
                run_key = RUN.upper()
                expected_run = (REG_SZ, (self.exe + b"\0").hex())
                self.assertEqual(after[run_key][1].get(AUTOSTART.upper()), expected_run, "the autostart value")
                before[run_key][1][AUTOSTART.upper()] = expected_run
                self.assertEqual(differences(before, after), [], "nothing else written")
                self.assertTrue(q.running())


if __name__ == "__main__":
    unittest.main()
