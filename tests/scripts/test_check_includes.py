"""scripts/check-includes: the real tree passes, and an include against the direction fails."""

import os
import subprocess
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "check-includes")


def run(tree):
    return subprocess.run([SCRIPT, tree], capture_output=True, text=True)


class CheckIncludesTest(unittest.TestCase):
    def test_the_tree_keeps_the_direction(self):
        done = run(os.path.join(os.path.dirname(SCRIPT), ".."))
        self.assertEqual((done.returncode, done.stdout), (0, ""))

    def test_includes_against_the_direction_are_named(self):
        cases = [
            # (file, include, refused)
            ("platform/winpal/src/a.cpp", "control/QuillboxCtrl.h", True),
            ("platform/winpal/src/a.cpp", "dbx/error.h", True),
            ("platform/oestore/dbx/src/a.cpp", "winpal/winpal.h", True),
            ("platform/oestore/src/a.cpp", "dbx/error.h", False),
            ("platform/olectl/src/a.cpp", "import_support/registry.h", True),
            ("control/a.cpp", "oestore/msoeapi.h", False),
            ("control/a.cpp", "dbx/message_file.h", True),
            ("messages/a.cpp", "import_app/frmMain.h", True),
            ("import_app/a.cpp", "control/QuillboxCtrl.h", True),
            ("import_app/a.cpp", "dbx/message_file.h", False),
            ("import_support/a.h", "import_app/modMain.h", True),
            ("tests/a.cpp", "control/QuillboxCtrl.h", False),
            ("platform/wab/src/a.cpp", "QString", False),
        ]
        for path, include, refused in cases:
            with self.subTest(path=path, include=include), tempfile.TemporaryDirectory() as tree:
                file = os.path.join(tree, path)
                os.makedirs(os.path.dirname(file))
                with open(file, "w") as source:
                    source.write('// first line\n#include <vector>\n#include "%s"\n' % include)
                done = run(tree)
                self.assertEqual(done.returncode, 1 if refused else 0, done.stdout)
                if refused:
                    self.assertIn("%s:3: includes %s" % (path, include), done.stdout)


if __name__ == "__main__":
    unittest.main()
