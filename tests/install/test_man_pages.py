"""The manual pages made from the programs' --help: each page names every option that its
program's --help lists, and the program's name and version."""

import gzip
import os
import re
import subprocess
import tempfile
import unittest

BIN = os.environ["BIN"]
MAN_DIR = os.environ["MAN_DIR"]
PROGRAMS = os.environ["PROGRAMS"].split(",")
# An option as --help shows it: a dash or two, then a letter, at the start of a word.
OPTION = re.compile(r"(?<![\w/-])(--?[A-Za-z][A-Za-z0-9-]*)")


def page_text(program):
    """The page's text with the roff font changes and escaped dashes undone."""
    with gzip.open(os.path.join(MAN_DIR, program + ".1.gz"), "rt", encoding="utf-8") as page:
        roff = page.read()
    return re.sub(r"\\f[BIRP]", "", roff).replace("\\-", "-")


def help_options(program):
    with tempfile.TemporaryDirectory() as prefix:
        shown = subprocess.run([os.path.join(BIN, program), "--help"], capture_output=True,
                               text=True, env=dict(os.environ, WINPAL_PREFIX=prefix), timeout=60)
    return set(OPTION.findall(shown.stdout + shown.stderr))


class ManualPages(unittest.TestCase):
    def test_every_option_on_the_page(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                options = help_options(program)
                self.assertIn("--version", options)
                text = page_text(program)
                missing = sorted(o for o in options
                                 if not re.search(r"(?<![\w-])%s(?![\w-])" % re.escape(o), text))
                self.assertEqual(missing, [], "%s.1 lacks options its --help lists" % program)

    def test_page_names_program_and_version(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                text = page_text(program)
                self.assertRegex(text, r'(?m)^\.TH %s "1"' % re.escape(program.upper()))
                self.assertIn("1.00", text)
                self.assertRegex(text, r"(?m)^%s - \S" % re.escape(program))


if __name__ == "__main__":
    unittest.main()
