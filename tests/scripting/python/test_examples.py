"""The scripts in examples/ run as a user runs them, against a store with a packed mailbox."""

import email
import email.policy
import mailbox
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from packed_store import FOLDER, make_store, sample_emls

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "examples")


def setUpModule():
    global prefix, emls
    prefix = tempfile.mkdtemp(prefix="quillbox-examples-")
    emls = sample_emls()
    make_store(prefix, emls)


def tearDownModule():
    shutil.rmtree(prefix, ignore_errors=True)


def count_messages(path):
    box = mailbox.mbox(path)
    try:
        return len(box)
    finally:
        box.close()


def run(script, *arguments):
    """Runs an example with the store's prefix; its standard output."""
    done = subprocess.run([sys.executable, os.path.join(EXAMPLES, script)] + list(arguments),
                          env=dict(os.environ, WINPAL_PREFIX=prefix), check=True,
                          capture_output=True, text=True)
    return done.stdout


class ExamplesTest(unittest.TestCase):
    def setUp(self):
        self.out = tempfile.mkdtemp(prefix="quillbox-example-out-")

    def tearDown(self):
        shutil.rmtree(self.out, ignore_errors=True)

    def test_folder_tree_counts_the_messages(self):
        lines = run("folder_tree.py").splitlines()
        self.assertIn("     3  " + FOLDER, lines)
        self.assertIn("     0  Inbox", lines)
        self.assertEqual(lines[-1], "     3  messages in all")

    def test_export_mbox_quotes_from_lines_and_keeps_every_message(self):
        path = os.path.join(self.out, "out.mbox")
        self.assertEqual(run("export_mbox.py", path, FOLDER), FOLDER + ": 3 messages\n")
        with open(path, "rb") as mbox:
            raw = mbox.read()
        self.assertIn(b"\n>From here on.\n>>From there.\n", raw)
        read_back = mailbox.mbox(path)
        self.addCleanup(read_back.close)
        self.assertEqual(len(read_back), 3)
        for stored, original in zip(read_back, emls):
            # Undoing the mboxrd quoting gives the message back, with LF line ends.
            text = re.sub(rb"(?m)^>(>*From )", rb"\1", stored.as_bytes())
            self.assertEqual(text.rstrip(b"\n"), original.replace(b"\r\n", b"\n").rstrip(b"\n"))
        self.assertTrue(read_back[0].get_from().startswith("bounce@example.org "))

        everything = os.path.join(self.out, "all")
        run("export_mbox.py", "--all", everything)
        self.assertEqual(count_messages(os.path.join(everything, FOLDER + ".mbox")), 3)
        self.assertEqual(count_messages(os.path.join(everything, "Inbox.mbox")), 0)

    def test_save_attachments_writes_the_decoded_files(self):
        output = run("save_attachments.py", FOLDER, self.out)
        self.assertTrue(output.endswith("3 attachments saved in %s\n" % self.out), output)
        parsed = email.message_from_bytes(emls[0], policy=email.policy.default)
        parts = [part for part in parsed.walk() if part.get_filename()]
        names = sorted(os.listdir(self.out))
        self.assertEqual(names, sorted(["R\u00e9sum\u00e9 2004.pdf", "notes ", "escape.png"]))
        with open(os.path.join(self.out, "R\u00e9sum\u00e9 2004.pdf"), "rb") as saved:
            self.assertEqual(saved.read(), parts[0].get_payload(decode=True))


if __name__ == "__main__":
    unittest.main()
