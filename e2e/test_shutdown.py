"""The disc check at session end: one question per CD-ROM drive (letters c to z) holding a
disc, Yes ejects that drive and ends the program, the session end is never refused."""

import re
import time
import unittest

from quelvo_e2e import BOX_CAPTION, BOX_TEXT, IDNO, IDYES, E2ETestCase, Tray, query_end_session

EJECT = re.compile(r"^open ([A-Za-z]): type cdaudio alias (\S+)$")


class ShutdownCheck(E2ETestCase):
    def assert_question(self, box, main_hwnd):
        self.assertEqual(box["caption_hex"], BOX_CAPTION.encode("gbk").hex(), box["caption"])
        self.assertEqual(box["text_hex"], BOX_TEXT.encode("gbk").hex(), box["text"])
        self.assertEqual(box["owner"], main_hwnd, "the main window owns the question")
        self.assertEqual(sorted(b["id"] for b in box["buttons"]), [IDYES, IDNO])
        self.assertFalse(box["unexpected"], "more questions than CD-ROM drives")

    def assert_ejected(self, commands, letter):
        self.assertEqual(len(commands), 3, commands)
        m = EJECT.match(commands[0])
        self.assertIsNotNone(m, commands)
        self.assertEqual(m.group(1).lower(), letter)
        alias = m.group(2)
        self.assertEqual(commands[1:], [f"set {alias} door open", f"close {alias}"])

    def assert_still_resident(self, q):
        time.sleep(1.0)
        self.assertTrue(q.running())
        self.assertEqual(Tray.icon_count(), 1)
        self.assertEqual(q.mci_commands(), [])

    def test_no_cdrom_drive_no_question(self):
        q = self.start()
        out = query_end_session([], pid=q.pid)
        self.assertEqual(out.boxes, [])
        self.assertEqual(out.result, 1)
        self.assert_still_resident(q)

    def test_cdrom_drive_at_b_is_never_examined(self):
        self.drives.cdrom("b")
        q = self.start()
        out = query_end_session([], pid=q.pid)
        self.assertEqual(out.boxes, [])
        self.assertEqual(out.result, 1)
        self.assert_still_resident(q)

    def test_disks_of_other_types_cause_no_question(self):
        self.drives.fixed("d")
        self.drives.removable("e")
        q = self.start()
        out = query_end_session([], pid=q.pid)
        self.assertEqual(out.boxes, [])
        self.assertEqual(out.result, 1)
        self.assert_still_resident(q)

    def test_one_drive_answered_no_keeps_running(self):
        self.drives.cdrom("d")
        q = self.start()
        main = q.form("Form1")["hwnd"]
        out = query_end_session(["no"], pid=q.pid)
        self.assertEqual(len(out.boxes), 1)
        self.assert_question(out.boxes[0], main)
        self.assertEqual(out.result, 1)
        self.assert_still_resident(q)

    def test_two_drives_asked_in_turn_no_to_both(self):
        self.drives.cdrom("e")
        self.drives.cdrom("d")
        q = self.start()
        main = q.form("Form1")["hwnd"]
        out = query_end_session(["no", "no"], pid=q.pid)
        self.assertEqual(len(out.boxes), 2)
        for box in out.boxes:
            self.assert_question(box, main)
        self.assertEqual(out.result, 1)
        self.assert_still_resident(q)
        # asked again at the next query
        again = query_end_session(["no", "no"], pid=q.pid)
        self.assertEqual(len(again.boxes), 2)
        self.assertEqual(again.result, 1)
        self.assert_still_resident(q)

    def test_yes_ejects_that_drive_and_ends_the_program(self):
        self.drives.cdrom("d")
        q = self.start()
        main = q.form("Form1")["hwnd"]
        out = query_end_session(["yes"], pid=q.pid)
        self.assertEqual(len(out.boxes), 1)
        self.assert_question(out.boxes[0], main)
        self.assertEqual(out.result, 1)
        self.assert_ejected(q.wait_mci(3), "d")
        self.assertEqual(q.wait_exit(), 0)
        Tray.wait_icon_count(0)

    def test_drives_asked_in_letter_order(self):
        # e: defined before d:, asked after it: the Yes to the second question ejects e:.
        self.drives.cdrom("e")
        self.drives.cdrom("d")
        q = self.start()
        out = query_end_session(["no", "yes"], pid=q.pid)
        self.assertEqual(len(out.boxes), 2)
        self.assertEqual(out.result, 1)
        self.assert_ejected(q.wait_mci(3), "e")
        self.assertEqual(q.wait_exit(), 0)
        Tray.wait_icon_count(0)

    def test_yes_then_no_still_ends_the_program(self):
        self.drives.cdrom("d")
        self.drives.cdrom("e")
        q = self.start()
        out = query_end_session(["yes", "no"], pid=q.pid)
        self.assertEqual(len(out.boxes), 2, "every drive with a disc is asked about, also after a Yes")
        self.assertEqual(out.result, 1)
        self.assert_ejected(q.wait_mci(3), "d")
        Tray.wait_icon_count(0)
        self.assertEqual(q.wait_exit(), 0)

    def test_logoff_query_asks_the_same(self):
        self.drives.cdrom("d")
        q = self.start()
        main = q.form("Form1")["hwnd"]
        out = query_end_session(["no"], pid=q.pid, logoff=True)
        self.assertEqual(len(out.boxes), 1)
        self.assert_question(out.boxes[0], main)
        self.assertEqual(out.result, 1)
        self.assert_still_resident(q)

    def test_session_end_after_query_ends_the_program(self):
        q = self.start()
        out = query_end_session([], pid=q.pid, end=True)
        self.assertEqual(out.boxes, [])
        self.assertEqual(out.result, 1)
        self.assertTrue(out.results[0]["end_sent"])
        self.assertEqual(q.wait_exit(), 0)
        self.assertEqual(q.mci_commands(), [])


if __name__ == "__main__":
    unittest.main()
