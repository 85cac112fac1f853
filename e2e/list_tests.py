"""Prints the id (module.Class.method) of every test in e2e/test_*.py, one a line;
CMake registers each as a test of its own."""

import sys
import unittest
from pathlib import Path


def ids(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from ids(item)
        else:
            yield item.id()


if __name__ == "__main__":
    here = Path(__file__).resolve().parent
    sys.path.insert(0, str(here))
    suite = unittest.defaultTestLoader.discover(str(here), pattern="test_*.py", top_level_dir=str(here))
    for test_id in sorted(ids(suite)):
        if "_FailedTest" in test_id or "ModuleImportFailure" in test_id:
            sys.exit(f"cannot load {test_id}")
        print(test_id)
