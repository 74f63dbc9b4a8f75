"""The quillbox module drives the registered control end to end over the real mail store."""

import os
import shutil
import subprocess
import tempfile
import unittest

import quillbox

DEFAULT_FOLDERS = ["Deleted Items", "Drafts", "Inbox", "Outbox", "Sent Items"]


def setUpModule():
    """Registers the control and the store once into a template prefix."""
    global template
    template = tempfile.mkdtemp(prefix="quillbox-template-")
    environment = dict(os.environ, WINPAL_PREFIX=template)
    for library in (os.environ["QUILLBOX_LIBRARY"], os.environ["OESTORE_LIBRARY"]):
        subprocess.run([os.environ["REGSVR"], library], env=environment, check=True,
                       stdout=subprocess.DEVNULL)


def tearDownModule():
    shutil.rmtree(template, ignore_errors=True)


class ControlTestCase(unittest.TestCase):
    """Each test gets a copy of the registered prefix and so a store of its own."""

    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="quillbox-")
        shutil.copytree(template, self.prefix, dirs_exist_ok=True)
        self.control = quillbox.Control(prefix=self.prefix)

    def tearDown(self):
        self.control.close()
        shutil.rmtree(self.prefix, ignore_errors=True)

    def names(self):
        return [folder.Name for folder in self.control.Folders]


class FoldersTest(ControlTestCase):
    def test_enumerates_the_folders_of_a_new_store(self):
        self.assertEqual(self.names(), DEFAULT_FOLDERS)
        self.assertEqual(self.control.Folders.Count, 5)

    def test_creates_a_folder_seen_after_refresh(self):
        folders = self.control.Folders
        self.assertIs(folders.CreateFolder("Work", 0), True)
        self.assertEqual(folders.Count, 5)
        folders.Refresh()
        self.assertEqual(folders.Count, 6)
        self.assertEqual(folders.Item("Work").Name, "Work")
        # The same name again under the same parent is refused.
        self.assertIs(folders.CreateFolder("Work", 0), False)

    def test_lists_a_tree_depth_first(self):
        folders = self.control.Folders
        folders.CreateFolder("A", 0)
        folders.CreateFolder("B", 0)
        folders.Refresh()
        a = folders.FindFolderID(self.names().index("A"))
        folders.CreateFolder("A1", a)
        folders.CreateFolder("A2", a)
        folders.Refresh()
        names = self.names()
        start = names.index("A")
        self.assertEqual(names[start:start + 4], ["A", "A1", "A2", "B"])

    def test_item_by_name_and_by_position(self):
        folders = self.control.Folders
        self.assertEqual(folders.Item(1).Name, DEFAULT_FOLDERS[0])
        self.assertEqual(folders.Item(5).Name, DEFAULT_FOLDERS[-1])
        self.assertIsNone(folders.Item(0))
        self.assertIsNone(folders.Item(6))
        self.assertIsNone(folders.Item("inbox"))
        folders.CreateFolder("2", 0)
        folders.Refresh()
        # "2" is listed first: the text "2" names it, the number 2 is the second folder.
        self.assertEqual(self.names()[:2], ["2", DEFAULT_FOLDERS[0]])
        self.assertEqual(folders.Item("2").Name, "2")
        self.assertEqual(folders.Item(2).Name, DEFAULT_FOLDERS[0])
        self.assertEqual(folders.Item(1), next(iter(folders)))

    def test_finders_count_from_zero(self):
        folders = self.control.Folders
        self.assertEqual(folders.FindFolderName(0), DEFAULT_FOLDERS[0])
        self.assertEqual(folders.FindFolderName(5), "")
        self.assertEqual(folders.FindFolderName(-1), "")
        self.assertEqual(folders.FindFolderID(5), 0)
        self.assertIsInstance(folders.FindFolderID(0), int)

    def test_renames_moves_deletes_and_compacts(self):
        folders = self.control.Folders
        folders.CreateFolder("Old", 0)
        folders.CreateFolder("Parent", 0)
        folders.Refresh()
        old = folders.FindFolderID(self.names().index("Old"))
        parent = folders.FindFolderID(self.names().index("Parent"))
        self.assertIs(folders.RenameFolder("B\u00fcro", old), True)
        self.assertIs(folders.MoveFolder(old, parent), True)
        self.assertIs(folders.CompactAll(0), True)
        folders.Refresh()
        names = self.names()
        self.assertEqual(names[names.index("Parent") + 1], "B\u00fcro")
        self.assertIs(folders.DeleteFolder(old), True)
        folders.Refresh()
        self.assertNotIn("B\u00fcro", self.names())

    def test_collections_are_the_same_object_each_time(self):
        self.assertEqual(self.control.Folders, self.control.Folders)
        self.assertNotEqual(self.control.Folders, self.control.Messages)
        self.assertEqual(len({self.control.Folders, self.control.Folders}), 1)


class MessagesTest(ControlTestCase):
    def setUp(self):
        super().setUp()
        folders = self.control.Folders
        folders.CreateFolder("Work", 0)
        folders.CreateFolder("Archive", 0)
        folders.Refresh()
        self.work = self.names().index("Work")
        self.archive = self.names().index("Archive")

    def test_created_message_is_listed_when_its_folder_is_selected(self):
        folders = self.control.Folders
        self.assertIs(folders.CreateMessage(self.work, "ann@example.org", "bob@example.org",
                                            "Plans", "Meet at nine."), True)
        self.control.Folder = self.work
        self.assertEqual(self.control.Folder, self.work)
        messages = self.control.Messages
        self.assertEqual(messages.Count, 1)
        subjects = [message.Subject for message in messages]
        self.assertEqual(subjects, ["Plans"])
        message = messages.Item(1)
        self.assertEqual(message.DisplayFrom, "ann@example.org")
        self.assertEqual(message.DisplayTo, "bob@example.org")
        self.assertGreater(message.Size, 0)
        self.assertRegex(message.ReceiveTime, r"^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d$")
        self.assertEqual(messages.Item("Plans"), message)
        self.assertGreater(messages.FindMessageID(0), 0)
        self.assertEqual(messages.FindMessageID(1), 0)

    def test_copy_and_move_between_folders(self):
        folders = self.control.Folders
        self.assertIs(folders.CopyMessage(1, folders.FindFolderID(self.archive)), False)
        folders.CreateMessage(self.work, "a", "b", "Note", "text")
        self.control.Folder = self.work
        message_id = self.control.Messages.FindMessageID(0)
        self.assertIs(folders.CopyMessage(message_id, folders.FindFolderID(self.archive)), True)
        self.assertIs(folders.MoveMessage(message_id, folders.FindFolderID(self.archive)), True)
        self.assertEqual(self.control.Messages.Count, 1)
        self.control.Messages.Refresh()
        self.assertEqual(self.control.Messages.Count, 0)
        self.control.Folder = self.archive
        self.assertEqual([m.Subject for m in self.control.Messages], ["Note", "Note"])


class ContactsTest(ControlTestCase):
    def test_contacts_collection_is_empty(self):
        contacts = self.control.Contacts
        self.assertEqual(contacts.Count, 0)
        self.assertIsNone(contacts.Item(1))
        self.assertEqual(list(contacts), [])


class ErrorsTest(ControlTestCase):
    def test_read_only_control_property(self):
        with self.assertRaises(quillbox.ComError) as raised:
            self.control.Folders = None
        self.assertEqual(raised.exception.hresult, quillbox.CTL_E_SETNOTSUPPORTED)
        self.assertEqual(raised.exception.invoke_result, quillbox.DISP_E_EXCEPTION)

    def test_read_only_collection_property(self):
        with self.assertRaises(quillbox.ComError) as raised:
            self.control.Folders.Count = 3
        self.assertEqual(raised.exception.hresult, quillbox.DISP_E_MEMBERNOTFOUND)

    def test_unknown_name(self):
        with self.assertRaises(quillbox.UnknownNameError) as raised:
            self.control.Folders.NoSuchMember
        self.assertEqual(raised.exception.hresult, quillbox.DISP_E_UNKNOWNNAME)
        self.assertFalse(hasattr(self.control, "NoSuchMember"))

    def test_names_ignore_letter_case(self):
        self.assertEqual(self.control.folders.count, 5)

    def test_argument_errors(self):
        folders = self.control.Folders
        with self.assertRaises(quillbox.ComError) as raised:
            folders.FindFolderName("first")
        self.assertEqual(raised.exception.hresult, quillbox.DISP_E_TYPEMISMATCH)
        self.assertEqual(raised.exception.arg_index, 0)
        with self.assertRaises(quillbox.ComError) as raised:
            folders.CreateFolder("x", "root")
        self.assertEqual(raised.exception.arg_index, 1)
        with self.assertRaises(quillbox.ComError) as raised:
            folders.CreateFolder("x")
        self.assertEqual(raised.exception.hresult, quillbox.DISP_E_BADPARAMCOUNT)
        with self.assertRaises(quillbox.ComError) as raised:
            self.control.Folder = 40000
        self.assertEqual(raised.exception.hresult, quillbox.DISP_E_OVERFLOW)
        with self.assertRaises(ValueError):
            folders.FindFolderName(2 ** 40)
        with self.assertRaises(TypeError):
            folders.FindFolderName([1])

    def test_out_of_range_numbers_and_broken_text_raise_value_error(self):
        folders = self.control.Folders
        for key in (2 ** 31, 2 ** 63, 2 ** 64, -(2 ** 70), "\ud800", "a\udfffb"):
            with self.subTest(key=key), self.assertRaises(ValueError) as raised:
                folders.Item(key)
            self.assertNotIsInstance(raised.exception, RuntimeError)
        with self.assertRaisesRegex(ValueError, "32 bits"):
            folders.FindFolderName(2 ** 63)
        with self.assertRaisesRegex(ValueError, "surrogate"):
            folders.CreateFolder("\ud800", 0)
        # The control is still there and answers.
        self.assertEqual(folders.Item(2 ** 31 - 1), None)
        self.assertEqual(folders.Count, 5)

    def test_values_convert_both_ways(self):
        folders = self.control.Folders
        self.assertEqual(folders.FindFolderName(1.2), DEFAULT_FOLDERS[1])
        self.assertEqual(folders.FindFolderName(True), "")  # True is -1
        self.assertEqual(folders.FindFolderName(None), DEFAULT_FOLDERS[0])
        # An object key has no default value to take as a position.
        self.assertIsNone(folders.Item(folders.Item(1)))

    def test_about_box_without_a_window_system(self):
        self.assertIsNone(self.control.AboutBox())


class LifetimeTest(unittest.TestCase):
    def test_objects_kept_after_close_answer_as_empty(self):
        prefix = tempfile.mkdtemp(prefix="quillbox-")
        shutil.copytree(template, prefix, dirs_exist_ok=True)
        try:
            with quillbox.Control(prefix=prefix) as control:
                folders = control.Folders
                first = folders.Item(1)
                walk = iter(folders)
                self.assertEqual(folders.Count, 5)
            self.assertEqual(folders.Count, 0)
            self.assertEqual(first.Name, DEFAULT_FOLDERS[0])
            self.assertEqual(next(walk).Name, DEFAULT_FOLDERS[0])
            with self.assertRaises(quillbox.ComError):
                control.Folders
        finally:
            shutil.rmtree(prefix, ignore_errors=True)

    def test_unregistered_class(self):
        with self.assertRaises(quillbox.ComError):
            quillbox.Control(progid="NO.SuchControl.1")

    def test_unregistered_prefix_names_the_prefix_and_how_to_register(self):
        prefix = tempfile.mkdtemp(prefix="quillbox-empty-")
        try:
            with self.assertRaises(quillbox.ComError) as raised:
                quillbox.Control(prefix=prefix)
            message = str(raised.exception)
            self.assertIn(prefix, message)
            self.assertIn("WINPAL_PREFIX", message)
            self.assertIn("regsvr", message)
            self.assertIn("libquillbox.so", message)
        finally:
            shutil.rmtree(prefix, ignore_errors=True)

    def test_the_docstring_tells_of_the_default_prefix(self):
        self.assertIn("WINPAL_PREFIX", quillbox.__doc__)
        self.assertIn("~/.local/share/winpal", quillbox.__doc__)


if __name__ == "__main__":
    unittest.main()
