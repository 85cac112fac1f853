"""Start-up and ending: the splash, the hidden windows, the tray icon, exit from the menu."""

import time
import unittest

from quelvo_e2e import (APP_CLASS, APP_TITLE, FORM_CLASS, E2ETestCase, Tray, TrayWatch, color_from_colorref,
                        save_readme_picture, tray_command, windows)

SCREEN_W, SCREEN_H = 1024, 768
SPLASH_W, SPLASH_H = 293, 206
SPLASH_COLOR = color_from_colorref(13852466)  # red 50, green 95, blue 211
WS_POPUP, WS_CAPTION, WS_THICKFRAME = 0x80000000, 0x00C00000, 0x00040000


class Startup(E2ETestCase):
    def sample_until_splash_hidden(self, q, timeout=20.0):
        """Window states of the copy, sampled until the splash is hidden again."""
        samples = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            states = {w["title"]: w for w in q.windows(cls=FORM_CLASS)}
            samples.append(states)
            if "Form4" in states and not states["Form4"]["visible"]:
                return samples
        self.fail(f"the splash did not go away within {timeout}s")

    def test_splash_centred_painted_then_hidden_and_the_tray_icon_stays(self):
        q = self.start(wait_resident=False)
        splash = q.wait_form("Form4", "visible")
        time.sleep(0.5)
        image = self.shot("splash")
        if q.form("Form4")["visible"]:
            # Points of the client area that no label or picture covers.
            for cx, cy in ((100, 100), (30, 150), (250, 100), (130, 60)):
                self.assertEqual(image.pixel(splash["client_x"] + cx, splash["client_y"] + cy), SPLASH_COLOR,
                                 f"splash pixel {cx},{cy} in {image.path}")
            save_readme_picture(image, "splash", splash["x"], splash["y"], SPLASH_W, SPLASH_H)
        self.assertEqual((splash["client_w"], splash["client_h"]), (SPLASH_W, SPLASH_H))
        self.assertEqual((splash["w"], splash["h"]), (SPLASH_W, SPLASH_H), "the splash has no border")
        self.assertAlmostEqual(splash["x"], (SCREEN_W - SPLASH_W) / 2, delta=1)
        self.assertAlmostEqual(splash["y"], (SCREEN_H - SPLASH_H) / 2, delta=1)
        self.assertTrue(splash["style"] & WS_POPUP)
        self.assertFalse(splash["style"] & (WS_CAPTION | WS_THICKFRAME))
        self.assertEqual(splash["owner_class"], APP_CLASS)
        self.assertEqual(splash["owner_title"], APP_TITLE)
        self.assertTrue(q.windows(cls=APP_CLASS)[0]["visible"], "a taskbar entry while the splash shows")

        samples = self.sample_until_splash_hidden(q)
        for states in samples:
            if "Form1" in states:
                self.assertFalse(states["Form1"]["visible"], "the main window showed during start-up")

        # After start-up: every window exists once, all hidden; the splash is kept.
        forms = q.windows(cls=FORM_CLASS)
        self.assertEqual(sorted(w["title"] for w in forms), ["Form1", "Form2", "Form3", "Form4", "Form5"])
        self.assertEqual([w["title"] for w in forms if w["visible"]], [])
        for w in forms:
            self.assertEqual(w["owner_title"], APP_TITLE, w["title"])
        app = q.windows(cls=APP_CLASS)
        self.assertEqual([w["title"] for w in app], [APP_TITLE])
        time.sleep(1.0)
        self.assertTrue(q.running())
        shown = [(w["class"], w["title"]) for w in q.windows(visible_only=True)]
        self.assertEqual(shown, [], "nothing but the tray icon remains (no taskbar entry either)")
        self.assertFalse(q.form("Form4")["visible"], "the splash is never shown again")

        icons = Tray.wait_icon_count(1)
        self.assertEqual(len(icons), 1)
        picture = Tray.icon_picture(0)
        self.assertGreater(len(picture.colors()), 3, "an icon is drawn in the tray")
        time.sleep(1.0)
        self.assertTrue(q.running())
        self.assertEqual(Tray.icon_count(), 1)

    def test_main_window_stays_hidden_with_any_start_command(self):
        for show in ("min", "max"):
            with self.subTest(show=show):
                q = self.start(show=show)
                time.sleep(1.0)
                self.assertEqual([(w["class"], w["title"]) for w in q.windows(visible_only=True)], [])
                tray_command("Q", q.pid)
                self.assertEqual(q.wait_exit(), 0)

    def test_exit_item_removes_icon_and_ends_with_code_0(self):
        # The emulator drops the icon of a window destroyed at the end anyway: the
        # program removed it when the icon was gone while its window still existed.
        for _ in range(3):
            q = self.start()
            icon = Tray.wait_icon_count(1)[0]
            watch = TrayWatch(icon, q.form("Form1"), q.pid)
            tray_command("Q", q.pid)
            self.assertEqual(q.wait_exit(), 0)
            order = watch.result()
            if order["order"] != "together":  # the watch did not run in between: again
                break
        self.assertEqual(order["order"], "icon-first", f"the icon went after its window: {order}")
        Tray.wait_icon_count(0)
        self.assertEqual(windows(pid=q.pid), [])
        self.assertIsNone(Tray.window(), "the tray window goes away with its last icon")


if __name__ == "__main__":
    unittest.main()
