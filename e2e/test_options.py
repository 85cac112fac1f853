"""The options window: what it shows for each stored state at start-up, what each real
click and key writes to the registry, the hot-key letter with real key presses, and the
window's own behaviour (first page, page kept, closing, other windows disabled, the tray
menu and the hot key going on while it is shown)."""

import struct
import time
import unittest

from quelvo_e2e import (E2ETestCase, Tray, answer_message_box, choose_menu_item, click, message_boxes,
                        move_pointer, park_pointer, poll, reg_delete_key, reg_read, reg_set, run_tool, screenshot,
                        tray_command, wait_menu, wait_message_box, windows, xdotool)
from test_mainwindow import OtherWindow, system_color, wait_desktop_free

HKLM = "HKLM\\"
RUN = HKLM + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
WINLOGON = HKLM + "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
CDROM = HKLM + "SYSTEM\\CurrentControlSet\\Services\\Cdrom"
EXPLORER = HKLM + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer"
CDFS = HKLM + "SYSTEM\\CurrentControlSet\\Control\\FileSystem\\CDFS"
SETTINGS = HKLM + "SOFTWARE\\Keltrin工作室"
AUTOSTART = "Palomir1.0版"
REG_SZ, REG_DWORD = 1, 4
OURS = [(RUN, AUTOSTART), (WINLOGON, "AllocateCDRoms"), (CDROM, "AutoRun"), (EXPLORER, "NoDriveTypeAutoRun"),
        (CDFS, "PREFETCH"), (CDFS, "CACHESIZE")]

# Client geometry of the window (at 283,139 on the screen).
ORIGIN = (283, 139)
PAGE = (17, 77)  # the pages' client origin
SHEETS = ["启动选项", "CD-ROM功能设置", "光驱开关设定", "CD-ROM性能选项"]
# The tabs wrap onto two rows; the row of the shown page is the lower one.
TAB_ROWS = [[0, 1], [2, 3]]
TAB_X = {0: 65, 1: 190, 2: 72, 3: 195}
TAB_Y_FRONT, TAB_Y_BACK = 65, 46
# Controls, in page coordinates: (page, x, y, w, h).
CONTROLS = {
    "FlatCheckBox1": (0, 20, 36, 217, 21), "FlatComboBox4": (1, 8, 28, 165, 21),
    "FlatCheckBox2": (1, 8, 56, 185, 17), "FlatCheckBox3": (1, 8, 76, 133, 17),
    "FlatComboBox1": (2, 72, 48, 49, 21), "FlatComboBox2": (3, 120, 36, 97, 21),
    "FlatComboBox3": (3, 120, 68, 97, 21),
}
SPEEDS = ["4倍速", "8倍速", "16倍速", "24倍速", "32倍速", "36倍速", "40倍速", "48倍速或更高(默认值)"]
CACHES = ["系统默认", "适中", "更大"]
ACCESS = ["仅本地登录用户能使用", "只能被域中的管理员使用"]
NOTICE = (24, 188, 240, 13)  # the restart notice on the bottom bar, client coordinates
CLOSE_BUTTON = (244 + 12, 4 + 12)  # "X" on the top bar
WHITE, BLACK = (255, 255, 255), (0, 0, 0)


def dword(v: int) -> tuple:
    return REG_DWORD, struct.pack("<I", v)


def sz(text: str) -> tuple:
    return REG_SZ, text.encode("gbk") + b"\0"


def clear_registry() -> None:
    for key, name in OURS:
        if reg_read(key, name) is not None:
            run_tool("regread", "--delete-value", key, name)
    reg_delete_key(SETTINGS)


def preset(values: dict) -> None:
    clear_registry()
    for (key, name), (type_, data) in values.items():
        reg_set(key, name, type_, data)


def value(key: str, name: str):
    v = reg_read(key, name)
    return None if v is None else (v["type"], bytes.fromhex(v["data_hex"]))


def screen(x: int, y: int) -> tuple:
    return ORIGIN[0] + x, ORIGIN[1] + y


class OptionsCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        wait_desktop_free()
        self.addCleanup(clear_registry)
        self.page = 3

    # -- the window
    def open_options(self, q) -> dict:
        tray_command("V")
        form = q.wait_form("Form2", "visible")
        self.assertEqual((form["x"], form["y"], form["w"], form["h"]), (283, 139, 280, 203))
        time.sleep(0.4)
        return form

    def children(self) -> list:
        return run_tool("wininfo", "--title", "Form2", "--children", "--text").records[1:]

    def shown_page(self) -> int:
        shown = [c["title"] for c in self.children() if c["class"] == "QuelvoTabSheet" and c["visible"]]
        self.assertEqual(len(shown), 1, f"one page shown: {shown}")
        return SHEETS.index(shown[0])

    def go_to(self, page: int) -> None:
        if page == self.page:
            return
        front = page in TAB_ROWS[0] and self.page in TAB_ROWS[0] or page in TAB_ROWS[1] and self.page in TAB_ROWS[1]
        click(*screen(TAB_X[page], TAB_Y_FRONT if front else TAB_Y_BACK))
        poll(lambda: self.shown_page() == page, 5, what=f"page {SHEETS[page]}")
        self.page = page
        park_pointer()
        time.sleep(0.2)

    def point(self, name: str, x: int, y: int) -> tuple:
        page, cx, cy, _, _ = CONTROLS[name]
        self.go_to(page)
        return screen(PAGE[0] + cx + x, PAGE[1] + cy + y)

    def combo_texts(self) -> dict:
        """The native combo boxes' current texts, by control name."""
        out = {}
        for c in self.children():
            if c["class"] != "ComboBox":
                continue
            for name, (page, x, y, w, h) in CONTROLS.items():
                if (c["x"], c["y"]) == screen(PAGE[0] + x, PAGE[1] + y):
                    out[name] = c["text"]
        return out

    def checked(self, name: str) -> bool:
        """Whether the box shows its mark: the mark's middle row is black."""
        self.point(name, 0, 0)
        x, y = self.point(name, 1 + 2, 3 + 6)
        img = screenshot("options-box")
        return all(img.pixel(x + i, y) == BLACK for i in range(5))

    def notice_shown(self) -> bool:
        img = screenshot("options-notice")
        x, y, w, h = NOTICE
        return img.crop(ORIGIN[0] + x, ORIGIN[1] + y, w, h).count(WHITE, tolerance=40) > 30

    def pick(self, name: str, index: int, q=None) -> None:
        """Drops the list with a click and clicks the entry (the list shows all of its
        entries: at most eight)."""
        _, _, _, w, h = CONTROLS[name]
        count = {"FlatComboBox2": 8, "FlatComboBox3": 3, "FlatComboBox4": 2}[name]
        click(*self.point(name, w - 6, h // 2))
        lists = poll(lambda: windows(cls="ComboLBox", visible_only=True), 5, what="the dropped list")
        drop = lists[0]
        pitch = (drop["client_h"]) / count
        click(drop["client_x"] + drop["client_w"] // 2, int(drop["client_y"] + pitch * index + pitch / 2))
        time.sleep(0.3)
        park_pointer()

    def toggle(self, name: str) -> None:
        """Points at the check box's box, as a user does, and clicks it. Without a window
        manager the keyboard focus follows the pointer: coming back from the parked
        place, the window is activated only after the first move over it, and a box
        never turns hot while its program is in the background; a second move then
        makes it hot."""
        x, y = self.point(name, 6, 9)
        move_pointer(x, y)
        time.sleep(0.3)
        move_pointer(x + 1, y)
        time.sleep(0.2)
        xdotool("click", 1)
        time.sleep(0.2)

    def ctrl_key(self, letter: str) -> None:
        """A real Ctrl+letter press with the keyboard focus on a shown window of the program."""
        move_pointer(*screen(6, 100))  # the options window's left frame bar
        time.sleep(0.2)
        xdotool("key", f"ctrl+{letter}")


class Loading(OptionsCase):
    """One program start per stored state, several values per start."""

    def loaded(self, values: dict, boxes: list[str] = ()) -> tuple:
        preset(values)
        # A message at start-up keeps the splash up until it is answered.
        q = self.start(wait_resident=not boxes)
        for text in boxes:
            box = wait_message_box("Quelvo", pid=q.pid, timeout=20)
            self.assertEqual(box["text"], text)
            answer_message_box(box, "ok")
        q.wait_resident()
        self.assertEqual(message_boxes(pid=q.pid), [], "no other message at start-up")
        self.open_options(q)
        self.assertEqual(self.shown_page(), 3, "the first showing is on the performance page")
        return q, self.combo_texts()

    def test_known_values_select_their_entries(self):
        exe_elsewhere = "D:\\Elsewhere\\Other.exe"
        q, texts = self.loaded({(WINLOGON, "AllocateCDRoms"): sz("1"), (CDFS, "PREFETCH"): dword(2165),
                                (CDFS, "CACHESIZE"): dword(1238), (EXPLORER, "NoDriveTypeAutoRun"): dword(0x95),
                                (RUN, AUTOSTART): sz(exe_elsewhere)})
        self.assertEqual(texts, {"FlatComboBox4": ACCESS[0], "FlatComboBox2": SPEEDS[7], "FlatComboBox3": CACHES[1],
                                 "FlatComboBox1": ""})
        self.assertFalse(self.notice_shown())
        self.assertTrue(self.checked("FlatCheckBox1"))
        # The autostart value now names this program, the policy mask is left alone.
        exe = value(RUN, AUTOSTART)
        self.assertEqual(exe[0], REG_SZ)
        self.assertTrue(exe[1].lower().endswith(b"\\quelvo.exe\0"), exe)
        self.assertNotEqual(exe[1], exe_elsewhere.encode() + b"\0")
        self.assertEqual(value(EXPLORER, "NoDriveTypeAutoRun"), dword(0x95))
        self.assertFalse(self.checked("FlatCheckBox3"))
        self.assertFalse(self.checked("FlatCheckBox2"))

    def test_other_values_select_nothing_and_switches_show_the_notice(self):
        q, texts = self.loaded({(WINLOGON, "AllocateCDRoms"): sz("0"), (CDFS, "PREFETCH"): dword(2166),
                                (CDFS, "CACHESIZE"): dword(1000), (EXPLORER, "NoDriveTypeAutoRun"): dword(1),
                                (CDROM, "AutoRun"): dword(0)})
        self.assertEqual(texts, {"FlatComboBox4": ACCESS[1], "FlatComboBox2": "", "FlatComboBox3": "",
                                 "FlatComboBox1": ""})
        self.assertTrue(self.notice_shown(), "the restart notice at the first showing")
        self.assertEqual(value(EXPLORER, "NoDriveTypeAutoRun"), dword(1))
        self.assertEqual(value(CDROM, "AutoRun"), dword(0))
        self.assertTrue(self.checked("FlatCheckBox2"))
        self.assertTrue(self.checked("FlatCheckBox3"))
        self.assertFalse(self.checked("FlatCheckBox1"))

    def test_empty_access_text_and_a_policy_stored_as_text(self):
        q, texts = self.loaded({(WINLOGON, "AllocateCDRoms"): sz(""), (EXPLORER, "NoDriveTypeAutoRun"): sz("1"),
                                (CDFS, "PREFETCH"): dword(896)},
                               boxes=["'NoDriveTypeAutoRun' 的数据类型是无效的."])
        # Loading ended at the policy: the read-ahead class is not shown.
        self.assertEqual(texts, {"FlatComboBox4": ACCESS[1], "FlatComboBox2": "", "FlatComboBox3": "",
                                 "FlatComboBox1": ""})
        self.assertEqual(value(EXPLORER, "NoDriveTypeAutoRun"), sz("1"))

    def test_no_access_value_and_no_image_can_see(self):
        # The main window's settings step and the appearance window's loading
        # each report the missing value; the options window then loads neither
        # pictures nor the frame colour.
        q, texts = self.loaded({(SETTINGS, "ImagePath"): sz(""), (SETTINGS, "BarColor"): sz("clRed"),
                                (SETTINGS, "Key_Value"): dword(65)},
                               boxes=["从 'ImageCanSee' 获得数据失败."] * 2)
        self.assertEqual(texts, {"FlatComboBox4": "", "FlatComboBox2": "", "FlatComboBox3": "", "FlatComboBox1": ""})
        img = screenshot("options-frame")
        frame = system_color(1)
        for x, y in [(2, 100), (270, 100), (140, 195), (5, 5)]:
            self.assertEqual(img.pixel(*screen(x, y)), frame, f"frame at {x},{y} in {img.path}")


class Changes(OptionsCase):
    """Every change by a real click or key, read back from the registry."""

    def test_switches_and_lists_write_at_once(self):
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz(""),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(66)})
        reg_delete_key(EXPLORER)
        q = self.start()
        self.open_options(q)
        steps = [
            ("pick", "FlatComboBox2", 2, CDFS, "PREFETCH", dword(896)),
            ("pick", "FlatComboBox2", 7, CDFS, "PREFETCH", dword(2165)),
            ("pick", "FlatComboBox3", 2, CDFS, "CACHESIZE", dword(2476)),
            ("pick", "FlatComboBox3", 0, CDFS, "CACHESIZE", dword(619)),
            ("pick", "FlatComboBox4", 0, WINLOGON, "allocatecdroms", sz("1")),
            ("pick", "FlatComboBox4", 1, WINLOGON, "allocatecdroms", sz("0")),
            ("click", "FlatCheckBox1", None, RUN, AUTOSTART, "exe"),
            ("click", "FlatCheckBox1", None, RUN, AUTOSTART, None),
        ]
        for kind, name, index, key, vname, expected in steps:
            with self.subTest(name=name, index=index):
                if kind == "pick":
                    self.pick(name, index)
                else:
                    self.toggle(name)
                    park_pointer()
                got = poll(lambda: value(key, vname) if expected is not None else not value(key, vname), 5,
                           what=f"{vname} written")
                if expected == "exe":
                    self.assertEqual(got[0], REG_SZ)
                    self.assertTrue(got[1].lower().endswith(b"\\quelvo.exe\0"), got)
                elif expected is not None:
                    self.assertEqual(got, expected)
        self.assertFalse(self.notice_shown(), "lists and the autostart switch show no notice")
        # AutoPlay and AutoRun: the notice comes with the first of them and stays.
        self.toggle("FlatCheckBox2")
        self.assertEqual(poll(lambda: value(CDROM, "AutoRun"), 5), dword(0))
        self.assertTrue(self.notice_shown())
        self.toggle("FlatCheckBox2")
        poll(lambda: value(CDROM, "AutoRun") == dword(1), 5, what="AutoRun 1")
        self.toggle("FlatCheckBox3")
        self.assertEqual(poll(lambda: value(EXPLORER, "NoDriveTypeAutoRun"), 5), dword(1))
        self.toggle("FlatCheckBox3")
        poll(lambda: value(EXPLORER, "NoDriveTypeAutoRun") == dword(0), 5, what="NoDriveTypeAutoRun 0")
        park_pointer()
        self.assertTrue(self.notice_shown())
        self.assertEqual(message_boxes(pid=q.pid), [])

    def test_letter_list_moves_the_hot_key(self):
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz(""),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(66)})
        q = self.start()
        self.open_options(q)
        self.assertEqual(self.combo_texts()["FlatComboBox1"], "", "the letter list is blank at first")
        # A typed letter picks the entry of the focused list.
        click(*self.point("FlatComboBox1", 10, 10))
        time.sleep(0.3)
        xdotool("key", "Escape")
        xdotool("key", "z")
        poll(lambda: value(SETTINGS, "Key_Value") == dword(90), 5, what="Key_Value 90")
        self.assertEqual(self.combo_texts()["FlatComboBox1"], "Z")
        self.ctrl_key("b")
        time.sleep(1.0)
        self.assertEqual(q.mci_commands(), [], "Ctrl+B is no longer the hot key")
        other = OtherWindow(hotkey=ord("B"))
        try:
            self.assertTrue(other.info["hotkey"], "Ctrl+B is free again for another program")
        finally:
            other.close()
        self.ctrl_key("z")
        self.assertEqual(q.wait_mci(1), ["set cdaudio door open"])
        # Picking the letter in force again keeps it working.
        click(*self.point("FlatComboBox1", 10, 10))
        time.sleep(0.3)
        xdotool("key", "Escape")
        xdotool("key", "z")
        time.sleep(0.5)
        self.assertEqual(value(SETTINGS, "Key_Value"), dword(90))
        self.ctrl_key("z")
        self.assertEqual(q.wait_mci(2), ["set cdaudio door open", "Set cdaudio door closed"])


class Window(OptionsCase):
    def test_pages_closing_and_the_tray_while_shown(self):
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz(""),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(66)})
        q = self.start()
        Tray.double_click(0)
        q.wait_form("Form1", "visible")
        park_pointer()
        self.open_options(q)
        self.assertFalse(q.form("Form1")["enabled"], "the main window is disabled while the options are shown")
        for page in range(4):
            self.go_to(page)
        # The tray menu works meanwhile: its door item, and the options item again.
        tray_command("J")
        self.assertEqual(q.wait_mci(1), ["set cdaudio door open"])
        tray_command("V")
        box = wait_message_box("Quelvo", pid=q.pid)
        self.assertEqual(box["text"], "无法使不可见窗口成为模态.")
        answer_message_box(box, "ok")
        # The hot key's own toggle opens first: the menu's door items leave it alone.
        self.ctrl_key("b")
        self.assertEqual(q.wait_mci(2), ["set cdaudio door open", "set cdaudio door open"])
        # "X" closes the window; the page shown is kept for the next showing.
        self.go_to(1)
        click(*screen(*CLOSE_BUTTON))
        q.wait_form("Form2", "hidden")
        self.assertTrue(q.form("Form1")["enabled"])
        self.assertTrue(q.running())
        park_pointer()
        self.open_options(q)
        self.assertEqual(self.shown_page(), 1, "the page shown last")
        # The pop-up menu's only item closes this window only.
        click(*screen(PAGE[0] + 200, PAGE[1] + 90), button=3)
        wait_menu(q.pid)
        choose_menu_item("Q", q.pid, items=["退出      &Q"])
        q.wait_form("Form2", "hidden")
        time.sleep(0.5)
        self.assertTrue(q.running())
        self.assertEqual(Tray.icon_count(), 1)


if __name__ == "__main__":
    unittest.main()
