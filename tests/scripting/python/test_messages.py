"""The messages collection end to end: a mailbox packed with dbxtool and imported with Ferrydeck,
then read, exported and taken apart through the quillbox module, checked against Python's email
package."""

import email
import email.policy
import os
import shutil
import subprocess
import tempfile
import unittest

import quillbox
from packed_store import FOLDER, make_store, sample_emls


def setUpModule():
    """One store with the packed mailbox imported, copied for each test."""
    global template, emls
    template = tempfile.mkdtemp(prefix="quillbox-messages-")
    emls = sample_emls()
    make_store(template, emls)


def tearDownModule():
    shutil.rmtree(template, ignore_errors=True)


class ImportedMailboxTest(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="quillbox-")
        shutil.copytree(template, self.prefix, dirs_exist_ok=True)
        self.out = tempfile.mkdtemp(prefix="quillbox-out-")
        self.control = quillbox.Control(prefix=self.prefix)
        names = [folder.Name for folder in self.control.Folders]
        self.control.Folder = names.index(FOLDER)
        self.messages = self.control.Messages

    def tearDown(self):
        self.control.close()
        shutil.rmtree(self.prefix, ignore_errors=True)
        shutil.rmtree(self.out, ignore_errors=True)

    def test_lists_the_messages_and_their_properties(self):
        messages = self.messages
        self.assertEqual(messages.Count, 3)
        self.assertEqual([m.Subject for m in messages], ["Quarterly report", "Plain", "Plain"])
        self.assertEqual(messages.FindIndexFromSubject("Plain"), 1)
        self.assertEqual(messages.FindIndexFromSubject("plain"), 0)
        self.assertEqual(messages.Item("Plain"), messages.Item(2))
        self.assertEqual(messages.FindDisplayFrom(0), "Ann Example")
        self.assertRegex(messages.FindSentDay(0), r"^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d$")
        with self.assertRaises(quillbox.ComError) as raised:
            messages.Item(1).Subject = "changed"
        self.assertEqual(raised.exception.hresult, quillbox.CTL_E_SETNOTSUPPORTED)

    def test_source_and_eml_files_are_the_stored_bytes(self):
        for index, eml in enumerate(emls):
            path = os.path.join(self.out, "%d.eml" % index)
            self.assertIs(self.messages.Save2eml(index, path), True)
            with open(path, "rb") as saved:
                self.assertEqual(saved.read(), eml)
            self.assertEqual(self.messages.FindSize(index), len(eml))
            self.assertEqual(self.messages.Item(index + 1).Size, len(eml))
            self.assertEqual(self.messages.GetMessage(index), eml.decode("cp1252"))
        self.assertEqual(self.messages.FindReturnEmail(0), "bounce@example.org")
        self.assertEqual(self.messages.FindDeliveredToEmail(0), "bob@example.org\r\n")

    def test_attachments_agree_with_the_email_package(self):
        parsed = email.message_from_bytes(emls[0], policy=email.policy.default)
        expected = [part for part in parsed.walk()
                    if not part.is_multipart() and part.get_filename()]
        self.assertEqual(self.messages.GetAttachmentCount(0), len(expected))
        names = [self.messages.GetAttachmentName(0, i) for i in range(len(expected))]
        self.assertEqual(names, [part.get_filename() for part in expected])
        self.assertEqual(self.messages.GetAttachmentCount(1), 0)

        self.assertIs(self.messages.ExtractAttachment(0, self.out + "/"), True)
        saved = {
            "R\u00e9sum\u00e9 2004.pdf": expected[0],
            "notes ": expected[1],           # cut before the "("
            "escape.png": expected[2],       # the hostile "../" is dropped
        }
        self.assertEqual(sorted(os.listdir(self.out)), sorted(saved))
        for name, part in saved.items():
            with open(os.path.join(self.out, name), "rb") as extracted:
                self.assertEqual(extracted.read(), part.get_payload(decode=True), name)
        self.assertFalse(os.path.exists(os.path.join(os.path.dirname(self.out), "escape.png")))

    def test_probe_mark_and_delete(self):
        messages = self.messages
        # Imported mail is unread; the probe leaves it so.
        self.assertIs(messages.IsMessagesMarkAsRead(0), False)
        self.assertIs(messages.IsMessagesMarkAsRead(0), False)
        self.assertIs(messages.MarkMessagesAsRead(0, True), True)
        self.assertIs(messages.IsMessagesMarkAsRead(0), True)
        self.assertIs(messages.MarkMessagesAsRead(0, True), True)
        self.assertIs(messages.MarkMessagesAsRead(0, False), True)
        self.assertIs(messages.IsMessagesMarkAsRead(0), False)

        self.assertIs(messages.DeleteMessage(1), True)
        self.assertEqual(messages.Count, 3)
        self.assertIs(messages.DeleteMessage(1), False)  # already gone from the store
        messages.Refresh()
        self.assertEqual(messages.Count, 2)
        self.assertEqual([m.Subject for m in messages], ["Quarterly report", "Plain"])

    def test_view_message_hands_a_temporary_file_to_the_desktop(self):
        record = os.path.join(self.out, "opened.txt")
        opener = os.path.join(self.out, "opener.sh")
        with open(opener, "w") as script:
            script.write("#!/bin/sh\ncp \"$1\" '%s'\n" % record)
        os.chmod(opener, 0o700)
        os.environ["WINPAL_SHELL_OPEN"] = opener
        os.environ["TMP"] = self.out
        try:
            self.assertIs(self.messages.ViewMessage(1), True)
            for _ in range(500):
                if os.path.exists(record) and os.path.getsize(record) == len(emls[1]):
                    break
                subprocess.run(["sleep", "0.01"])
            with open(record, "rb") as viewed:
                self.assertEqual(viewed.read(), emls[1])
        finally:
            del os.environ["WINPAL_SHELL_OPEN"]
            del os.environ["TMP"]


if __name__ == "__main__":
    unittest.main()
