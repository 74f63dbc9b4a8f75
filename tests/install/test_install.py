"""`cmake --install` into a temporary prefix, then the installed programs and the Python module
from there alone."""

import os
import subprocess
import unittest

from installed_root import BUILD, InstalledTree


class CmakeInstall(InstalledTree):
    def setUp(self):
        super().setUp()
        self.root = os.path.join(self.work, "prefix")
        installed = subprocess.run(
            [os.environ["CMAKE"], "--install", BUILD, "--prefix", self.root],
            capture_output=True, text=True, timeout=300)
        self.assertEqual(installed.returncode, 0, installed.stdout + installed.stderr)

    def test_installed_tree(self):
        self.check_layout()
        self.check_versions()
        self.check_first_import()
        self.check_python_first()
        self.check_other_registrations()


if __name__ == "__main__":
    unittest.main()
