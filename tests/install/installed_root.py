"""Runs the programs and the Python module of an installed tree (a `cmake --install` prefix, or
a Debian package unpacked with dpkg-deb) the way a user does: from the tree alone, with nothing of
the build on any path, against fresh prefixes."""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.path.realpath(os.environ["SOURCE_DIR"])
BUILD = os.path.realpath(os.environ["BUILD_DIR"])
SAMPLE_MAIL = os.path.join(SOURCE, "scripts", "sample-mail", "Inbox")
PROGRAMS = os.environ["PROGRAMS"].split(",")
SERVERS = ("oestore.so", "libquillbox.so", "wab32.so", "libwinpal.so")
# Where each server's registration lives in the prefix's system.reg.
REGISTERED_KEYS = {
    "the mail store": "{E70C92A9-4BFD-11D1-8A95-00C04FB951F3}\\InprocServer32",
    "the Quillbox control": "{F0DF45CE-EE4E-434D-96B4-61C8616B5712}\\InprocServer32",
    "the address book": "WAB\\DLLPath",
}

# Lists the folders of the store through the installed module, and every file the process has
# mapped, so that a library taken from the build shows.
FOLDER_SCRIPT = """
import quillbox
with quillbox.Control() as oe:
    print("folders:", ";".join(f.Name for f in oe.Folders))
    with open("/proc/self/maps") as maps:
        print("mapped:", ";".join(sorted({l.split()[-1] for l in maps if "/" in l})))
"""


def registered_file(winpal_prefix, title):
    """The file system.reg names for the server `title`, or None."""
    path = os.path.join(winpal_prefix, "system.reg")
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8", errors="replace") as text:
        section = None
        for line in text:
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]")
            elif line.startswith("@=") and section and section.endswith(REGISTERED_KEYS[title]):
                return line[2:].strip('"').replace("\\\\", "\\")
    return None


class InstalledTree(unittest.TestCase):
    """Checks for an installed tree; `root` is its prefix (the folder holding bin/ and lib/)."""

    root = None

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="fd-installed-")
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)

    def environment(self, winpal_prefix, **extra):
        """Only the system's folders and the installed tree's; no build, source or Python path."""
        environment = {
            "PATH": os.path.join(self.root, "bin") + ":/usr/bin:/bin",
            "HOME": os.path.join(self.work, "home"),
            "WINPAL_PREFIX": winpal_prefix,
            "QT_QPA_PLATFORM": "offscreen",
            "XDG_RUNTIME_DIR": self.work,
            "LANG": "C.UTF-8",
        }
        environment.update(extra)
        return environment

    def run_installed(self, arguments, winpal_prefix, **extra):
        return subprocess.run(arguments, cwd=self.work, capture_output=True, text=True,
                              env=self.environment(winpal_prefix, **extra), timeout=300)

    def python_folder(self):
        folders = glob.glob(os.path.join(self.root, "lib", "python3*", "*-packages"))
        self.assertEqual(len(folders), 1, folders)
        return folders[0]

    def assert_nothing_of_the_build(self, text):
        self.assertNotIn(BUILD, text)
        self.assertNotIn(SOURCE + "/", text)

    def mailbox(self, name):
        """A mailbox file packed by the installed dbxtool from the sample messages."""
        path = os.path.join(self.work, name)
        if os.path.exists(path):
            return path  # imports only read it
        emls = sorted(glob.glob(os.path.join(SAMPLE_MAIL, "*.eml")))
        packed = self.run_installed([os.path.join(self.root, "bin", "dbxtool"), "pack", path] +
                                    emls, os.path.join(self.work, "unused-prefix"))
        self.assertEqual(packed.returncode, 0, packed.stderr)
        return path

    def check_layout(self):
        for program in PROGRAMS:
            self.assertTrue(os.access(os.path.join(self.root, "bin", program), os.X_OK), program)
            page = os.path.join(self.root, "share", "man", "man1", program + ".1.gz")
            self.assertTrue(os.path.isfile(page), page)
        for server in SERVERS:
            self.assertTrue(os.path.isfile(os.path.join(self.root, "lib", "ferrydeck", server)))
        for part in ("applications/ferrydeck.desktop",
                     "icons/hicolor/scalable/apps/ferrydeck.svg",
                     "metainfo/ferrydeck.metainfo.xml", "doc/ferrydeck/Help-Manual.html",
                     "doc/ferrydeck/copyright"):
            self.assertTrue(os.path.isfile(os.path.join(self.root, "share", part)), part)
        self.assertTrue(glob.glob(os.path.join(self.python_folder(), "quillbox.*.so")))

    def check_versions(self):
        for program in PROGRAMS:
            result = self.run_installed([program, "--version"], os.path.join(self.work, "v"))
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertRegex(result.stdout, r"^(%s|Ferrydeck) 1\.00\n$" % re.escape(program))

    def check_first_import(self):
        """The first import in a fresh prefix registers the installed servers, says so once,
        and takes nothing from the build."""
        prefix = os.path.join(self.work, "first")
        ferrydeck = os.path.join(self.root, "bin", "ferrydeck")
        first = self.run_installed([ferrydeck, "--import", self.mailbox("Inbox.dbx")], prefix,
                                   LD_DEBUG="libs")
        self.assertEqual(first.returncode, 0, first.stdout + first.stderr)
        self.assertIn("Imported 1 of 1 files.", first.stdout)
        servers = os.path.join(os.path.realpath(self.root), "lib", "ferrydeck")
        for title in REGISTERED_KEYS:
            self.assertIn("ferrydeck: registered %s (%s/" % (title, servers), first.stderr)
            self.assertEqual(os.path.dirname(registered_file(prefix, title)), servers, title)
        # The loader's trace (LD_DEBUG) names every library loaded: the installed ones, and
        # nothing of the build.
        self.assertIn("calling init: %s/libquillbox.so" % servers, first.stderr)
        self.assert_nothing_of_the_build(first.stdout + first.stderr)

        again = self.run_installed([ferrydeck, "--import", self.mailbox("Archive.dbx")], prefix)
        self.assertEqual(again.returncode, 0, again.stdout + again.stderr)
        self.assertNotIn("registered", again.stderr)

        script = self.run_installed(["python3", "-c", FOLDER_SCRIPT], prefix,
                                    PYTHONPATH=self.python_folder())
        self.assertEqual(script.returncode, 0, script.stderr)
        self.assertIn("Archive", script.stdout.split("folders:")[1].split("\n")[0])
        self.assertNotIn("registered", script.stderr)
        self.assert_nothing_of_the_build(script.stdout)

    def check_python_first(self):
        """The module's Control() registers the installed servers in a fresh prefix too."""
        prefix = os.path.join(self.work, "python-first")
        imported = self.run_installed(["python3", "-c", "import quillbox"], prefix,
                                      PYTHONPATH=self.python_folder())
        self.assertEqual(imported.returncode, 0, imported.stderr)
        script = self.run_installed(["python3", "-c", FOLDER_SCRIPT], prefix,
                                    PYTHONPATH=self.python_folder())
        self.assertEqual(script.returncode, 0, script.stderr)
        self.assertIn("Inbox", script.stdout.split("folders: ")[1].split("\n")[0].split(";"))
        for title in REGISTERED_KEYS:
            self.assertIn("quillbox: registered %s (" % title, script.stderr)
        self.assert_nothing_of_the_build(script.stdout + script.stderr)

    def check_other_registrations(self):
        """A server registered from another file that exists is left alone, with a note; one
        whose registered file is gone is registered from the installation."""
        prefix = os.path.join(self.work, "other")
        elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(elsewhere)
        shutil.copy(os.path.join(self.root, "lib", "ferrydeck", "oestore.so"), elsewhere)
        reg = os.path.join(self.work, "other.reg")
        with open(reg, "w", encoding="utf-8") as text:
            text.write('Windows Registry Editor Version 5.00\n\n'
                       '[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\'
                       + REGISTERED_KEYS["the mail store"] + ']\n@="%s/oestore.so"\n\n'
                       '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\WAB\\DLLPath]\n'
                       '@="/nowhere/wab32.so"\n' % elsewhere)
        imported = self.run_installed(["winreg", "import", reg], prefix)
        self.assertEqual(imported.returncode, 0, imported.stdout + imported.stderr)
        result = self.run_installed(["ferrydeck", "--import", self.mailbox("Inbox.dbx")], prefix)
        self.assertIn("ferrydeck: note: the mail store is registered from %s/oestore.so" %
                      elsewhere, result.stderr)
        self.assertEqual(registered_file(prefix, "the mail store"),
                         os.path.join(elsewhere, "oestore.so"))
        self.assertIn("in place of the missing /nowhere/wab32.so", result.stderr)
        self.assertNotEqual(registered_file(prefix, "the address book"), "/nowhere/wab32.so")
        self.assertIn("ferrydeck: registered the Quillbox control", result.stderr)
