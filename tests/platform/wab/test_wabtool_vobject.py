"""wabtool's vCards checked with an independent reader and writer, Debian's python3-vobject:
what wabtool exports parses with vobject field by field, and what vobject writes imports with
wabtool, non-ASCII names included."""
import os
import subprocess
import tempfile
import unittest

import vobject

WABTOOL = os.environ["WABTOOL"]


class WabtoolWithVobject(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.env = dict(os.environ, WINPAL_PREFIX=self.dir.name)

    def tearDown(self):
        self.dir.cleanup()

    def wab(self, *args):
        return subprocess.run([WABTOOL, *args], env=self.env, capture_output=True, text=True)

    def test_exported_cards_parse_with_vobject(self):
        fields = {
            "--name": "Zoë Ångström, Jr.",
            "--email": "zoe@example.org",
            "--business-phone": "+46 8 123",
            "--home-phone": "+46 8 456",
            "--mobile": "+46 70 789",
            "--business-fax": "+46 8 999",
            "--pager": "+46 74 1",
            "--job-title": "Chief; Engineer",
            "--company": "Ångström AB",
            "--department": "R&D",
            "--personal-web-page": "http://zoe.example",
            "--business-web-page": "http://ab.example",
        }
        args = [item for pair in fields.items() for item in pair]
        self.assertEqual(self.wab("add", *args).returncode, 0)
        self.assertEqual(self.wab("add", "--name", "日本 太郎", "--email", "taro@example.jp").returncode, 0)
        path = os.path.join(self.dir.name, "out.vcf")
        self.assertEqual(self.wab("export", path).returncode, 0)
        with open(path, "rb") as exported:
            raw = exported.read()
        for line in raw.split(b"\r\n")[:-1]:
            self.assertLessEqual(len(line), 75)
            self.assertNotIn(b"\n", line)
        cards = {c.fn.value: c for c in vobject.readComponents(raw.decode("utf-8"))}
        self.assertEqual(set(cards), {"Zoë Ångström, Jr.", "日本 太郎"})
        zoe = cards["Zoë Ångström, Jr."]
        self.assertEqual(zoe.version.value, "3.0")
        self.assertEqual(zoe.email.value, "zoe@example.org")
        self.assertEqual(zoe.title.value, "Chief; Engineer")
        self.assertEqual(zoe.org.value, ["Ångström AB", "R&D"])
        phones = {tuple(sorted(t.upper() for t in tel.params["TYPE"])): tel.value
                  for tel in zoe.contents["tel"]}
        self.assertEqual(phones[("VOICE", "WORK")], "+46 8 123")
        self.assertEqual(phones[("HOME", "VOICE")], "+46 8 456")
        self.assertEqual(phones[("CELL", "VOICE")], "+46 70 789")
        self.assertEqual(phones[("FAX", "WORK")], "+46 8 999")
        self.assertEqual(phones[("PAGER",)], "+46 74 1")
        urls = {url.params["TYPE"][0]: url.value for url in zoe.contents["url"]}
        self.assertEqual(urls, {"HOME": "http://zoe.example", "WORK": "http://ab.example"})
        self.assertEqual(cards["日本 太郎"].email.value, "taro@example.jp")

    def test_cards_written_by_vobject_import(self):
        first = vobject.vCard()
        first.add("fn").value = "Ægir Þórsson; the \"Bold\""
        first.add("n").value = vobject.vcard.Name(family="Þórsson", given="Ægir")
        email = first.add("email")
        email.value = "aegir@example.is"
        email.type_param = "INTERNET"
        tel = first.add("tel")
        tel.value = "+354 1"
        tel.type_param = ["WORK", "VOICE"]
        fax = first.add("tel")
        fax.value = "+354 2"
        fax.type_param = ["HOME", "FAX"]
        title = "Skáld, " + " ".join(["long"] * 30)
        first.add("title").value = title
        first.add("org").value = ["Vík ehf", "Ljóð"]
        first.add("note").value = "line one\nline two, with; punctuation"
        second = vobject.vCard()
        second.add("fn").value = "Ødegaard"
        second.add("n").value = vobject.vcard.Name(family="Ødegaard")
        path = os.path.join(self.dir.name, "in.vcf")
        with open(path, "w", encoding="utf-8", newline="") as out:
            out.write(first.serialize() + second.serialize())
        run = self.wab("import", path)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(self.wab("list").stdout.splitlines(),
                         ["Ægir Þórsson; the \"Bold\"\taegir@example.is", "Ødegaard\t"])
        shown = self.wab("show", "Ægir Þórsson; the \"Bold\"").stdout.splitlines()
        self.assertIn("Business phone: +354 1", shown)
        self.assertIn("Home fax: +354 2", shown)
        self.assertIn("Job title: " + title, shown)
        self.assertIn("Company: Vík ehf", shown)
        self.assertIn("Department: Ljóð", shown)
        self.assertIn("Notes: line one", shown)
        self.assertIn("line two, with; punctuation", shown)


if __name__ == "__main__":
    unittest.main()
