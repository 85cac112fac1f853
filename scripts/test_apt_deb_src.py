"""scripts/apt-deb-src: the deb-src entries derived from a machine's apt sources, in
both forms apt reads, on a temporary copy of an apt configuration. The addresses
in the copies are this machine's own (apt-config tells where its sources are):
nothing is fetched, only the entries are read."""

import importlib.machinery
import importlib.util
import shlex
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parent / "apt-deb-src"


def load_script():
    loader = importlib.machinery.SourceFileLoader("apt_deb_src", str(SCRIPT))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


def machine_uri() -> str:
    """The first address of this machine's own deb entries."""
    out = subprocess.run(["apt-config", "shell", "list", "Dir::Etc::sourcelist/f",
                          "parts", "Dir::Etc::sourceparts/d"], capture_output=True, text=True).stdout
    paths = dict(line.split("=", 1) for line in out.split() if "=" in line)
    paths = {k: shlex.split(v)[0] for k, v in paths.items()}
    for types, uris, _, _, _ in load_script().configured(Path(paths.get("list", "/etc/apt/sources.list")),
                                                         Path(paths.get("parts", "/etc/apt/sources.list.d")),
                                                         Path("/nonexistent")):
        if "deb" in types and uris:
            return uris[0].rstrip("/")
    raise unittest.SkipTest("this machine has no deb entries to take addresses from")


BASE = machine_uri()
ONE_LINE = """\
# options in brackets, a keyring
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] {base} bookworm main contrib
deb {base} bookworm-updates main   # a comment
deb {base}/vendor stable main
deb-src {base}/ bookworm-updates main
"""
ONE_LINE = ONE_LINE.format(base=BASE)

DEB822 = """\
Types: deb
# a comment inside the stanza
URIs: {base}-security
Suites: bookworm-security
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb
Enabled: no
URIs: {base}/off
Suites: bookworm
Components: main

Types: deb deb-src
URIs: {base}/both
Suites: bookworm-backports
Components: main
"""
DEB822 = DEB822.format(base=BASE)

EXPECTED = """\
# Source packages from the machine's own Debian entries (written by scripts/install-deps).
Types: deb-src
URIs: {base}
Suites: bookworm
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: {base}-security
Suites: bookworm-security
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----
"""
EXPECTED = EXPECTED.format(base=BASE)


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
                           "sources.list.d/quelvo-deb-src.sources": f"Types: deb-src\nURIs: {BASE}/old\n"
                                                                    "Suites: bookworm\nComponents: main\n",
                           "sources.list.d/ignored.list.disabled": f"deb {BASE}/x bookworm-proposed main\n"})
        self.assertEqual(out, EXPECTED)

    def test_nothing_when_every_suite_has_sources(self):
        self.assertEqual(self.run_on({"sources.list": f"deb {BASE}/m bookworm main\n"
                                                      f"deb-src {BASE}/m bookworm main\n"}), "")


if __name__ == "__main__":
    unittest.main()
