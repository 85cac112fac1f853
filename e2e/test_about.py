"""The about window and the desktop shortcut: the about text read back from the memo,
the frame kept in the system background colour after the appearance window recoloured
the frames, hiding and showing again, the link's shades over three seconds (also while the
options window is shown modally), the address and the icon opening the mailto link, the
read-only memo's copying and frame, and the shortcut written on the prefix's desktop,
read back through the shell's link object and started."""

import os
import signal
import time
import unittest
from pathlib import Path

from quelvo_e2e import (APP_CLASS, BED_WORK_DIR, QUELVO_EXE, TOOLS_DIR, E2EError, E2ETestCase, Tray, click,
                        message_boxes, move_pointer, park_pointer, poll, press_key, reg_delete_key, reg_read, reg_set,
                        run_tool, save_readme_picture, screenshot, testbed, tray_command, wait_windows, windows)
from test_mainwindow import system_color, wait_desktop_free

SETTINGS_KEY = "HKLM\\SOFTWARE\\Keltrin工作室"
COLOR_BACKGROUND, COLOR_ACTIVEBORDER = 1, 10
REG_SZ = 1

ADDRESS = "keltrin@example.com"
LINK = "mailto:" + ADDRESS
ABOUT_LINES = [
    " " * 26 + "感谢使用Quelvo",
    "  该软件最有特点的功能就是在关机的时候能够快速",
    "检测出你的光驱内是否有光盘，并且能够马上提示",
    "您将光盘及时的拿出，避免了关机时将光盘忘记在",
    "光驱中的现象。",
    "  另外，该软件还提供了一些常用的光驱设置，使您",
    "能够方便的设置光驱的功能。",
    "",
    "",
    " " * 24 + "谢谢合作！",
    " " * 34 + "Keltrin工作室",
    " " * 38 + "2026年12月",
]
ABOUT_TEXT = "\r\n".join(ABOUT_LINES).encode("gbk")

# The about window and its pieces, in client coordinates.
ABOUT = (242, 136, 305, 345)
FRAME_BARS = [(0, 45, 7, 292), (298, 45, 7, 292), (0, 337, 305, 8),
              # the top bar where neither the icon nor the caption is drawn
              (0, 0, 305, 8), (0, 40, 305, 5), (0, 0, 72, 45)]
MEMO = (12, 49, 281, 204)
MEMO_BORDER = (160, 150, 131)  # 0x008396A0
ICON = (64, 260, 32, 32)
ADDRESS_LABEL = (104, 272, 107, 13)
OK_BUTTON = (112, 300, 77, 25)

# The appearance window (at 221,130): the colour picker, "确定  &A" and "取消  &C".
APPEARANCE = (221, 130)
PICKER = (28, 76, 121, 22)
RED_INDEX = 9  # "Red", counted from "Black", the picker's first entry and its start
APPLY_BUTTON, CANCEL_BUTTON = (240, 148, 69, 25), (240, 184, 69, 25)
# The options window (at 283,139) and its "X".
OPTIONS_CLOSE = (283 + 256, 139 + 16)

SHORTCUT = "Quelvo1.0版.lnk"


def centre(rect, origin=ABOUT[:2]):
    x, y, w, h = rect
    return origin[0] + x + w // 2, origin[1] + y + h // 2


def about_picture(img):
    return img.crop(*ABOUT)


def only_colours(img, rect) -> set:
    return set(img.crop(*rect).colors())


def memo_frame_colours(pic) -> tuple[set, set]:
    """The colours of the memo's 1-pixel border and of its 2-pixel ring inside it."""
    x, y, w, h = MEMO
    memo = pic.crop(x, y, w, h)
    border, ring = set(), set()
    for i in range(3):  # the outline of the rectangle shrunk by i on every side
        band = {memo.pixel(c, r) for c in range(i, w - i) for r in (i, h - 1 - i)}
        band |= {memo.pixel(c, r) for c in (i, w - 1 - i) for r in range(i, h - i)}
        (border if i == 0 else ring).update(band)
    return border, ring


def memo_text(pid) -> bytes:
    """The memo's text as its native edit window gives it (WM_GETTEXT), byte for byte."""
    edits = [w for w in run_tool("wininfo", "--title", "Form5", "--pid", pid, "--children", "--text").records
             if w["class"] == "Edit"]
    if len(edits) != 1:
        raise E2EError(f"the about window has {len(edits)} edit windows")
    return bytes.fromhex(edits[0]["text_hex"])


def link_shade(background) -> tuple | None:
    """The link's colour on the screen now: the darkest pixel of its text (the others
    are its edges, blended with the window's colour)."""
    label = screenshot("link").crop(ABOUT[0] + ADDRESS_LABEL[0], ABOUT[1] + ADDRESS_LABEL[1], *ADDRESS_LABEL[2:])
    drawn = {c: n for c, n in label.colors().items() if c != background}
    if not drawn:
        return None
    darkest = min(drawn, key=sum)
    return darkest if drawn[darkest] >= 10 else None


def windows_path(path) -> str:
    return "Z:" + str(path).replace("/", "\\")


def host_path(windows_text: str) -> Path:
    """A path on the prefix's drive c: as the host sees it."""
    if not windows_text.upper().startswith("C:\\"):
        raise E2EError(f"{windows_text} is not on drive c:")
    return Path(testbed().wineprefix, "drive_c", *windows_text[3:].split("\\"))


def end_stray_copies(known) -> None:
    """Ends copies of the program on this test bed that the test did not start itself
    (one started through the shortcut)."""
    exe = windows_path(QUELVO_EXE).encode()
    wanted = f"WINEPREFIX={testbed().wineprefix}".encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in known:
            continue
        try:
            if not Path(f"/proc/{entry}/cmdline").read_bytes().startswith(exe):
                continue
            if wanted in Path(f"/proc/{entry}/environ").read_bytes().split(b"\0"):
                os.kill(int(entry), signal.SIGKILL)
        except OSError:
            continue


class MailHandler:
    """A stand-in mail program: the mailto protocol's open command pointed at
    tools/mailrecord.exe, which records each link it is started with. The protocol's
    previous registration comes back with restore()."""

    PROTOCOL = "HKCR\\mailto"
    COMMAND = PROTOCOL + "\\shell\\open\\command"

    def __init__(self):
        self.record = BED_WORK_DIR / "mailto.txt"
        self.record.parent.mkdir(parents=True, exist_ok=True)
        self.record.unlink(missing_ok=True)
        self.saved = {key: reg_read(key) for key in (self.PROTOCOL, self.COMMAND)}
        command = f'"{windows_path(TOOLS_DIR / "mailrecord.exe")}" "{windows_path(self.record)}" "%1"'
        reg_set(self.PROTOCOL, "URL Protocol", REG_SZ, b"\0")
        reg_set(self.COMMAND, "", REG_SZ, command.encode("gbk") + b"\0")

    def restore(self) -> None:
        if self.saved[self.PROTOCOL] is None:
            reg_delete_key(self.PROTOCOL)
        else:
            for key, values in self.saved.items():
                for v in values or []:
                    reg_set(key, v["name"], v["type"], bytes.fromhex(v["data_hex"]))
        self.record.unlink(missing_ok=True)

    def links(self) -> list[str]:
        return self.record.read_bytes().decode("gbk").splitlines() if self.record.exists() else []

    def wait_links(self, count: int, timeout: float = 10) -> list[str]:
        poll(lambda: len(self.links()) >= count, timeout, what=f"{count} links recorded in {self.record}")
        time.sleep(0.3)  # a further, unexpected one would show up by now
        return self.links()


class AboutCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        wait_desktop_free()
        reg_delete_key(SETTINGS_KEY)
        self.addCleanup(reg_delete_key, SETTINGS_KEY)
        self.clbackground = system_color(COLOR_BACKGROUND)
        self.clactiveborder = system_color(COLOR_ACTIVEBORDER)

    def show_about(self, q) -> dict:
        tray_command("A", q.pid)
        form = q.wait_form("Form5", "visible")
        self.assertEqual((form["x"], form["y"], form["w"], form["h"]), ABOUT)
        time.sleep(0.3)
        return form

    def shades(self, seconds: float) -> list[tuple]:
        """The link's colours read over `seconds`, each checked."""
        seen = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            shade = link_shade(self.clactiveborder)
            self.assertIsNotNone(shade, "the link is drawn")
            r, g, b = shade
            self.assertEqual((r, g), (128, 128), f"the link's red and green in {shade}")
            self.assertLessEqual(b, 254, f"the link's blue in {shade}")
            seen.append(shade)
        return seen


class AboutWindow(AboutCase):
    def test_text_frame_hiding_and_the_link_shades(self):
        q = self.start()
        # The appearance window recolours the frames red...
        tray_command("M", q.pid)
        q.wait_form("Form3", "visible")
        time.sleep(0.4)
        x, y, w, h = PICKER
        click(APPEARANCE[0] + x + w // 2, APPEARANCE[1] + y + h // 2)
        poll(lambda: windows(cls="ComboLBox", pid=q.pid, visible_only=True), 5, what="the colour list")
        for _ in range(RED_INDEX):
            press_key("Down")
        press_key("Return")
        time.sleep(0.2)
        click(*centre(APPLY_BUTTON, APPEARANCE))
        poll(lambda: (reg_read(SETTINGS_KEY, "BarColor") or {}).get("text") == "clRed", 5, what="BarColor clRed")
        time.sleep(0.3)
        self.assertEqual(screenshot("appearance-red").pixel(APPEARANCE[0] + 3, APPEARANCE[1] + 100), (255, 0, 0),
                         "the appearance window's own frame turned red")
        click(*centre(CANCEL_BUTTON, APPEARANCE))
        q.wait_form("Form3", "hidden")
        park_pointer()

        # ...but not the about window's.
        self.show_about(q)
        img = self.shot("about")
        pic = about_picture(img)
        for rect in FRAME_BARS:
            self.assertEqual(only_colours(pic, rect), {self.clbackground}, f"frame bar {rect} in {img.path}")
        self.assertEqual(memo_text(q.pid), ABOUT_TEXT)
        self.assertEqual(message_boxes(pid=q.pid), [])
        save_readme_picture(img, "about-window", *ABOUT)

        # About twice a second a new shade: red and green 128, blue 0 to 254.
        shades = self.shades(3.0)
        self.assertGreaterEqual(len(set(shades)), 4, f"shades over three seconds: {shades}")

        # The timer goes on while the options window runs its modal loop.
        tray_command("V", q.pid)
        q.wait_form("Form2", "visible")
        self.assertFalse(q.form("Form5")["enabled"], "the about window is disabled under the modal window")
        shades = self.shades(2.0)
        self.assertGreaterEqual(len(set(shades)), 2, f"shades while the options window is shown: {shades}")
        click(*OPTIONS_CLOSE)
        q.wait_form("Form2", "hidden")
        park_pointer()

        # "确定" hides the window; the next "关于Keltrin  &A" shows the same text.
        click(*centre(OK_BUTTON))
        q.wait_form("Form5", "hidden")
        park_pointer()
        self.assertTrue(q.running())
        self.show_about(q)
        self.assertEqual(memo_text(q.pid), ABOUT_TEXT)
        pic = about_picture(self.shot("again"))
        for rect in FRAME_BARS:
            self.assertEqual(only_colours(pic, rect), {self.clbackground}, f"frame bar {rect} shown again")

    def test_mail_link_and_the_read_only_memo(self):
        mail = MailHandler()
        self.addCleanup(mail.restore)
        q = self.start()
        self.show_about(q)

        # The flat look: the border, and the ring in the window's colour.
        pic = about_picture(self.shot("memo-flat"))
        self.assertEqual(memo_frame_colours(pic), ({MEMO_BORDER}, {self.clactiveborder}), "flat look")

        click(*centre(ADDRESS_LABEL))
        self.assertEqual(mail.wait_links(1), [LINK], "clicking the address")
        click(*centre(ICON))
        self.assertEqual(mail.wait_links(2), [LINK, LINK], "clicking the icon")

        # Typed keys change nothing in the focused memo.
        move_pointer(*centre(MEMO))
        click(*centre(MEMO))
        time.sleep(0.3)
        for key in ("x", "space", "BackSpace", "Delete", "Return", "ctrl+v", "ctrl+x", "ctrl+z"):
            press_key(key)
        time.sleep(0.3)
        self.assertEqual(memo_text(q.pid), ABOUT_TEXT, "typed keys changed the text")
        pic = about_picture(self.shot("memo-focused"))
        self.assertEqual(memo_frame_colours(pic), ({MEMO_BORDER}, {self.clactiveborder}), "focused look")

        # The first line selected and copied.
        run_tool("clipboard", "--empty")
        for key in ("ctrl+Home", "shift+End", "ctrl+c"):
            press_key(key)
        copied = poll(lambda: run_tool("clipboard", check=False).records[0].get("text_hex"), 5,
                      what="text on the clipboard")
        self.assertEqual(bytes.fromhex(copied), ABOUT_LINES[0].encode("gbk"))
        self.assertEqual(message_boxes(pid=q.pid), [])


class Shortcut(AboutCase):
    def setUp(self):
        super().setUp()
        self.desktop_text = run_tool("shelllink", "--desktop").records[0]["desktop"]
        self.desktop = host_path(self.desktop_text)
        self.remove_shortcut()
        self.addCleanup(self.remove_shortcut)

    def remove_shortcut(self) -> None:
        # The emulator adds a menu file of its own beside each link saved there.
        for f in self.desktop.glob("Quelvo1.0版.*"):
            f.unlink()

    def links(self) -> list[str]:
        return sorted(f.name for f in self.desktop.glob("*.lnk"))

    def test_shortcut_names_the_program_and_starts_it(self):
        q = self.start()
        self.addCleanup(end_stray_copies, [c.popen.pid for c in self.copies])
        tray_command("U", q.pid)
        lnk = self.desktop / SHORTCUT
        poll(lnk.exists, 5, what=f"{lnk}")
        self.assertEqual(message_boxes(pid=q.pid, wait=1.0), [], "no message after the shortcut is saved")
        written = lnk.stat().st_mtime_ns
        time.sleep(0.1)
        tray_command("U", q.pid)
        poll(lambda: lnk.stat().st_mtime_ns != written, 5, what="the shortcut rewritten")
        self.assertEqual(self.links(), [SHORTCUT], "choosing the item twice leaves one shortcut")
        self.assertEqual(message_boxes(pid=q.pid, wait=1.0), [])

        link = run_tool("shelllink", self.desktop_text + "\\" + SHORTCUT).records[0]
        exe = windows_path(QUELVO_EXE)
        self.assertEqual(bytes.fromhex(link["path_hex"]), exe.encode("gbk"), link)
        self.assertEqual(bytes.fromhex(link["workdir_hex"]), exe[:exe.rindex("\\") + 1].encode("gbk"), link)
        self.assertEqual(link["arguments_hex"], "")

        # Opened as from the desktop, it starts a second copy of the program.
        self.assertTrue(run_tool("shelllink", "--open", self.desktop_text + "\\" + SHORTCUT).records[0]["opened"])

        def started():
            fresh = [w["pid"] for w in windows(cls=APP_CLASS, exe=QUELVO_EXE.name) if w["pid"] != q.pid]
            return fresh[0] if fresh else None

        pid = poll(started, 15, what="the copy started through the shortcut")
        wait_windows("hidden", cls="QuelvoForm", title="Form4", pid=pid, timeout=20)
        Tray.wait_icon_count(2)
        tray_command("Q", pid, slot=1)
        wait_windows("gone", cls=APP_CLASS, pid=pid, timeout=15)
        self.assertTrue(q.running())


if __name__ == "__main__":
    unittest.main()
