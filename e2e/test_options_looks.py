"""The options window's flat controls as a person sees them, pixel by pixel: the check
boxes idle, hot, pressed, checked and focused; the combo boxes' frame, ring and arrow
button, the arrow turning up while the list is dropped, the focus strip in the system's
highlight colour and its going when the focus moves on; a background picture showing
through a check box. The design state's four pages are saved for the README
(docs/options-page1.png .. docs/options-page4.png)."""

import subprocess
import time
import unittest

from quelvo_e2e import (WORK_DIR, click, move_pointer, poll, press_key, save_readme_picture, windows, xdotool)
from test_mainwindow import system_color, windows_path
from test_options import CONTROLS, PAGE, SETTINGS, OptionsCase, dword, preset, screen, sz

COLOR_BACKGROUND, COLOR_HIGHLIGHT, COLOR_BTNFACE = 1, 13, 15
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
BORDER = (160, 150, 131)  # 0x008396A0, check box outline, combo border and button outline
BOX_DOWN = (217, 214, 197)  # 0x00C5D6D9, pressed check box
ARROW_BACKGROUND = (217, 214, 197)  # 0x00C5D6D9
WINDOW_X, WINDOW_Y, WINDOW_W, WINDOW_H = 283, 139, 280, 203
NEUTRAL = (6, 100)  # client point on the left frame bar: keeps the keyboard, covers nothing
COMBOS = ["FlatComboBox1", "FlatComboBox2", "FlatComboBox3", "FlatComboBox4"]
CHECK_BOXES = ["FlatCheckBox1", "FlatCheckBox2", "FlatCheckBox3"]

# The check box: box rectangle (left, top, size) and the mark's pixels, as (dx, dy)
# offsets from the box's corner, row by row.
BOX = (1, 3, 11)
MARK_ROWS = {2: [8], 3: [7, 8], 4: [2, 6, 7, 8], 5: [2, 3, 5, 6, 7], 6: [2, 3, 4, 5, 6], 7: [3, 4, 5], 8: [4]}
MARK = {(dx, dy) for dy, xs in MARK_ROWS.items() for dx in xs}

# The background picture: four quadrants, each stretched over a quarter of the page.
QUADRANTS = {"top-left": (200, 60, 40), "top-right": (40, 170, 90), "bottom-left": (60, 80, 210),
             "bottom-right": (230, 190, 30)}
PICTURE_SOURCE = (64, 48)


def make_quadrant_bitmap(path) -> None:
    w, h = PICTURE_SOURCE
    c = [f"rgb{QUADRANTS[q]}".replace(" ", "") for q in ("top-left", "top-right", "bottom-left", "bottom-right")]
    subprocess.run(["convert", "-size", f"{w}x{h}", f"xc:{c[0]}",
                    "-fill", c[1], "-draw", f"rectangle {w // 2},0 {w - 1},{h // 2 - 1}",
                    "-fill", c[2], "-draw", f"rectangle 0,{h // 2} {w // 2 - 1},{h - 1}",
                    "-fill", c[3], "-draw", f"rectangle {w // 2},{h // 2} {w - 1},{h - 1}",
                    "-type", "TrueColor", f"BMP3:{path}"], check=True, capture_output=True, timeout=30)


def combo_frame(w: int, h: int, arrow_up: bool = False) -> dict:
    """Every pixel of a flat combo box that does not depend on its text or focus: the
    1-pixel border whose right column x = w-13 is also the button's left outline, the
    button's right outline in the last column, the 2-pixel ring in the list's colour,
    the button's fill and its arrow."""
    want = {}
    for x in range(w):
        want[x, 0] = want[x, h - 1] = BORDER
    for y in range(h):
        want[0, y] = want[w - 13, y] = want[w - 1, y] = BORDER
    for y in range(1, h - 1):
        for x in (1, 2, w - 15, w - 14):
            want[x, y] = WHITE
        for x in range(w - 12, w - 1):
            want[x, y] = ARROW_BACKGROUND
    for x in range(1, w - 13):
        for y in (1, 2, h - 3, h - 2):
            want[x, y] = WHITE
    x0, y0 = w - 13, h // 2 - 1
    rows = [[4, 5, 6, 7, 8], [5, 6, 7], [6]]
    for i, xs in enumerate(reversed(rows) if arrow_up else rows):
        for dx in xs:
            want[x0 + dx, y0 + i] = BLACK
    return want


class Looks(OptionsCase):
    def setUp(self):
        super().setUp()
        self.face = system_color(COLOR_BTNFACE)
        self.highlight = system_color(COLOR_HIGHLIGHT)

    # -- pictures
    def control_image(self, name: str, img=None):
        """The control's pixels (control coordinates), from a new screenshot or img."""
        page, x, y, w, h = CONTROLS[name]
        self.assertEqual(self.page, page, f"{name} is on the page shown")
        img = img or self.shot(name)
        sx, sy = screen(PAGE[0] + x, PAGE[1] + y)
        return img.crop(sx, sy, w, h), img.path

    def neutral(self) -> None:
        """The pointer off the controls but on the window, which keeps the keyboard."""
        move_pointer(*screen(*NEUTRAL))
        time.sleep(0.4)

    # -- check boxes
    def assert_box(self, name: str, fill, checked: bool, img=None, what: str = "") -> None:
        crop, path = self.control_image(name, img)
        left, top, size = BOX
        bad = []
        for dy in range(size):
            for dx in range(size):
                edge = dx in (0, size - 1) or dy in (0, size - 1)
                want = BORDER if edge else BLACK if checked and (dx, dy) in MARK else fill
                got = crop.pixel(left + dx, top + dy)
                if got != want:
                    bad.append(((dx, dy), got, want))
        self.assertEqual(bad, [], f"{name} box {what}: (offset, got, wanted) in {path}")

    def assert_caption(self, name: str, img=None) -> None:
        crop, path = self.control_image(name, img)
        text = crop.crop(16, 1, crop.width - 17, crop.height - 2)
        dark = sum(n for c, n in text.colors().items() if max(c) < 110)
        self.assertGreater(dark, 40, f"{name}'s caption is drawn in {path}")
        self.assertIn(BLACK, text.colors(), f"{name}'s caption in black, {path}")

    def assert_page_around_box(self, name: str, img=None) -> None:
        """Left of, above, below and right of the box the page shows through."""
        crop, path = self.control_image(name, img)
        points = [(0, y) for y in range(crop.height)] + [(x, y) for x in range(16) for y in (0, 1, 2, 14)]
        points += [(x, y) for x in (12, 13, 14, 15) for y in range(crop.height)]
        odd = {(x, y): crop.pixel(x, y) for x, y in points if crop.pixel(x, y) != self.face}
        self.assertEqual(odd, {}, f"{name}: the page's colour around the box, {path}")

    # -- combo boxes
    def assert_combo(self, name: str, img=None, arrow_up: bool = False, inside=None, what: str = ""):
        """The frame and the button; inside (optional) is the one colour of the text area
        x 3..w-16, y 3..h-4 (nothing selected)."""
        crop, path = self.control_image(name, img)
        w, h = crop.width, crop.height
        want = combo_frame(w, h, arrow_up)
        if inside is not None:
            want.update({(x, y): inside for x in range(3, w - 15) for y in range(3, h - 3)})
        bad = [(p, crop.pixel(*p), c) for p, c in sorted(want.items()) if crop.pixel(*p) != c]
        self.assertEqual(bad[:12], [], f"{name} {what}: {len(bad)} pixels (point, got, wanted) in {path}")
        return crop, path

    def assert_focus_strip(self, name: str, what: str) -> None:
        """Focused and closed: the highlight from the text's left end up to x = w-17,
        rimmed with a highlight line; the selected text on it."""
        crop, path = self.assert_combo(name, what=what)
        w, h = crop.width, crop.height
        rim = [(x, y) for x in range(3, w - 16) for y in (3, h - 4)]
        rim += [(x, y) for y in range(3, h - 3) for x in (3,) + tuple(range(w - 21, w - 16))]
        bad = [(p, crop.pixel(*p)) for p in rim if crop.pixel(*p) != self.highlight]
        self.assertEqual(bad[:12], [], f"{name} {what}: highlight strip and rim ({len(bad)} off) in {path}")
        after = [(x, y) for x in (w - 16, w - 15) for y in range(3, h - 3)]
        self.assertEqual({crop.pixel(*p) for p in after}, {WHITE}, f"{name} {what}: ring after the strip, {path}")
        text = crop.crop(5, 4, w - 26, h - 8).colors()
        self.assertGreater(sum(n for c, n in text.items() if c != self.highlight), 30,
                           f"{name} {what}: the selected text on the strip, {path}")

    def save_readme_pictures(self, shots) -> None:
        for page, img in enumerate(shots, 1):
            save_readme_picture(img, f"options-page{page}", WINDOW_X, WINDOW_Y, WINDOW_W, WINDOW_H)

    def design_state(self):
        preset({(SETTINGS, "ImageCanSee"): dword(0), (SETTINGS, "ImagePath"): sz(""),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(65)})
        q = self.start()
        self.open_options(q)
        return q

    def drop_down(self, name: str):
        _, _, _, w, h = CONTROLS[name]
        click(*self.point(name, w - 6, h // 2))
        return poll(lambda: windows(cls="ComboLBox", visible_only=True), 5, what=f"{name}'s list")[0]

    # -- tests
    def test_design_pages_check_box_and_combo_box_looks(self):
        q = self.design_state()
        frame = system_color(COLOR_BACKGROUND)

        # Each page as it first shows: every combo box idle with its arrow down, every
        # check box idle and unchecked with its caption; the pictures for the README.
        readme = []
        for page in range(4):
            self.go_to(page)
            img = self.shot(f"page{page + 1}")
            for x, y in ((2, 100), (272, 100), (140, 195), (4, 4)):
                self.assertEqual(img.pixel(*screen(x, y)), frame, f"frame at {x},{y} in {img.path}")
            for name in COMBOS:
                if CONTROLS[name][0] == page:
                    self.assert_combo(name, img, inside=WHITE, what="idle")
            for name in CHECK_BOXES:
                if CONTROLS[name][0] == page:
                    self.assert_box(name, self.face, False, img, "idle")
                    self.assert_caption(name, img)
                    self.assert_page_around_box(name, img)
            readme.append(img)

        # Combo box: dropped down the arrow points up, the list is white and the
        # focus strip is gone; a key picks an entry and the focused box shows it on
        # the highlight strip; once the focus moves on the strip takes the list's colour.
        name = "FlatComboBox2"
        drop = self.drop_down(name)
        time.sleep(0.3)
        img = self.shot("dropped")
        self.assert_combo(name, img, arrow_up=True, inside=WHITE, what="dropped down")
        inner = img.crop(drop["client_x"] + 1, drop["client_y"] + 1, drop["client_w"] - 2, drop["client_h"] - 2)
        colours = inner.colors()
        self.assertGreater(colours.get(WHITE, 0), 0.7 * inner.width * inner.height, f"white list, {img.path}")
        # Right of the seven short entries (the last one is wider than the list).
        beside = {inner.pixel(x, y) for x in range(inner.width // 2, inner.width) for y in range(7 * 13)}
        self.assertEqual(beside, {WHITE}, f"the list's background beside its entries, {img.path}")
        press_key("Escape")
        poll(lambda: not windows(cls="ComboLBox", visible_only=True), 5, what="the list to close")
        self.neutral()
        self.assert_combo(name, arrow_up=False, what="closed again")
        press_key("Down")
        time.sleep(0.3)
        self.assert_focus_strip(name, "focused with an entry")
        press_key("Tab")
        time.sleep(0.3)
        crop, path = self.assert_combo(name, what="after Tab")
        w, h = crop.width, crop.height
        strip = {crop.pixel(x, y) for x in range(w - 21, w - 15) for y in range(3, h - 3)}
        self.assertEqual(strip, {WHITE}, f"{name}: the strip in the list's colour after Tab, {path}")
        self.assertNotIn(self.highlight, crop.colors(), f"{name}: no highlight left after Tab, {path}")
        self.assertGreater(sum(n for c, n in crop.crop(4, 4, w - 25, h - 8).colors().items() if c != WHITE), 30,
                           f"{name}: the entry's text after Tab, {path}")

        # Check box: hot under the pointer, pressed while the button is held, checked
        # on the release, focused once the pointer has left, idle with its mark when
        # the focus moves on.
        name = "FlatCheckBox2"
        x, y = self.point(name, 6, 9)
        move_pointer(x, y)
        time.sleep(0.3)
        move_pointer(x + 1, y)
        time.sleep(0.3)
        self.assert_box(name, WHITE, False, what="hot")
        xdotool("mousedown", 1)
        time.sleep(0.3)
        self.assert_box(name, BOX_DOWN, False, what="pressed")
        xdotool("mouseup", 1)
        time.sleep(0.3)
        self.assert_box(name, WHITE, True, what="checked under the pointer")
        self.neutral()
        img = self.shot("checked-focused")
        self.assert_box(name, WHITE, True, img, "checked and focused")
        self.assert_caption(name, img)
        press_key("Tab")
        time.sleep(0.3)
        img = self.shot("checked-idle")
        self.assert_box(name, self.face, True, img, "checked, the focus moved on")
        self.assert_page_around_box(name, img)
        self.assertTrue(q.running())
        self.save_readme_pictures(readme)

    def test_background_picture_shows_through_a_check_box(self):
        bitmap = WORK_DIR / "options-quadrants.bmp"
        WORK_DIR.mkdir(parents=True, exist_ok=True)
        make_quadrant_bitmap(bitmap)
        preset({(SETTINGS, "ImageCanSee"): dword(1), (SETTINGS, "ImagePath"): sz(windows_path(bitmap)),
                (SETTINGS, "BarColor"): sz("clBackground"), (SETTINGS, "Key_Value"): dword(65)})
        q = self.start()
        self.open_options(q)
        self.go_to(0)
        name = "FlatCheckBox1"
        img = self.shot("picture")
        crop, path = self.control_image(name, img)
        w, h = crop.width, crop.height
        _, cx, cy, _, _ = CONTROLS[name]
        # The page is 246 x 103: the quadrants meet at page x 123, y 51.5, which is
        # x 103, y 15.5 in the check box.
        split_x, split_y = 123 - cx, 51.5 - cy
        # Outside the box and the text: the first and last rows and columns, the gap
        # between box and caption, below the box, and the caption's blanks at its end.
        areas = [(0, 0, 1, h), (w - 1, 0, 1, h), (0, 0, w, 1), (0, h - 1, w, 1), (12, 0, 4, h), (0, 14, 16, h - 14),
                 (w - 36, 0, 35, h)]
        wrong, seen = [], {q: 0 for q in QUADRANTS}
        for ax, ay, aw, ah in areas:
            for x in range(ax, ax + aw):
                for y in range(ay, ay + ah):
                    if abs(x - split_x) < 3 or abs(y - split_y) < 3:
                        continue
                    quadrant = ("top-" if y < split_y else "bottom-") + ("left" if x < split_x else "right")
                    seen[quadrant] += 1
                    if crop.pixel(x, y) != QUADRANTS[quadrant]:
                        wrong.append(((x, y), crop.pixel(x, y), quadrant))
        self.assertEqual(wrong[:12], [], f"the picture under {name} ({len(wrong)} off) in {path}")
        self.assertTrue(all(seen.values()), seen)
        # The box keeps its own fill and outline over the picture, the caption is drawn
        # over it, and the page around the check box shows the picture too.
        self.assert_box(name, self.face, False, img, "over the picture")
        self.assert_caption(name, img)
        for (px, py), quadrant in (((4, 4), "top-left"), ((240, 4), "top-right"), ((4, 98), "bottom-left"),
                                   ((240, 98), "bottom-right")):
            self.assertEqual(img.pixel(*screen(PAGE[0] + px, PAGE[1] + py)), QUADRANTS[quadrant],
                             f"the page's picture at {px},{py} in {img.path}")
        self.assertTrue(q.running())

    def test_picking_from_the_list_brings_the_focus_strip_back(self):
        self.design_state()
        name = "FlatComboBox2"
        drop = self.drop_down(name)
        time.sleep(0.3)
        pitch = drop["client_h"] / 8  # all eight entries show
        click(drop["client_x"] + drop["client_w"] // 2, int(drop["client_y"] + pitch * 2.5))
        poll(lambda: not windows(cls="ComboLBox", visible_only=True), 5, what="the list to close")
        self.neutral()
        self.assert_focus_strip(name, "an entry picked in the list")


if __name__ == "__main__":
    unittest.main()
