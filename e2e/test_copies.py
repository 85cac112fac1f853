"""A second copy of the program runs independently, with its own windows and tray icon."""

import unittest

from quelvo_e2e import (APP_CLASS, FORM_CLASS, E2ETestCase, Tray, choose_menu_item, park_pointer, tray_command,
                        wait_menu)


class SecondCopy(E2ETestCase):
    def test_second_copy_runs_independently_with_its_own_icon(self):
        first = self.start()
        second = self.start()
        self.assertNotEqual(first.pid, second.pid)
        for q in (first, second):
            self.assertEqual(sorted(w["title"] for w in q.windows(cls=FORM_CLASS)),
                             ["Form1", "Form2", "Form3", "Form4", "Form5"])
            self.assertEqual(len(q.windows(cls=APP_CLASS)), 1)
        Tray.wait_icon_count(2)

        # The second icon belongs to the second copy: its menu, its command.
        Tray.right_click(1)
        menu = wait_menu()
        self.assertEqual(menu["pid"], second.pid)
        choose_menu_item("J", second.pid)
        park_pointer()
        self.assertEqual(second.wait_mci(1), ["set cdaudio door open"])
        self.assertEqual(first.mci_commands(), [])

        # Ending the second copy leaves the first running with its icon.
        tray_command("Q", second.pid, slot=1)
        self.assertEqual(second.wait_exit(), 0)
        Tray.wait_icon_count(1)
        self.assertTrue(first.running())
        tray_command("C", first.pid, slot=0)
        self.assertEqual(first.wait_mci(1), ["set cdaudio door closed"])
        tray_command("Q", first.pid, slot=0)
        self.assertEqual(first.wait_exit(), 0)
        Tray.wait_icon_count(0)


if __name__ == "__main__":
    unittest.main()
