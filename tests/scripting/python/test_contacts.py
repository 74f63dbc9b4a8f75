"""The contacts collection end to end: the store, the control and the address-book library
registered in a fresh prefix, driven through the quillbox module."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import quillbox

BIN = os.environ["BIN"]

FIELDS = ["Name", "Email", "BusinessPhone", "BusinessFax", "BusinessWebPage", "HomePhone",
          "HomeFax", "Pager", "Mobile", "PersonalWebPage", "JobTitle", "Department", "Office",
          "CompanyName"]  # in NewContact's parameter order


def register(prefix, libraries):
    environment = dict(os.environ, WINPAL_PREFIX=prefix)
    for library in libraries:
        subprocess.run([os.path.join(BIN, "regsvr"), os.path.join(BIN, library)],
                       env=environment, check=True, stdout=subprocess.DEVNULL)


class ContactsTest(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="quillbox-contacts-")
        register(self.prefix, ["oestore.so", "libquillbox.so", "wab32.so"])
        self.control = quillbox.Control(prefix=self.prefix)
        self.contacts = self.control.Contacts

    def tearDown(self):
        self.control.close()
        shutil.rmtree(self.prefix, ignore_errors=True)

    def add(self, **fields):
        return self.contacts.NewContact(*[fields.get(name, "") for name in FIELDS])

    def test_new_contacts_are_listed_after_refresh_with_every_field(self):
        zoe = {name: "%s of Zo\u00eb" % name for name in FIELDS}
        zoe["Name"] = "Zo\u00eb \u00dcnal"
        zoe["CompanyName"] = "M\u00fcller & S\u00f6hne GmbH"
        self.assertIs(self.add(**zoe), True)
        self.assertIs(self.add(Name="Ben", BusinessFax="+49 30 1"), True)
        self.assertEqual(self.contacts.Count, 0)
        self.contacts.Refresh()
        self.assertEqual(self.contacts.Count, 2)

        listed = {contact.Name: contact for contact in self.contacts}
        self.assertEqual(sorted(listed), ["Ben", "Zo\u00eb \u00dcnal"])
        for name in FIELDS:
            self.assertEqual(getattr(listed["Zo\u00eb \u00dcnal"], name), zoe[name], name)
        position = [c.Name for c in self.contacts].index("Ben")
        self.assertEqual(self.contacts.FindBusinessFax(position), "+49 30 1")
        self.assertEqual(self.contacts.FindHomeFax(position), "")
        with self.assertRaises(quillbox.ComError) as raised:
            listed["Ben"].Email = "x"
        self.assertEqual(raised.exception.hresult, quillbox.CTL_E_SETNOTSUPPORTED)

    def test_names_outside_the_code_page_and_lookups(self):
        self.add(Name="\u03a9mega", Email="o@example.org")
        self.add(Name="Ann")
        self.contacts.Refresh()
        # The control works in the ANSI code page (Windows-1252 here).
        self.assertIsNotNone(self.contacts.Item("?mega"))
        self.assertEqual(self.contacts.Item("Ann").Name, "Ann")
        self.assertIsNone(self.contacts.Item("ann"))
        self.assertIsNone(self.contacts.Item(3))
        self.assertEqual(self.contacts.Item(1), next(iter(self.contacts)))
        self.assertEqual(self.contacts.FindName(5), "")

    def test_delete_then_refresh_and_a_second_control_sees_the_same_book(self):
        for name in ("Ann", "Ben", "Cid"):
            self.add(Name=name)
        self.contacts.Refresh()
        names = [c.Name for c in self.contacts]
        self.assertIs(self.contacts.DeleteContact(names.index("Ben")), True)
        self.assertEqual(self.contacts.FindName(names.index("Ben")), "Ben")
        self.contacts.Refresh()
        self.assertEqual(sorted(c.Name for c in self.contacts), ["Ann", "Cid"])
        with quillbox.Control(prefix=self.prefix) as second:
            self.assertEqual(sorted(c.Name for c in second.Contacts), ["Ann", "Cid"])
            second.Contacts.NewContact("Dee", *[""] * 13)
        self.contacts.Refresh()
        self.assertEqual(self.contacts.Count, 3)

    def test_the_library_is_found_by_its_default_name_without_a_registered_path(self):
        self.add(Name="Ann")
        self.control.close()
        subprocess.run([os.path.join(BIN, "regsvr"), "-u", os.path.join(BIN, "wab32.so")],
                       env=dict(os.environ, WINPAL_PREFIX=self.prefix), check=True,
                       stdout=subprocess.DEVNULL)
        folder = tempfile.mkdtemp(prefix="quillbox-wabdll-")
        try:
            os.symlink(os.path.join(BIN, "wab32.so"), os.path.join(folder, "WAB32.DLL"))
            script = ("import quillbox\n"
                      "with quillbox.Control(prefix=%r) as oe:\n"
                      "    print([c.Name for c in oe.Contacts])\n" % self.prefix)
            for search_path, expected in ((folder, "['Ann']"), ("/nonexistent", "[]")):
                done = subprocess.run(
                    [sys.executable, "-c", script], check=True, capture_output=True, text=True,
                    env=dict(os.environ, LD_LIBRARY_PATH=search_path))
                self.assertEqual(done.stdout.strip(), expected, search_path)
        finally:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
