"""The speed buttons under the real pointer (xdotool on the test bed's display):
the idle, hot and pressed looks on the screen, no click for a press released
outside, and the hot look handed from one button to the next at once.

One probe (SpeedProbe.exe, given as the first argument) serves every check."""
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "e2e"))
import quelvo_e2e as e2e  # noqa: E402

PROBE = sys.argv.pop(1) if len(sys.argv) > 1 and sys.argv[1].endswith(".exe") else None

FORM = (200, 200)
BUTTON = {"A": (40, 40), "B": (100, 40)}
SIZE = (60, 30)
PARENT = (0x30, 0x60, 0x90)
BORDER = (0xA0, 0x96, 0x83)
FOCUSED = (0xEB, 0xEA, 0xE1)
DOWN = (0xD9, 0xD6, 0xC5)
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
OFF = (FORM[0] + 200, FORM[1] + 100)  # on the form, off both buttons


def at(name, x, y):
    """A screen point given in a button's coordinates."""
    bx, by = BUTTON[name]
    return FORM[0] + bx + x, FORM[1] + by + y


class Probe:
    def __init__(self, exe):
        self.out = tempfile.NamedTemporaryFile(prefix="speedprobe-", suffix=".txt", delete=False)
        self.popen = subprocess.Popen(["wine", exe], env=e2e.testbed().env(), stdin=subprocess.DEVNULL,
                                      stdout=self.out, stderr=subprocess.DEVNULL, start_new_session=True)
        self.seen = 0
        self.expect("ready", timeout=30)

    def lines(self):
        return Path(self.out.name).read_text("utf-8", "replace").splitlines()

    def expect(self, *wanted, timeout=5.0):
        """Waits until the lines after those already taken include `wanted`, in
        that order; takes them and returns every new line up to the last wanted."""
        def found():
            new = self.lines()[self.seen:]
            i = 0
            for n, line in enumerate(new):
                if i < len(wanted) and line == wanted[i]:
                    i += 1
                    if i == len(wanted):
                        return new[:n + 1]
            return None
        taken = e2e.poll(found, timeout, interval=0.05, what=f"{wanted} from the probe ({self.lines()})")
        self.seen += len(taken)
        return taken

    def take(self):
        new = self.lines()[self.seen:]
        self.seen += len(new)
        return new

    def close(self):
        if self.popen.poll() is None:
            os.killpg(self.popen.pid, signal.SIGKILL)
            self.popen.wait(10)
        self.out.close()
        os.unlink(self.out.name)


def look(shot, name):
    """The frame corners and the fill of a button on the screen."""
    w, h = SIZE
    return {"top_left": shot.pixel(*at(name, 0, 0)), "bottom_right": shot.pixel(*at(name, w - 1, h - 1)),
            "fill": shot.pixel(*at(name, 3, 3))}


IDLE = {"top_left": BORDER, "bottom_right": BORDER, "fill": PARENT}
HOT = {"top_left": WHITE, "bottom_right": BLACK, "fill": FOCUSED}
PRESSED = {"top_left": BLACK, "bottom_right": WHITE, "fill": DOWN}


@unittest.skipUnless(PROBE, "give the probe program as the first argument")
class SpeedButtons(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.lock = e2e.DesktopLock()
        cls.lock.acquire()
        try:
            e2e.move_pointer(*OFF)
            cls.probe = Probe(PROBE)
            time.sleep(0.3)
        except BaseException:
            cls.lock.release()
            raise

    @classmethod
    def tearDownClass(cls):
        try:
            cls.probe.close()
            e2e.park_pointer()
        finally:
            cls.lock.release()

    def setUp(self):
        e2e.xdotool("mouseup", 1)
        e2e.move_pointer(*OFF)
        time.sleep(0.3)  # the poll timer un-hots whatever was hot
        self.probe.take()

    def test_looks_and_no_click_outside(self):
        p = self.probe
        self.assertEqual(look(e2e.screenshot("speed-idle"), "A"), IDLE)
        e2e.move_pointer(*at("A", 30, 15))
        p.expect("A hot")
        self.assertEqual(look(e2e.screenshot("speed-hot"), "A"), HOT)
        e2e.xdotool("mousedown", 1)
        p.expect("A down")
        self.assertEqual(look(e2e.screenshot("speed-pressed"), "A"), PRESSED)
        e2e.move_pointer(*OFF)
        p.expect("A up")
        self.assertEqual(look(e2e.screenshot("speed-pressed-outside"), "A"), HOT)  # still hot while held
        e2e.xdotool("mouseup", 1)
        new = p.expect("A cold")
        time.sleep(0.3)
        self.assertNotIn("A click", new + p.take())
        self.assertEqual(look(e2e.screenshot("speed-released-outside"), "A"), IDLE)
        # The same press released over the button clicks.
        e2e.move_pointer(*at("A", 30, 15))
        e2e.xdotool("click", 1)
        p.expect("A click")

    def test_hot_look_hands_over_at_once(self):
        p = self.probe
        e2e.move_pointer(*at("A", 50, 15))
        p.expect("A hot")
        e2e.move_pointer(*at("B", 10, 15))  # one jump, onto the neighbour
        new = p.expect("B hot")
        self.assertEqual(new, ["A cold", "B hot"])  # un-hot before the neighbour turns hot
        shot = e2e.screenshot("speed-handover")
        self.assertEqual(look(shot, "A"), IDLE)
        self.assertEqual(look(shot, "B"), HOT)


if __name__ == "__main__":
    unittest.main()
