"""The Debian package: made with cpack, free of lintian errors, with the package's dependencies,
and working when unpacked with dpkg-deb into a temporary folder."""

import glob
import os
import subprocess
import unittest

from installed_root import BUILD, InstalledTree


class DebianPackage(InstalledTree):
    def setUp(self):
        super().setUp()
        made = subprocess.run([os.environ["CPACK"], "-G", "DEB", "--config",
                               os.path.join(BUILD, "CPackConfig.cmake"),
                               "-B", os.path.join(self.work, "package")],
                              cwd=self.work, capture_output=True, text=True, timeout=600)
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        packages = glob.glob(os.path.join(self.work, "package", "ferrydeck_*.deb"))
        self.assertEqual(len(packages), 1, made.stdout)
        self.package = packages[0]
        unpacked = os.path.join(self.work, "unpacked")
        subprocess.run(["dpkg-deb", "-x", self.package, unpacked], check=True)
        self.root = os.path.join(unpacked, "usr")

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", self.package, name], capture_output=True,
                              text=True, check=True).stdout.strip()

    def test_package(self):
        self.assertEqual(self.field("Package"), "ferrydeck")
        self.assertEqual(self.field("Version"), "1.00")
        depends = self.field("Depends")
        for library in ("libqt6widgets6", "libgmime-3.0", "libsqlite3", "libc6", "python3"):
            self.assertIn(library, depends)
        self.assertTrue(os.path.isdir(os.path.join(self.root, "lib", "python3",
                                                   "dist-packages")))
        checked = subprocess.run(["lintian", "--fail-on", "error", "--tag-display-limit", "0",
                                  self.package], capture_output=True, text=True, timeout=600)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertNotRegex(checked.stdout, r"(?m)^E: ")

        self.check_layout()
        self.check_versions()
        self.check_first_import()
        self.check_python_first()


if __name__ == "__main__":
    unittest.main()
