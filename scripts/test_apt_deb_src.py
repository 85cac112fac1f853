"""scripts/apt-deb-src: the deb-src entries derived from a machine's apt sources, in
both forms apt reads, on a temporary copy of an apt configuration."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parent / "apt-deb-src"

ONE_LINE = """\
# a proxy in front of the archive
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://proxy:3142/debian bookworm main contrib
deb http://proxy:3142/debian bookworm-updates main   # a comment
deb https://vendor.example/apt stable main
deb-src http://proxy:3142/debian/ bookworm-updates main
"""

DEB822 = """\
Types: deb
# a comment inside the stanza
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb
Enabled: no
URIs: http://off.example/debian
Suites: bookworm
Components: main

Types: deb deb-src
URIs: http://both.example/debian
Suites: bookworm-backports
Components: main
"""

EXPECTED = """\
# Source packages from the machine's own Debian entries (written by scripts/install-deps).
Types: deb-src
URIs: http://proxy:3142/debian
Suites: bookworm
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----
"""


class AptDebSrc(unittest.TestCase):
    def run_on(self, files: dict) -> str:
        with tempfile.TemporaryDirectory() as d:
            etc = Path(d)
            (etc / "sources.list.d").mkdir()
            for name, text in files.items():
                (etc / name).write_text(text)
            own = etc / "sources.list.d" / "quelvo-deb-src.sources"
            return subprocess.run([sys.executable, str(SCRIPT), "bookworm", str(etc / "sources.list"),
                                   str(etc / "sources.list.d"), str(own)],
                                  check=True, capture_output=True, text=True).stdout

    def test_entries_of_the_release_with_their_keyring_in_both_forms(self):
        # The vendor's suite, the disabled stanza and the suites that have sources
        # already are left out; the file written before is not read.
        out = self.run_on({"sources.list": ONE_LINE, "sources.list.d/debian.sources": DEB822,
                           "sources.list.d/quelvo-deb-src.sources": "Types: deb-src\nURIs: http://old\n"
                                                                    "Suites: bookworm\nComponents: main\n",
                           "sources.list.d/ignored.list.disabled": "deb http://x/debian bookworm-proposed main\n"})
        self.assertEqual(out, EXPECTED)

    def test_nothing_when_every_suite_has_sources(self):
        self.assertEqual(self.run_on({"sources.list": "deb http://m/debian bookworm main\n"
                                                      "deb-src http://m/debian bookworm main\n"}), "")


if __name__ == "__main__":
    unittest.main()
