"""The appearance window: the frame colour picked and applied ("确定  &A"), cancelled
("取消  &C") and reset ("恢复默认值 &R"), a colour of the system colour dialog through
"Custom", background pictures of every kind chosen in the open dialog, cleared, and
refused (unknown kind, damaged file); what each stores in the settings key and shows in
the main, options and appearance windows, also after a restart; the flat buttons'
and the colour picker's looks; Tab, Space and the access letters. The README's pictures
of the window (docs/appearance-window.png) and of the main window with a picture and a
custom frame colour (docs/main-window-picture.png) are cut from the run."""

import struct
import subprocess
import time
import unittest

from quelvo_e2e import (WORK_DIR, Tray, answer_message_box, click, message_boxes, move_pointer, park_pointer, poll,
                        press_key, reg_read, run_tool, save_readme_picture, tray_command, wait_message_box,
                        wait_windows, windows, xdotool)
from test_mainwindow import make_quadrant_jpeg, near, system_color, windows_path
from test_options import PAGE, SETTINGS, OptionsCase, dword, preset, screen, sz

COLOR_BACKGROUND, COLOR_INACTIVEBORDER = 1, 11
WHITE, BLACK, RED = (255, 255, 255), (0, 0, 0), (255, 0, 0)
BORDER = (160, 150, 131)  # 0x008396A0
HOT = (235, 234, 225)  # 0x00E1EAEB
DOWN = (217, 214, 197)  # 0x00C5D6D9
CUSTOM = (18, 171, 205)  # through the colour dialog: "$00CDAB12"
CUSTOM_TEXT = "$00CDAB12"

# The window (client = window: borderless) and its controls, client coordinates.
ORIGIN3 = (221, 130)
SIZE3 = (337, 247)
BUTTONS = {"打开文件": (32, 140, 65, 25), "确定  &A": (240, 148, 69, 25), "取消  &C": (240, 184, 69, 25),
           "清除图片": (32, 172, 65, 25), "恢复默认值 &R": (216, 76, 93, 25)}
TAB_ORDER = ["打开文件", "确定  &A", "取消  &C", "清除图片", "恢复默认值 &R"]
PICKER = (28, 76, 121)
NEUTRAL3 = (6, 100)  # on the left frame bar: keeps the keyboard, covers nothing
FRAME3 = [(6, 100), (330, 100), (168, 238), (4, 20), (200, 38)]
# Body points of the picture's left and right halves that no control covers.
BODY_LEFT = [(16, 44), (20, 110), (20, 220), (150, 150), (120, 215)]
BODY_RIGHT = [(320, 44), (180, 60), (200, 130), (320, 224), (180, 200)]

MAIN_FRAME = [(6, 100), (255, 100), (130, 186), (5, 2), (250, 38)]
MAIN_LEFT, MAIN_RIGHT = [(16, 44), (16, 176), (40, 100)], [(244, 44), (244, 176), (220, 100)]
OPTIONS_FRAME = [(2, 100), (272, 100), (140, 195), (4, 4)]
PAGE_LEFT, PAGE_RIGHT = [(4, 4), (4, 98)], [(240, 4), (240, 98)]
OPTIONS_CLOSE = (256, 16)

LIST_NAMES = ["Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray", "Silver", "Red", "Lime",
              "Yellow", "Blue", "Fuchsia", "Aqua", "White", "Custom"]
LIST_COLOURS = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
                (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
                (255, 0, 255), (0, 255, 255), (255, 255, 255), (0, 0, 0)]
ITEM_H = 13

FILE_TYPES = ["全部 (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)", "JPEG Image File (*.jpg)", "JPEG Image File (*.jpeg)",
              "位图 (*.bmp)", "图标 (*.ico)", "扩展元文件 (*.emf)", "元文件 (*.wmf)"]
JERR_NO_SOI = 53  # the decoder's code for a file that does not start as a JPEG file

# Each test picture: its left half in one colour, its right half in another.
HALVES = {"JPG": ((230, 80, 60), (60, 160, 220)), "bmp": ((40, 170, 90), (250, 200, 60)),
          "ico": ((120, 40, 160), (250, 250, 120)), "emf": ((20, 90, 30), (240, 140, 200)),
          "wmf": ((100, 60, 20), (150, 220, 240))}


def rgb(c) -> int:
    return c[0] | c[1] << 8 | c[2] << 16


def make_halves(kind: str, path) -> None:
    left, right = HALVES[kind]
    w, h = 64, 48
    if kind in ("JPG", "bmp"):
        fmt = "JPEG" if kind == "JPG" else "BMP3"
        extra = ["-quality", "100", "-sampling-factor", "1x1"] if kind == "JPG" else ["-type", "TrueColor"]
        subprocess.run(["convert", "-size", f"{w}x{h}", f"xc:rgb{left}".replace(" ", ""),
                        "-fill", f"rgb{right}".replace(" ", ""), "-draw", f"rectangle 32,0 63,47", *extra,
                        f"{fmt}:{path}"], check=True, capture_output=True, timeout=30)
    elif kind == "ico":
        size = 32
        pixels = b"".join(bytes((c[2], c[1], c[0])) for _ in range(size)
                          for c in [left] * (size // 2) + [right] * (size // 2))
        mask = bytes(4 * size)
        image = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0) + pixels + mask
        path.write_bytes(struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24,
                                                                       len(image), 22) + image)
    elif kind == "emf":
        records = [struct.pack("<IIII", 39, 24, 1, 0) + struct.pack("<II", rgb(left), 0),  # brush 1
                   struct.pack("<III", 37, 12, 1), struct.pack("<III", 37, 12, 0x80000008),  # null pen
                   struct.pack("<IIiiii", 43, 24, 0, 0, 32, 48),
                   struct.pack("<IIII", 39, 24, 2, 0) + struct.pack("<II", rgb(right), 0),
                   struct.pack("<III", 37, 12, 2), struct.pack("<IIiiii", 43, 24, 32, 0, 64, 48),
                   struct.pack("<IIIII", 14, 20, 0, 16, 20)]
        body = b"".join(records)
        size = 88 + len(body)
        header = struct.pack("<II4i4iIIIIHHIIIiiii", 1, 88, 0, 0, w - 1, h - 1, 0, 0, w * 10, h * 10, 0x464D4520,
                             0x10000, size, len(records) + 1, 3, 0, 0, 0, 0, 1000, 1000, 100, 100)
        path.write_bytes(header + body)
    else:  # placeable Windows metafile
        def rec(function, *words):
            return struct.pack("<IH", 3 + len(words), function) + struct.pack(f"<{len(words)}h", *words)

        def brush(c):
            return struct.pack("<IHHIH", 7, 0x02FC, 0, rgb(c), 0)

        records = [rec(0x020B, 0, 0), rec(0x020C, h, w), struct.pack("<IHHhhI", 8, 0x02FA, 5, 0, 0, 0),
                   rec(0x012D, 0), brush(left), rec(0x012D, 1), rec(0x041B, h + 1, 33, 0, 0), rec(0x01F0, 1),
                   brush(right), rec(0x012D, 1), rec(0x041B, h + 1, w + 1, 0, 32), rec(0x0000)]
        body = b"".join(records)
        meta = struct.pack("<HHHIHIH", 1, 9, 0x300, (18 + len(body)) // 2, 2, max(len(r) for r in records) // 2, 0)
        head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, w, h, 96, 0)
        check = 0
        for (word,) in struct.iter_unpack("<H", head):
            check ^= word
        path.write_bytes(head + struct.pack("<H", check) + meta + body)


class AppearanceCase(OptionsCase):
    def setUp(self):
        super().setUp()
        self.background = system_color(COLOR_BACKGROUND)
        self.window_colour = system_color(COLOR_INACTIVEBORDER)
        self.main_shown = False

    # -- the window
    def open3(self, q) -> None:
        tray_command("M", q.pid)
        form = q.wait_form("Form3", "visible")
        self.assertEqual((form["x"], form["y"], form["w"], form["h"]), ORIGIN3 + SIZE3)
        self.neutral3()
        time.sleep(0.3)

    def at3(self, x, y):
        return ORIGIN3[0] + x, ORIGIN3[1] + y

    def neutral3(self) -> None:
        move_pointer(*self.at3(*NEUTRAL3))
        time.sleep(0.2)
        move_pointer(*self.at3(NEUTRAL3[0] + 1, NEUTRAL3[1]))
        time.sleep(0.3)

    def press(self, caption: str, q=None) -> None:
        x, y, w, h = BUTTONS[caption]
        move_pointer(*self.at3(x + w // 2 - 3, y + h // 2))
        time.sleep(0.2)
        click(*self.at3(x + w // 2, y + h // 2))
        time.sleep(0.3)

    def picker_text(self) -> str:
        found = [c["text"] for c in run_tool("wininfo", "--title", "Form3", "--children", "--text").records[1:]
                 if c["class"] == "ComboBox"]
        return found[0]

    def drop_picker(self) -> dict:
        x, y, w = PICKER
        click(*self.at3(x + w - 6, y + 9))
        return poll(lambda: windows(cls="ComboLBox", visible_only=True), 5, what="the colour list")[0]

    def pick(self, index: int) -> None:
        """Drops the list and clicks entry `index` (the wheel scrolls to the end for the last eight)."""
        drop = self.drop_picker()
        row = index
        if index >= 8:
            move_pointer(drop["client_x"] + 40, drop["client_y"] + 20)
            xdotool("click", "--repeat", 6, "--delay", 50, 5)
            time.sleep(0.3)
            row = index - 9
        click(drop["client_x"] + 40, drop["client_y"] + row * ITEM_H + ITEM_H // 2)
        time.sleep(0.3)

    def close3(self, q, how: str = "click") -> None:
        if how == "alt":
            xdotool("key", "alt+c")
        else:
            self.press("取消  &C")
        q.wait_form("Form3", "hidden")
        park_pointer()

    # -- the other windows
    def show_main(self, q) -> dict:
        if not self.main_shown:
            Tray.double_click(0)
            self.main_shown = True
        main = q.wait_form("Form1", "visible")
        park_pointer()
        time.sleep(0.3)
        return main

    def assert_points(self, img, origin, points, colour, what, tolerance=0):
        got = {p: img.pixel(origin[0] + p[0], origin[1] + p[1]) for p in points}
        bad = {p: c for p, c in got.items() if not near(c, colour, tolerance)}
        self.assertEqual(bad, {}, f"{what}: wanted {colour} in {img.path}")

    def assert_main(self, q, frame, halves=None, name="main"):
        main = self.show_main(q)
        img = self.shot(name)
        origin = (main["client_x"], main["client_y"])
        self.assert_points(img, origin, MAIN_FRAME, frame, "main window's frame")
        if halves == "none":
            self.assert_points(img, origin, MAIN_LEFT + MAIN_RIGHT, BLACK, "main window without a picture")
        elif halves:
            self.assert_points(img, origin, MAIN_LEFT, halves[0], "main window's picture, left", 8)
            self.assert_points(img, origin, MAIN_RIGHT, halves[1], "main window's picture, right", 8)
        return img, origin

    def assert_options(self, q, frame, halves=None, all_pages=True):
        self.open_options(q)
        pages = range(4) if halves and all_pages else [self.page]
        for page in pages:
            self.go_to(page)
            img = self.shot(f"options-{page}")
            self.assert_points(img, screen(0, 0), OPTIONS_FRAME, frame, "options window's frame")
            if halves:
                self.assert_points(img, screen(*PAGE), PAGE_LEFT, halves[0], f"page {page}'s picture, left", 8)
                self.assert_points(img, screen(*PAGE), PAGE_RIGHT, halves[1], f"page {page}'s picture, right", 8)
        click(*screen(*OPTIONS_CLOSE))
        q.wait_form("Form2", "hidden")
        park_pointer()

    def assert_form3(self, frame=None, halves=None, name="form3"):
        img = self.shot(name)
        if frame is not None:
            self.assert_points(img, ORIGIN3, FRAME3, frame, "appearance window's frame")
        if halves == "none":
            self.assert_points(img, ORIGIN3, BODY_LEFT + BODY_RIGHT, self.window_colour, "no picture")
        elif halves:
            self.assert_points(img, ORIGIN3, BODY_LEFT, halves[0], "appearance window's picture, left", 8)
            self.assert_points(img, ORIGIN3, BODY_RIGHT, halves[1], "appearance window's picture, right", 8)
        return img

    # -- the flat buttons
    def look(self, caption: str, img=None) -> dict:
        x, y, w, h = BUTTONS[caption]
        crop = (img or self.shot("button")).crop(ORIGIN3[0] + x, ORIGIN3[1] + y, w, h)
        return {"top": crop.pixel(w // 2, 0), "left": crop.pixel(0, h // 2), "bottom": crop.pixel(w // 2, h - 1),
                "right": crop.pixel(w - 1, h // 2), "inner": crop.pixel(1, 1),
                "fill": {crop.pixel(3, 3), crop.pixel(w - 4, h - 4), crop.pixel(3, h - 4)}}

    def assert_look(self, caption, state, img=None, beneath=None):
        got = self.look(caption, img)
        edges = {k: got[k] for k in ("top", "left", "bottom", "right")}
        if state == "idle":
            self.assertEqual(set(edges.values()), {BORDER}, f"{caption} idle frame")
            self.assertNotEqual(got["inner"], BORDER, f"{caption}: a one-pixel frame")
            self.assertEqual(got["fill"], {beneath or self.window_colour}, f"{caption}: the window shows through")
        elif state == "hot":
            self.assertEqual(edges, {"top": WHITE, "left": WHITE, "bottom": BLACK, "right": BLACK}, f"{caption} raised")
            self.assertEqual(got["fill"], {HOT}, f"{caption} hot fill")
        else:
            self.assertEqual(edges, {"top": BLACK, "left": BLACK, "bottom": WHITE, "right": WHITE}, f"{caption} sunken")
            self.assertEqual(got["fill"], {DOWN}, f"{caption} pressed fill")

    def bar_color(self) -> str:
        return reg_read(SETTINGS, "BarColor")["text"]

    def values(self) -> dict:
        return {v["name"]: (v["type"], v["data_hex"]) for v in reg_read(SETTINGS)}


class FrameColour(AppearanceCase):
    def test_pick_apply_cancel_defaults_and_a_custom_colour(self):
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz("Z:\\kept.bmp"),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(66)})
        q = self.start()
        self.open3(q)

        # First opening: the picker on Black, every button idle over the window's colour.
        img = self.assert_form3(self.background, "none", "design")
        self.assertEqual(self.picker_text(), "Black")
        sx, sy = self.at3(PICKER[0] + 8, PICKER[1] + 9)
        self.assertEqual(img.pixel(sx, sy), BLACK, f"the picker's swatch, {img.path}")
        for caption in BUTTONS:
            self.assert_look(caption, "idle", img)
        save_readme_picture(img, "appearance-window", *ORIGIN3, *SIZE3)

        # The list: each entry's swatch (black outline, its colour inside) and its name
        # 18 pixels right of the entry's edge; the first eight, then the last eight.
        drop = self.drop_picker()
        move_pointer(drop["client_x"] + drop["client_w"] + 40, drop["client_y"] - 60)  # off the list
        for first in (0, 9):
            if first:
                move_pointer(drop["client_x"] + 40, drop["client_y"] + 20)
                xdotool("click", "--repeat", 6, "--delay", 50, 5)
                move_pointer(drop["client_x"] + drop["client_w"] + 40, drop["client_y"] - 60)
            time.sleep(0.3)
            img = self.shot(f"list-{first}")
            for row in range(8):
                index = first + row
                top = drop["client_y"] + row * ITEM_H
                left = drop["client_x"]
                self.assertEqual(img.pixel(left + 8, top + 6), LIST_COLOURS[index], f"{LIST_NAMES[index]} swatch")
                self.assertEqual({img.pixel(left + 2, top + 6), img.pixel(left + 8, top + 2)}, {BLACK},
                                 f"{LIST_NAMES[index]} swatch outline, {img.path}")
                row_colours = {img.pixel(x, top + 6) for x in range(left + 15, left + 18)}
                text = [x for x in range(left + 15, left + 60) if max(img.pixel(x, y) for y in range(top, top + 13))
                        != min(img.pixel(x, y) for y in range(top, top + 13))]
                self.assertEqual(len(row_colours), 1, f"{LIST_NAMES[index]}: nothing between swatch and name")
                self.assertTrue(text and 18 <= text[0] - left <= 20, f"{LIST_NAMES[index]}'s name, {img.path}")
            if not first:
                bottom = max(ORIGIN3[1] + SIZE3[1], drop["y"] + drop["h"])
                save_readme_picture(img, "colour-list", *ORIGIN3, SIZE3[0], bottom - ORIGIN3[1])
        press_key("Escape")
        poll(lambda: not windows(cls="ComboLBox", visible_only=True), 5, what="the list to close")
        self.neutral3()

        # Red picked and applied: stored by name, the three windows' frames red at once.
        self.pick(9)
        self.assertEqual(self.picker_text(), "Red")
        self.assertEqual(self.bar_color(), "clBackground", "a pick alone stores nothing")
        self.press("确定  &A")
        self.assertEqual(self.bar_color(), "clRed")
        self.assert_form3(RED, "none", "red")
        # (The about window keeps its own frame colour: checked with that window.)

        # Blue picked, then Alt+C: nothing applied or stored.
        self.pick(12)
        self.neutral3()
        press_key("Tab")
        time.sleep(0.2)
        self.close3(q, "alt")
        self.assertEqual(self.bar_color(), "clRed")
        self.assert_main(q, RED)
        self.assert_options(q, RED)

        # Open again: the picker shows Blue; Alt+R resets the frames and the stored colour,
        # keeps the pick, the picture path and the hot-key letter.
        self.open3(q)
        self.assertEqual(self.picker_text(), "Blue")
        press_key("Tab")
        time.sleep(0.2)
        xdotool("key", "alt+r")
        time.sleep(0.5)
        self.assertEqual(self.values(), {"BarColor": (1, b"clBackground\0".hex()), "ImageCanSee": (4, "00000000"),
                                         "ImagePath": (1, b"Z:\\kept.bmp\0".hex()), "Key_Value": (4, "42000000")})
        self.assertEqual(self.picker_text(), "Blue")
        self.assert_form3(self.background, "none", "defaults")

        # "Custom": the colour dialog answered by typing red, green and blue; Alt+A
        # stores the colour as eight upper-case digits.
        self.pick(16)
        dialog = wait_windows("visible", cls="#32770", title="颜色", timeout=5)[0]
        edits = [c for c in run_tool("wininfo", "--hwnd", dialog["hwnd"], "--children", "--text").records[1:]
                 if c["class"] == "Edit"]
        for edit, value in zip(edits[:3], CUSTOM):
            click(edit["x"] + edit["w"] // 2, edit["y"] + edit["h"] // 2)
            xdotool("key", "End", "BackSpace", "BackSpace", "BackSpace", "BackSpace")
            xdotool("type", str(value))
        ok = [c for c in run_tool("wininfo", "--hwnd", dialog["hwnd"], "--children", "--text").records[1:]
              if c["class"] == "Button" and c["text"] == "确定"][0]
        click(ok["x"] + ok["w"] // 2, ok["y"] + ok["h"] // 2)
        wait_windows("gone", cls="#32770", title="颜色", timeout=5)
        self.neutral3()
        self.assertEqual(self.picker_text(), "Custom")
        press_key("Tab")
        time.sleep(0.2)
        xdotool("key", "alt+a")
        time.sleep(0.5)
        self.assertEqual(self.bar_color(), CUSTOM_TEXT)
        self.assert_form3(CUSTOM, None, "custom")

        # After a restart every frame has exactly that colour; the picker starts on Black.
        q.kill()
        q = self.start()
        self.main_shown = False
        self.assert_main(q, CUSTOM, name="main-restarted")
        self.assert_options(q, CUSTOM)
        self.open3(q)
        self.assert_form3(CUSTOM, "none", "restarted")
        self.assertEqual(self.picker_text(), "Black")
        self.assertTrue(q.running())


class Pictures(AppearanceCase):
    def dialog(self) -> dict:
        return wait_windows("visible", cls="#32770", title="打开", timeout=5)[0]

    def dialog_combos(self, dialog) -> list:
        return sorted((c for c in run_tool("wininfo", "--hwnd", dialog["hwnd"], "--children", "--text").records[1:]
                       if c["class"] in ("ComboBox", "Edit")), key=lambda c: c["y"])

    def choose(self, path, box: str | None = None) -> None:
        """Opens the dialog, types the path into its file-name box and presses Enter."""
        self.press("打开文件")
        dialog = self.dialog()
        name = [c for c in self.dialog_combos(dialog) if c["class"] == "Edit"][0]
        click(name["x"] + 40, name["y"] + name["h"] // 2)
        xdotool("type", windows_path(path))
        press_key("Return")
        wait_windows("gone", cls="#32770", title="打开", timeout=5)
        if box is not None:
            found = wait_message_box("Quelvo", timeout=5)
            self.assertEqual(found["text_hex"], box.encode("gbk").hex(), found["text"])
            answer_message_box(found, "ok")
        self.neutral3()
        time.sleep(0.3)

    def test_pictures_of_every_kind_errors_clear_and_restart(self):
        WORK_DIR.mkdir(parents=True, exist_ok=True)
        files = {kind: WORK_DIR / f"halves.{kind}" for kind in HALVES}
        for kind, path in files.items():
            make_halves(kind, path)
        gif, damaged = WORK_DIR / "halves.gif", WORK_DIR / "damaged.jpg"
        subprocess.run(["convert", "-size", "8x8", "xc:red", f"GIF:{gif}"], check=True, capture_output=True)
        damaged.write_bytes(b"this is no picture\n" * 20)
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz(""),
                (SETTINGS, "BarColor"): sz(CUSTOM_TEXT), (SETTINGS, "Key_Value"): dword(65)})
        q = self.start()
        self.open3(q)

        # Space on the focused "打开文件": pressed while held, one dialog on the release.
        press_key("Tab")
        time.sleep(0.3)
        self.assert_look("打开文件", "hot")
        self.assert_look("确定  &A", "idle")
        xdotool("keydown", "space")
        time.sleep(0.4)
        try:
            self.assert_look("打开文件", "pressed")
            self.assertEqual(windows(cls="#32770", title="打开", visible_only=True), [])
        finally:
            xdotool("keyup", "space")
        dialog = self.dialog()
        time.sleep(0.5)
        self.assertEqual(len(windows(cls="#32770", title="打开", visible_only=True)), 1, "one dialog")
        # The file-type list, read entry by entry with the Down key.
        types = self.dialog_combos(dialog)[-1]
        texts = []
        click(types["x"] + 40, types["y"] + types["h"] // 2)  # drops it
        press_key("Escape")
        for _ in range(len(FILE_TYPES) + 1):
            now = [c for c in self.dialog_combos(dialog) if c["hwnd"] == types["hwnd"]][0]
            texts.append(bytes.fromhex(now["text_hex"]))
            press_key("Down")
            time.sleep(0.15)
        self.assertEqual(texts, [t.encode("gbk") for t in FILE_TYPES] + [FILE_TYPES[-1].encode("gbk")])
        press_key("Escape")
        wait_windows("gone", cls="#32770", title="打开", timeout=5)
        self.assertEqual(self.values()["ImageCanSee"], (4, "00000000"), "cancelled: nothing stored")
        self.neutral3()

        # Tab moves on through the buttons, the hot look with the focus.
        for caption in TAB_ORDER[1:]:
            press_key("Tab")
            time.sleep(0.3)
            img = self.shot(f"tab-{caption}")
            for other in TAB_ORDER:
                self.assert_look(other, "hot" if other == caption else "idle", img)

        # Each kind: stretched over the window's body, stored with its full path.
        for kind, path in files.items():
            with self.subTest(kind=kind):
                self.choose(path)
                self.assert_form3(CUSTOM, HALVES[kind], f"picture-{kind}")
                self.assertEqual(reg_read(SETTINGS, "ImagePath")["data_hex"],
                                 (windows_path(path).encode("gbk") + b"\0").hex())
                self.assertEqual(self.values()["ImageCanSee"], (4, "01000000"))
        last = HALVES["wmf"]
        img = self.shot("idle-over-picture")
        for caption, beneath in (("打开文件", last[0]), ("清除图片", last[0]), ("确定  &A", last[1]),
                                 ("取消  &C", last[1]), ("恢复默认值 &R", last[1])):
            self.assert_look(caption, "idle", img, beneath)
        # Hot and pressed over the picture.
        x, y, w, h = BUTTONS["清除图片"]
        move_pointer(*self.at3(x + 10, y + 10))
        time.sleep(0.2)
        move_pointer(*self.at3(x + 11, y + 10))
        time.sleep(0.3)
        self.assert_look("清除图片", "hot")
        xdotool("mousedown", 1)
        time.sleep(0.3)
        self.assert_look("清除图片", "pressed")
        move_pointer(*self.at3(170, 20))
        time.sleep(0.2)
        xdotool("mouseup", 1)
        self.neutral3()
        self.assertEqual(self.values()["ImageCanSee"], (4, "01000000"), "released outside: no click")

        # Refused files: the message, nothing stored, the pictures kept.
        stored = self.values()
        # The error box appends "." only after a character above it: not after ")".
        self.choose(gif, "未知的图象文件扩展名 (.gif)")
        self.choose(damaged, f"JPEG error #{JERR_NO_SOI}.")
        self.assertEqual(self.values(), stored)
        self.assert_form3(CUSTOM, last, "refused")
        self.close3(q)
        self.assert_main(q, CUSTOM, last)
        self.assert_options(q, CUSTOM, last)

        # After a restart the same picture everywhere.
        q.kill()
        q = self.start()
        self.assertEqual(message_boxes(pid=q.pid), [])
        self.main_shown = False
        img, origin = self.assert_main(q, CUSTOM, last, "main-picture")
        save_readme_picture(img, "main-window-picture", *origin, 262, 193)
        self.assert_options(q, CUSTOM, last, all_pages=False)
        self.open3(q)
        self.assert_form3(CUSTOM, last, "restarted")

        # "清除图片": every picture hidden, the path kept.
        self.press("清除图片")
        self.assertEqual(self.values()["ImageCanSee"], (4, "00000000"))
        self.assertEqual(reg_read(SETTINGS, "ImagePath")["data_hex"],
                         (windows_path(files["wmf"]).encode("gbk") + b"\0").hex())
        self.assert_form3(CUSTOM, "none", "cleared")
        self.close3(q)
        self.assert_main(q, CUSTOM, "none", "main-cleared")
        self.assertTrue(q.running())


class AccessLetters(AppearanceCase):
    def test_access_letters_with_the_picker_focused(self):
        """The access letters work while the picker (the first control, focused at
        the first opening) has the keyboard focus."""
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz(""),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(65)})
        q = self.start()
        self.open3(q)
        self.pick(9)
        self.neutral3()
        xdotool("key", "alt+a")
        time.sleep(0.5)
        self.assertEqual(self.bar_color(), "clRed", "Alt+A with the picker focused")


if __name__ == "__main__":
    unittest.main()
