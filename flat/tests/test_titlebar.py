"""The title bar under a real pointer: TitlebarProbe.exe (a borderless window
with a bar along its top, and a second window that is active at the start) on
the test bed's display, buttons pressed and the pointer moved with xdotool,
the window's place read with wininfo and the caption's colour from screenshots."""
import os
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "e2e"))
import quelvo_e2e as e2e  # noqa: E402

PROBE = os.environ.get("QUELVO_TITLEBAR_PROBE", "")
FORM = "TitlebarProbe"
OTHER = "TitlebarOther"
START = (200, 150)          # the probe window's place
BAR_HEIGHT = 30
INACTIVE = (0xA2, 0x9A, 0x82)
ACTIVE = (0xFF, 0xFF, 0xFF)


class TitlebarByHand(e2e.E2ETestCase):
    def window(self, title=FORM):
        found = e2e.windows(cls=e2e.FORM_CLASS, title=title, pid=self.probe.pid)
        self.assertEqual(len(found), 1, f"{title}: {found}")
        return found[0]

    def place(self):
        w = self.window()
        return w["x"], w["y"]

    def caption_colours(self):
        """Pixels of the active and of the inactive text colour on the bar now."""
        x, y = self.place()
        bar = e2e.screenshot("bar").crop(x, y, 300, BAR_HEIGHT)
        return bar.count(ACTIVE), bar.count(INACTIVE)

    def wait_caption(self, active):
        def shown():
            on, off = self.caption_colours()
            return (on > 20 and off == 0) if active else (off > 20 and on == 0)
        e2e.poll(shown, 10, interval=0.3, what=f"the caption in the {'active' if active else 'inactive'} colour")

    def drag(self, button, start, offset):
        e2e.move_pointer(*start)
        time.sleep(0.1)
        e2e.xdotool("mousedown", button)
        steps = 4
        for i in range(1, steps + 1):
            time.sleep(0.1)
            e2e.move_pointer(start[0] + offset[0] * i // steps, start[1] + offset[1] * i // steps)
        time.sleep(0.2)
        e2e.xdotool("mouseup", button)
        time.sleep(0.3)

    def test_activation_colour_and_drags(self):
        if not PROBE:
            self.skipTest("QUELVO_TITLEBAR_PROBE names no probe program")
        self.probe = self.start(wait_resident=False, exe=PROBE, winedebug="-all")
        e2e.wait_windows("visible", cls=e2e.FORM_CLASS, title=FORM, pid=self.probe.pid)
        e2e.wait_windows("visible", cls=e2e.FORM_CLASS, title=OTHER, pid=self.probe.pid)
        self.assertEqual(self.place(), START)

        # The other window is active: the caption shows the inactive colour;
        # a click on the bar activates the window, a click elsewhere deactivates it.
        self.wait_caption(active=False)
        e2e.click(START[0] + 10, START[1] + 5)
        self.wait_caption(active=True)
        self.assertEqual(self.place(), START, "a click without motion moved the window")
        other = self.window(OTHER)
        e2e.click(other["x"] + 20, other["y"] + 20)
        self.wait_caption(active=False)

        # A left drag moves the window by the drag's offset.
        self.drag(1, (START[0] + 20, START[1] + 15), (40, 30))
        moved = (START[0] + 40, START[1] + 30)
        e2e.poll(lambda: self.place() == moved, 5, what=f"the window at {moved}, not {self.place()}")
        # Moving the pointer after the release moves nothing.
        e2e.move_pointer(moved[0] + 60, moved[1] + 40)
        time.sleep(0.3)
        self.assertEqual(self.place(), moved)

        # A right drag moves nothing.
        self.drag(3, (moved[0] + 20, moved[1] + 15), (50, 25))
        self.assertEqual(self.place(), moved)


if __name__ == "__main__":
    unittest.main()
