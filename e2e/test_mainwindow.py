"""The main window's look and its settings key: the first start's defaults, frame colours,
background picture and hot key read from the key, the read error of a key without
ImageCanSee, dragging by the top bar, the caption's active and inactive colours, the "X"
button's looks and click, the context menu, and the tray menu's access letters."""

import json
import struct
import subprocess
import tempfile
import time
import unittest

from quelvo_e2e import (APP_CLASS, MENU_CLASS, TOOLS_DIR, WORK_DIR, E2EError, E2ETestCase, Tray, answer_message_box,
                        choose_menu_item, click, color_from_colorref, kill_group, menu_open, message_boxes, move_pointer, park_pointer,
                        poll, reg_delete_key, reg_read, reg_set, run_tool, save_readme_picture, testbed,
                        tray_command, wait_menu, wait_message_box, wait_windows, windows, xdotool)

SETTINGS_KEY = "HKLM\\SOFTWARE\\Keltrin工作室"
REG_SZ, REG_DWORD = 1, 4
COLOR_BACKGROUND = 1

MAIN_X, MAIN_Y, MAIN_W, MAIN_H = 394, 156, 262, 193
BLACK, WHITE = (0, 0, 0), (255, 255, 255)
CAPTION_ACTIVE = WHITE
CAPTION_INACTIVE = color_from_colorref(0x829AA2)  # red 162, green 154, blue 130
BUTTON_BORDER = color_from_colorref(0x8396A0)  # 160, 150, 131
BUTTON_HOT = color_from_colorref(0xE1EAEB)  # 235, 234, 225
BUTTON_DOWN = color_from_colorref(0xC5D6D9)  # 217, 214, 197
ERROR_CAPTION = "Quelvo"

# Client rectangles (x, y, w, h) of the window's pieces; the top bar (0, 0, 262, 41)
# carries the icon at (32, 4, 32, 32), the caption and the close button.
LEFT_BAR, RIGHT_BAR, BOTTOM_BAR = (0, 41, 13, 139), (248, 41, 14, 139), (0, 180, 262, 13)
CLOSE_BUTTON = (220, 8, 25, 25)
LOGO = (84, 52, 95, 95)
LABEL = (80, 140, 106, 15)
# Parts of the top bar that neither the icon, the caption nor the close button covers.
TOP_BAR_FREE = [(0, 0, 262, 4), (0, 37, 262, 4), (0, 0, 32, 41), (246, 0, 16, 41)]
CAPTION_AREA = (66, 4, 152, 33)  # between the icon and the close button
# Parts of the inside that neither the logo nor the maker line covers.
INSIDE_FREE = [(13, 41, 67, 139), (187, 41, 61, 139), (13, 41, 235, 11), (13, 156, 235, 24)]

# The background picture: four quadrants, each a whole number of 8x8 blocks so that the
# JPEG keeps their colours.
QUADRANTS = {"top-left": (230, 80, 60), "top-right": (250, 200, 60), "bottom-left": (60, 160, 220),
             "bottom-right": (90, 190, 110)}
PICTURE_SOURCE = (64, 48)
# Client points of each quadrant once the picture is stretched to 235x139 at (13,41),
# away from the logo and the maker line: the picture's corner pixels, points inside,
# and points just either side of the stretched quadrant borders (x 130.5, y 110.5).
QUADRANT_POINTS = {
    "top-left": [(13, 41), (16, 44), (70, 100), (127, 46), (20, 108)],
    "top-right": [(247, 41), (244, 44), (200, 100), (134, 46), (244, 108)],
    "bottom-left": [(13, 179), (16, 176), (70, 120), (20, 113), (127, 176)],
    "bottom-right": [(247, 179), (244, 176), (200, 120), (244, 113), (134, 176)],
}


# ---------------------------------------------------------------------------
# Settings key


def dword(value: int) -> tuple:
    return REG_DWORD, struct.pack("<I", value)


def text(value: str) -> tuple:
    return REG_SZ, value.encode("gbk") + b"\0"


def prepare_key(values: dict | None) -> None:
    """Deletes the settings key and, unless values is None, writes exactly these values."""
    reg_delete_key(SETTINGS_KEY)
    for name, (type_, data) in (values or {}).items():
        reg_set(SETTINGS_KEY, name, type_, data)


def windows_path(path) -> str:
    """The path under the emulator's drive z: (the host's root)."""
    return "Z:" + str(path).replace("/", "\\")


def make_quadrant_jpeg(path) -> None:
    w, h = PICTURE_SOURCE
    colours = [f"rgb{QUADRANTS[q]}".replace(" ", "")
               for q in ("top-left", "top-right", "bottom-left", "bottom-right")]
    subprocess.run(["convert", "-size", f"{w}x{h}", f"xc:{colours[0]}",
                    "-fill", colours[1], "-draw", f"rectangle {w // 2},0 {w - 1},{h // 2 - 1}",
                    "-fill", colours[2], "-draw", f"rectangle 0,{h // 2} {w // 2 - 1},{h - 1}",
                    "-fill", colours[3], "-draw", f"rectangle {w // 2},{h // 2} {w - 1},{h - 1}",
                    "-quality", "100", "-sampling-factor", "1x1", f"JPEG:{path}"],
                   check=True, capture_output=True, timeout=30)


def system_color(index: int) -> tuple[int, int, int]:
    rec = run_tool("syscolor", index).records[0]
    return rec["r"], rec["g"], rec["b"]


# ---------------------------------------------------------------------------
# Pictures of the main window


def near(a, b, tolerance: int) -> bool:
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class MainPicture:
    """A screenshot cut to the main window's client area (client coordinates)."""

    def __init__(self, image, origin):
        self.screen, self.origin = image, origin
        self.path = image.path

    def pixel(self, x, y):
        return self.screen.pixel(self.origin[0] + x, self.origin[1] + y)

    def crop(self, rect):
        x, y, w, h = rect
        return self.screen.crop(self.origin[0] + x, self.origin[1] + y, w, h)

    def colors(self, rect) -> dict:
        return self.crop(rect).colors()


def point(q, x, y):
    """Screen point of a client point of the main window."""
    main = q.form("Form1")
    return main["client_x"] + x, main["client_y"] + y


def pointer_window() -> str:
    out = xdotool("getmouselocation", "--shell")
    return dict(line.split("=", 1) for line in out.split() if "=" in line)["WINDOW"]


def ctrl_key(q, letter: str) -> None:
    """A real Ctrl+letter press with the X keyboard focus on the main window."""
    move_pointer(*point(q, 6, 100))  # on the left frame bar
    xdotool("windowfocus", "--sync", pointer_window())
    time.sleep(0.1)
    xdotool("key", f"ctrl+{letter}")


def wait_desktop_free(timeout: float = 90) -> None:
    """Waits until no other program shows a window or a tray icon: they would cover the
    main window's place, take the first tray slot or the keyboard."""
    deadline = time.monotonic() + timeout
    while True:
        shown = [f"{w['exe']} {w['class']} {w['title']!r}" for w in windows(visible_only=True)
                 if w["exe"].lower() != "explorer.exe"]
        icons = Tray.icon_count()
        if not shown and not icons:
            return
        if time.monotonic() >= deadline:
            raise E2EError(f"the test bed's desktop stays in use: windows {shown}, {icons} tray icons")
        time.sleep(1.0)


class MainWindowCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        wait_desktop_free()
        self.addCleanup(reg_delete_key, SETTINGS_KEY)
        self.clbackground = system_color(COLOR_BACKGROUND)

    def show_main(self, q) -> dict:
        Tray.double_click(0)
        main = q.wait_form("Form1", "visible")
        park_pointer()
        self.assertEqual((main["x"], main["y"], main["w"], main["h"]), (MAIN_X, MAIN_Y, MAIN_W, MAIN_H))
        self.assertEqual((main["client_w"], main["client_h"]), (MAIN_W, MAIN_H))
        return main

    def picture(self, q, name: str) -> MainPicture:
        main = q.form("Form1")
        return MainPicture(self.shot(name), (main["client_x"], main["client_y"]))

    # -- checks
    def assert_all(self, pic, rect, colour, what):
        counts = pic.colors(rect)
        most = sorted(counts.items(), key=lambda kv: -kv[1])[:5]
        self.assertEqual(set(counts), {colour}, f"{what} {rect}: colours {most} instead of only {colour} in {pic.path}")

    def assert_frame(self, pic, colour):
        for name, rect in (("left bar", LEFT_BAR), ("right bar", RIGHT_BAR), ("bottom bar", BOTTOM_BAR)):
            self.assert_all(pic, rect, colour, name)
        for rect in TOP_BAR_FREE:
            self.assert_all(pic, rect, colour, "top bar")

    def assert_design_inside(self, pic):
        """Black inside the frame, no picture, the logo and the maker line drawn."""
        for rect in INSIDE_FREE:
            self.assert_all(pic, rect, BLACK, "inside the frame")
        logo = pic.crop(LOGO)
        self.assertGreater(logo.width * logo.height - logo.count(BLACK), 3000, f"the logo is drawn, {pic.path}")
        self.assertGreater(self.label_pixels(pic), 100, f"the maker line is drawn, {pic.path}")

    def label_pixels(self, pic) -> int:
        """White pixels of the maker line below the logo."""
        x, y, w, h = LABEL
        bottom = LOGO[1] + LOGO[3]
        return pic.crop((x, bottom, w, y + h - bottom)).count(WHITE, tolerance=40)

    def assert_no_hot_key(self, q, letter="a"):
        ctrl_key(q, letter)
        time.sleep(1.0)
        self.assertEqual(q.mci_commands(), [], f"Ctrl+{letter.upper()} sent a door command")


class Settings(MainWindowCase):
    def test_first_start_writes_the_defaults_and_shows_the_design_state(self):
        prepare_key(None)
        q = self.start()
        values = reg_read(SETTINGS_KEY)
        # The emulator lists values by name, not in the order they were written.
        self.assertEqual([(v["name"], v["type"], v["data_hex"]) for v in values], [
            ("BarColor", REG_SZ, b"clBackground\0".hex()),
            ("ImageCanSee", REG_DWORD, "00000000"),
            ("ImagePath", REG_SZ, "00"),
            ("Key_Value", REG_DWORD, "41000000"),
        ])
        self.show_main(q)
        time.sleep(0.3)
        pic = self.picture(q, "design")
        self.assert_frame(pic, self.clbackground)
        self.assert_design_inside(pic)
        self.assert_no_hot_key(q, "a")

    def test_red_frame_picture_and_hot_key_b(self):
        jpeg = WORK_DIR / "quadrants.JPG"
        WORK_DIR.mkdir(parents=True, exist_ok=True)
        make_quadrant_jpeg(jpeg)
        prepare_key({"ImageCanSee": dword(1), "ImagePath": text(windows_path(jpeg)), "BarColor": text("clRed"),
                     "Key_Value": dword(66)})
        q = self.start()
        self.assertEqual(message_boxes(pid=q.pid), [], "start-up reports nothing")
        self.show_main(q)
        time.sleep(0.3)
        pic = self.picture(q, "picture")
        self.assert_frame(pic, (255, 0, 0))
        for quadrant, points in QUADRANT_POINTS.items():
            for x, y in points:
                self.assertTrue(near(pic.pixel(x, y), QUADRANTS[quadrant], 6),
                                f"{quadrant} of the picture at {x},{y}: {pic.pixel(x, y)} in {pic.path}")
        # The maker line and the logo are drawn over the picture.
        self.assertGreater(self.label_pixels(pic), 100, f"the maker line over the picture, {pic.path}")
        logo = pic.crop(LOGO)
        own = sum(n for c, n in logo.colors().items() if not any(near(c, qc, 12) for qc in QUADRANTS.values()))
        self.assertGreater(own, 3000, f"the logo over the picture, {pic.path}")

        ctrl_key(q, "a")
        time.sleep(1.0)
        self.assertEqual(q.mci_commands(), [], "Ctrl+A is not the hot key")
        ctrl_key(q, "b")
        self.assertEqual(q.wait_mci(1), ["set cdaudio door open"])
        ctrl_key(q, "b")
        self.assertEqual(q.wait_mci(2), ["set cdaudio door open", "Set cdaudio door closed"])

    def test_key_without_image_can_see_reports_once_and_keeps_the_design_state(self):
        prepare_key({"ImagePath": text(""), "BarColor": text("clRed"), "Key_Value": dword(66)})
        q = self.start(wait_resident=False)
        # Reported once by the settings step, and once by the appearance
        # window's loading, which reads the same value.
        for step in ("settings step", "appearance window"):
            box = wait_message_box(ERROR_CAPTION, pid=q.pid, timeout=20)
            self.assertEqual(box["text_hex"], "从 'ImageCanSee' 获得数据失败.".encode("gbk").hex(), f"{step}: {box['text']}")
            self.assertEqual(box["owner"], q.windows(cls=APP_CLASS)[0]["hwnd"], "owned by the application window")
            answer_message_box(box, "ok")
        q.wait_resident()
        self.assertEqual(message_boxes(pid=q.pid, wait=1.0), [], "the error is reported once by each")
        self.assertTrue(q.running())
        self.show_main(q)
        time.sleep(0.3)
        pic = self.picture(q, "design")
        self.assert_frame(pic, self.clbackground)
        self.assert_design_inside(pic)
        self.assert_no_hot_key(q, "b")


class OtherWindow:
    """A window of another program (tools/otherwindow.exe), made the active window."""

    def __init__(self, x=40, y=440, w=200, h=150, hotkey=0):
        self.rect = (x, y, w, h)
        self._out = tempfile.TemporaryFile()
        args = ["--x", x, "--y", y, "--w", w, "--h", h] + (["--hotkey", hotkey] if hotkey else [])
        self.popen = subprocess.Popen(["wine", str(TOOLS_DIR / "otherwindow.exe"), *map(str, args)],
                                      env=testbed().env(), stdin=subprocess.DEVNULL, stdout=self._out,
                                      stderr=subprocess.DEVNULL, start_new_session=True)

        def shown():
            self._out.seek(0)
            lines = self._out.read().decode().split("\n")
            return json.loads(lines[0]) if lines[0].strip() else None

        self.info = poll(shown, 20, what="the other window")
        wait_windows("visible", cls="QuelvoE2EOther", pid=self.info["pid"])

    def centre(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2

    def close(self):
        kill_group(self.popen)
        self._out.close()
        try:
            wait_windows("gone", cls="QuelvoE2EOther", pid=self.info["pid"], timeout=10)
        except (E2EError, AttributeError):
            pass


def drag(button, start, offset, steps=4):
    """A real drag: press at start, move by offset in steps, release."""
    move_pointer(*start)
    time.sleep(0.1)
    xdotool("mousedown", button)
    time.sleep(0.1)
    for i in range(1, steps + 1):
        move_pointer(start[0] + offset[0] * i // steps, start[1] + offset[1] * i // steps)
        time.sleep(0.05)
    time.sleep(0.1)
    xdotool("mouseup", button)
    time.sleep(0.3)


class Behaviour(MainWindowCase):
    def assert_caption(self, q, active: bool, name: str):
        want, other = (CAPTION_ACTIVE, CAPTION_INACTIVE) if active else (CAPTION_INACTIVE, CAPTION_ACTIVE)
        pic = self.picture(q, name)
        area = pic.crop(CAPTION_AREA)
        self.assertGreater(area.count(want), 150, f"caption in {want} ({name}), {pic.path}")
        self.assertEqual(area.count(other), 0, f"no caption pixel in {other} ({name}), {pic.path}")
        return pic

    def close_menu(self, q):
        """Closes the open menu with a click on the empty desktop."""
        click(700, 600)
        poll(lambda: not menu_open(q.pid), 5, what="the menu to close on a click elsewhere")
        park_pointer()

    def test_drag_caption_colours_and_menus(self):
        prepare_key({"ImageCanSee": dword(0), "ImagePath": text(""), "BarColor": text("clBackground"),
                     "Key_Value": dword(65)})
        q = self.start()
        self.show_main(q)
        time.sleep(0.3)
        pic = self.picture(q, "shown")
        self.assert_frame(pic, self.clbackground)
        self.assert_design_inside(pic)

        # Caption: inactive colour while another window is active, white once the
        # main window is activated by a click on it.
        other = OtherWindow()
        self.addCleanup(other.close)
        time.sleep(0.5)
        self.assert_caption(q, False, "inactive")
        click(*point(q, 40, 100))
        time.sleep(0.5)
        readme_picture = self.assert_caption(q, True, "active")
        click(*other.centre())
        time.sleep(0.5)
        self.assert_caption(q, False, "inactive-again")
        other.close()

        # A left drag on the top bar moves the window by the drag's offset.
        drag(1, point(q, 12, 20), (60, 40))
        main = q.form("Form1")
        self.assertEqual((main["x"], main["y"], main["w"], main["h"]), (MAIN_X + 60, MAIN_Y + 40, MAIN_W, MAIN_H))
        park_pointer()
        time.sleep(0.3)
        self.assert_frame(self.picture(q, "moved"), self.clbackground)
        # A right drag moves nothing (its release may open the window's menu).
        drag(3, point(q, 12, 20), (-50, 30))
        try:
            wait_menu(q.pid, timeout=1.0)
            self.close_menu(q)
        except E2EError:
            pass
        main = q.form("Form1")
        self.assertEqual((main["x"], main["y"]), (MAIN_X + 60, MAIN_Y + 40), "a right drag moved the window")

        # Right clicks on the logo and on the maker line open the command menu.
        for name, (x, y) in (("logo", (LOGO[0] + 47, LOGO[1] + 30)), ("maker line", (LABEL[0] + 20, LABEL[1] + 7))):
            with self.subTest(right_click=name):
                click(*point(q, x, y), 3)
                menu = wait_menu(q.pid)
                self.assertEqual(menu["class"], MENU_CLASS)
                self.close_menu(q)
        self.assertTrue(q.form("Form1")["visible"])
        self.assertEqual(q.mci_commands(), [])

        # The tray menu takes its access letters while the main window is shown...
        # Keys reach the program through the window the display has focused, which
        # with no window manager stays where the last activation left it (the
        # window of the caption test may have had it): the main window first.
        click(*point(q, 40, 100))
        time.sleep(0.3)
        Tray.right_click(0)
        choose_menu_item("j", q.pid, method="key")
        self.assertEqual(q.wait_mci(1), ["set cdaudio door open"])
        park_pointer()
        # ...and still opens and works by clicks while it is hidden.
        tray_command("H", q.pid)
        q.wait_form("Form1", "hidden")
        tray_command("C", q.pid)
        self.assertEqual(q.wait_mci(2), ["set cdaudio door open", "set cdaudio door closed"])
        self.assertTrue(q.running())
        save_readme_picture(readme_picture, "main-window", *readme_picture.origin, MAIN_W, MAIN_H)

    def test_close_button_looks_and_click(self):
        bar = (0x00, 0x80, 0xFF)  # "$00FF8000"
        prepare_key({"ImageCanSee": dword(0), "ImagePath": text(""), "BarColor": text("$00FF8000"),
                     "Key_Value": dword(65)})
        q = self.start()
        self.show_main(q)
        click(*point(q, 40, 100))  # the main window active: hot tracking needs an active window
        park_pointer()
        time.sleep(0.3)
        bx, by, bw, bh = CLOSE_BUTTON

        def look(name, pic=None):
            return (pic or self.picture(q, name)).crop(CLOSE_BUTTON)

        def edges(img):
            mid_x, mid_y = bw // 2, bh // 2
            return {"top": img.pixel(mid_x, 0), "left": img.pixel(0, mid_y), "bottom": img.pixel(mid_x, bh - 1),
                    "right": img.pixel(bw - 1, mid_y)}

        def fill(img):
            return {img.pixel(x, y) for x, y in ((2, 2), (bw - 3, 2), (2, bh - 3), (bw - 3, bh - 3))}

        def assert_idle(name, pic=None):
            img = look(name, pic)
            self.assertEqual(set(edges(img).values()), {BUTTON_BORDER}, f"idle frame ({name})")
            self.assertEqual(fill(img), {bar}, f"idle: the bar shows through ({name})")
            self.assertGreater(img.count(WHITE), 15, f"white X ({name})")

        pic = self.picture(q, "idle")
        self.assert_frame(pic, bar)
        assert_idle("idle", pic)

        centre = point(q, bx + bw // 2, by + bh // 2)
        move_pointer(centre[0] - 3, centre[1])
        move_pointer(*centre)
        time.sleep(0.4)
        img = look("hot")
        self.assertEqual(edges(img), {"top": WHITE, "left": WHITE, "bottom": BLACK, "right": BLACK}, "raised frame")
        self.assertEqual(fill(img), {BUTTON_HOT}, "hot fill")

        xdotool("mousedown", 1)
        time.sleep(0.4)
        img = look("pressed")
        self.assertEqual(edges(img), {"top": BLACK, "left": BLACK, "bottom": WHITE, "right": WHITE}, "sunken frame")
        self.assertEqual(fill(img), {BUTTON_DOWN}, "pressed fill")
        # Moved out and released outside: no click, idle again.
        move_pointer(*point(q, 150, 38))
        time.sleep(0.2)
        xdotool("mouseup", 1)
        park_pointer()
        time.sleep(0.3)
        self.assertTrue(q.form("Form1")["visible"], "released outside: the window stays")
        assert_idle("released-outside")

        # Released over it: the main window is hidden, the program goes on.
        click(*centre)
        q.wait_form("Form1", "hidden")
        park_pointer()
        time.sleep(0.5)
        self.assertTrue(q.running())
        self.assertEqual(Tray.icon_count(), 1)


if __name__ == "__main__":
    unittest.main()
