"""Checks of the test driver's own readers (no display needed): the MCI trace parser, the
PNG reader and the crash report, on inputs whose exact meaning is known."""

import struct
import subprocess
import tempfile
import unittest
import zlib
from pathlib import Path

from quelvo_e2e import (QUELVO_EXE, SEPARATOR, TRAY_MENU, Image, crash_report, item_for, mci_commands, parse_mci_trace,
                        read_png)

TRACE = r'''0110:trace:mci:mciSendStringW (L"set cdaudio door open", 00000000, 0, 00000000)
0110:trace:mci:MCI_SetCommandTable (6F3017E4, 0)
0110:trace:mci:mciSendStringW (L"open cdaudio wait", 0063F720, 6, 00000000)
0110:trace:mci:mciSendStringW verb=L"open" on dev=L"cdaudio"; offset=8
0110:trace:mci:mciSendStringW [1, MCI_OPEN, 00002002, 00000000 00000000 00762072 00000000]
0110:trace:mci:mciSendStringW (L"open d: type cdaudio alias \"x\\y\" \4f60", 00000000, 0, 0001006A)
'''


class MciTrace(unittest.TestCase):
    def test_program_commands_only_in_order(self):
        self.assertEqual(mci_commands(TRACE), ["set cdaudio door open", 'open d: type cdaudio alias "x\\y" \u4f60'])

    def test_all_calls_with_their_arguments(self):
        calls = parse_mci_trace(TRACE)
        self.assertEqual([c.command for c in calls][1], "open cdaudio wait")
        self.assertEqual((calls[1].return_buffer, calls[1].return_length), (0x63F720, 6))
        self.assertEqual(calls[2].callback, 0x1006A)


def png(width, height, ctype, rows, palette=None):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(bytes([f]) + r for f, r in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, ctype, 0, 0, 0))
    if palette:
        out += chunk(b"PLTE", palette)
    return out + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


class PngReader(unittest.TestCase):
    def read(self, data):
        with tempfile.TemporaryDirectory() as d:
            path = Path(d) / "t.png"
            path.write_bytes(data)
            return read_png(path)

    def test_rgb_with_every_filter(self):
        # two pixels a row: (10,20,30) (40,50,60) / (11,22,33) (44,55,66), each row filtered differently
        row0 = bytes([10, 20, 30, 40, 50, 60])
        row1 = bytes([11, 22, 33, 44, 55, 66])
        sub1 = bytes([11, 22, 33, 33, 33, 33])             # Sub
        up1 = bytes(b - a for a, b in zip(row0, row1))      # Up
        for f, r in ((1, sub1), (2, up1)):
            img = self.read(png(2, 2, 2, [(0, row0), (f, r)]))
            self.assertEqual(img.pixel(0, 1), (11, 22, 33))
            self.assertEqual(img.pixel(1, 1), (44, 55, 66))
        # Average: first pixel predicted by up/2, second by (left + up)/2
        avg = bytes([11 - 5, 22 - 10, 33 - 15] + [(44 - (11 + 40) // 2) & 255, (55 - (22 + 50) // 2) & 255,
                                                   (66 - (33 + 60) // 2) & 255])
        self.assertEqual(self.read(png(2, 2, 2, [(0, row0), (3, avg)])).pixel(1, 1), (44, 55, 66))
        # Paeth: first pixel predicted by up, second by the nearest of left/up/upper-left
        paeth = bytes([1, 2, 3, 44 - 40, 55 - 50, 66 - 60])
        img = self.read(png(2, 2, 2, [(0, row0), (4, paeth)]))
        self.assertEqual((img.pixel(0, 1), img.pixel(1, 1)), ((11, 22, 33), (44, 55, 66)))

    def test_palette_and_alpha(self):
        img = self.read(png(2, 1, 3, [(0, bytes([1, 0]))], palette=bytes([1, 2, 3, 200, 100, 50])))
        self.assertEqual((img.pixel(0, 0), img.pixel(1, 0)), ((200, 100, 50), (1, 2, 3)))
        img = self.read(png(1, 1, 6, [(0, bytes([9, 8, 7, 128]))]))
        self.assertEqual(img.pixel(0, 0), (9, 8, 7))

    def test_crop_and_count(self):
        img = Image(3, 2, bytes([0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5]))
        part = img.crop(1, 0, 5, 2)
        self.assertEqual((part.width, part.height), (2, 2))
        self.assertEqual(part.pixel(1, 1), (5, 5, 5))
        self.assertEqual(img.count((2, 2, 2), tolerance=1), 3)


class CrashReport(unittest.TestCase):
    def test_crash_address_named_from_the_symbols_file(self):
        # The program is shipped stripped: the report names the function and line of
        # a crash address through Quelvo.exe.debug beside it.
        if not Path(str(QUELVO_EXE) + ".debug").exists():
            self.skipTest(f"{QUELVO_EXE} is not built")
        symbols = subprocess.run(["i686-w64-mingw32-nm", "-C", str(QUELVO_EXE) + ".debug"], capture_output=True,
                                 text=True, check=True).stdout
        address = next(line.split()[0] for line in symbols.splitlines()
                       if line.endswith(" TForm1::FormClose(fw::CloseAction&)"))
        log_text = f"wine: Unhandled page fault on read access to 00000000 at address {address.upper()} (thread 0110)"
        report = crash_report(log_text, QUELVO_EXE)
        self.assertRegex(report, r"^Quelvo\.exe: unhandled page fault on read access to 00000000 at [0-9A-F]+ in "
                                 r"TForm1::FormClose\(fw::CloseAction&\) \(.*app/Unit1\.cpp:\d+\)$")
        self.assertEqual(crash_report("nothing unhandled here", QUELVO_EXE), "")


class MenuItems(unittest.TestCase):
    def test_items_by_letter_and_caption(self):
        self.assertEqual(item_for("q"), "退出程序     &Q")
        self.assertEqual(item_for("关于Keltrin  &A"), "关于Keltrin  &A")
        self.assertEqual(sum(1 for it in TRAY_MENU if it == SEPARATOR), 4)
        with self.assertRaises(KeyError):
            item_for("x")


if __name__ == "__main__":
    unittest.main()
