"""The tray icon and its command menu: opening the menu, the door commands, showing and
hiding the main window."""

import time
import unittest

from quelvo_e2e import (APP_CLASS, MENU_CLASS, TRAY_MENU, TRAY_TIP, E2ETestCase, Tray, click, menu_layout, menu_open,
                        menu_picture_matches, move_pointer, park_pointer, pointer_position, save_readme_picture,
                        tray_command, wait_menu, xdotool)

MAIN_X, MAIN_Y, MAIN_W, MAIN_H = 394, 156, 262, 193


def taskbar_entry_shown(q):
    """The application's window stands for the taskbar entry."""
    return q.windows(cls=APP_CLASS)[0]["visible"]


class TrayMenu(E2ETestCase):
    def test_tip_clicks_menu_and_door_items_while_hidden(self):
        q = self.start()
        tip = Tray.tip(0)
        self.assertEqual(tip["text_hex"], TRAY_TIP.encode("gbk").hex(), tip["text"])

        # A single left click does nothing.
        x, y = Tray.slot_center(0)
        click(x, y, 1)
        time.sleep(1.5)
        park_pointer()
        self.assertFalse(menu_open(q.pid))
        self.assertFalse(q.form("Form1")["visible"])
        self.assertTrue(q.running())

        # The right button opens the menu on its release, at the cursor.
        move_pointer(x, y)
        xdotool("mousedown", 3)
        time.sleep(1.0)
        self.assertFalse(menu_open(q.pid), "the menu opens on the release, not on the press")
        xdotool("mouseup", 3)
        menu = wait_menu(q.pid)
        self.assertEqual((menu["x"], menu["y"]), pointer_position(), "top-left corner at the cursor")
        self.assertEqual(menu["class"], MENU_CLASS)
        self.assertEqual(menu["pid"], q.pid)
        # Nine items in five groups fill the menu window (menu_layout checks), and
        # its picture shows the groups once the menu is painted.
        layout = menu_layout(menu, TRAY_MENU)
        deadline = time.monotonic() + 3
        while (differs := menu_picture_matches(self.shot("menu"), menu, layout)) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(differs, "", "the menu's groups in its picture")
        tray = Tray.window()
        left, top = min(tray["x"], menu["x"]), min(tray["y"], menu["y"])
        right = max(tray["x"] + tray["w"], menu["x"] + menu["w"])
        bottom = max(tray["y"] + tray["h"], menu["y"] + menu["h"])
        save_readme_picture(self.shot("menu-shown"), "tray-menu", left, top, right - left, bottom - top)
        self.assertFalse(q.form("Form1")["visible"])
        # A click elsewhere closes the menu and does nothing else.
        click(700, 600)
        time.sleep(1.0)
        self.assertFalse(menu_open(q.pid))
        self.assertTrue(q.running())
        self.assertEqual(q.mci_commands(), [])

        # "Hide" while hidden changes nothing.
        tray_command("H", q.pid)
        time.sleep(1.0)
        self.assertTrue(q.running())
        self.assertFalse(q.form("Form1")["visible"])
        self.assertEqual(Tray.icon_count(), 1)

        # The door items send their commands, each time they are chosen.
        tray_command("J", q.pid)
        self.assertEqual(q.wait_mci(1), ["set cdaudio door open"])
        tray_command("C", q.pid)
        self.assertEqual(q.wait_mci(2), ["set cdaudio door open", "set cdaudio door closed"])
        tray_command("J", q.pid)
        self.assertEqual(q.wait_mci(3), ["set cdaudio door open", "set cdaudio door closed", "set cdaudio door open"])
        self.assertTrue(q.running())
        self.assertFalse(q.form("Form1")["visible"])
        self.assertEqual(Tray.icon_count(), 1)

    def test_double_click_shows_and_the_menu_hides_and_shows_the_main_window(self):
        q = self.start()
        Tray.double_click(0)
        main = q.wait_form("Form1", "visible")
        park_pointer()
        self.assertEqual((main["x"], main["y"]), (MAIN_X, MAIN_Y))
        self.assertEqual((main["client_w"], main["client_h"]), (MAIN_W, MAIN_H))
        self.assertEqual((main["w"], main["h"]), (MAIN_W, MAIN_H), "the main window has no border")
        self.assertFalse(menu_open(q.pid))
        self.assertTrue(taskbar_entry_shown(q))
        self.assertEqual(q.mci_commands(), [])

        tray_command("H", q.pid)
        q.wait_form("Form1", "hidden")
        time.sleep(1.0)
        self.assertTrue(q.running())
        self.assertEqual(Tray.icon_count(), 1)
        self.assertFalse(taskbar_entry_shown(q), "no taskbar entry while every window is hidden")
        # shown again from the menu, at the same place
        tray_command("S", q.pid)
        main = q.wait_form("Form1", "visible")
        self.assertEqual((main["x"], main["y"], main["w"], main["h"]), (MAIN_X, MAIN_Y, MAIN_W, MAIN_H))
        self.assertTrue(taskbar_entry_shown(q))

if __name__ == "__main__":
    unittest.main()
