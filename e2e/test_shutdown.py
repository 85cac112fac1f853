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

    def test_questions_follow_the_drives_present_at_each_query(self):
        q = self.start()
        main = q.form("Form1")["hwnd"]

        def no_question():
            out = query_end_session([], pid=q.pid)
            self.assertEqual(out.boxes, [])
            self.assertEqual(out.result, 1)
            self.assert_still_resident(q)

        with self.subTest("no CD-ROM drive"):
            no_question()
        with self.subTest("a CD-ROM drive at b: is never examined"):
            self.drives.cdrom("b")
            no_question()
        with self.subTest("disks of other types"):
            self.drives.fixed("d")
            self.drives.removable("e")
            no_question()
            self.drives.remove("d")
            self.drives.remove("e")
        with self.subTest("one drive answered No"):
            self.drives.cdrom("d")
            out = query_end_session(["no"], pid=q.pid)
            self.assertEqual(len(out.boxes), 1)
            self.assert_question(out.boxes[0], main)
            self.assertEqual(out.result, 1)
            self.assert_still_resident(q)
        with self.subTest("a log-off query asks the same"):
            out = query_end_session(["no"], pid=q.pid, logoff=True)
            self.assertEqual(len(out.boxes), 1)
            self.assert_question(out.boxes[0], main)
            self.assertEqual(out.result, 1)
            self.assert_still_resident(q)
        with self.subTest("two drives asked in turn, No to both, asked again at the next query"):
            self.drives.cdrom("e")
            for _ in range(2):
                out = query_end_session(["no", "no"], pid=q.pid)
                self.assertEqual(len(out.boxes), 2)
                for box in out.boxes:
                    self.assert_question(box, main)
                self.assertEqual(out.result, 1)
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
