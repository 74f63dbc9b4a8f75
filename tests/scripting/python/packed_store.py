"""A registered prefix whose store holds a mailbox packed with dbxtool from messages made with
Python's email package, imported with Ferrydeck's command line."""

import email.policy
import os
import shutil
import subprocess
import tempfile
from email.message import EmailMessage

BIN = os.environ["BIN"]
FOLDER = "Attachments 2004"


def message_with_attachments():
    """A mixed message as a mail client writes it: text, an inline picture with a file name,
    a binary file with an RFC 2231 name, a quoted-printable text file, and a hostile name."""
    message = EmailMessage()
    message["From"] = "Ann Example <ann@example.org>"
    message["To"] = "Bob <bob@example.org>"
    message["Subject"] = "Quarterly report"
    message["Return-Path"] = "<bounce@example.org>"
    message["Delivered-To"] = "bob@example.org"
    message["Received"] = "from mx.example.org by example.org"
    message.set_content("Here it is.\n")
    message.add_attachment(bytes(range(256)) * 40, maintype="application", subtype="pdf",
                           filename="R\u00e9sum\u00e9 2004.pdf")
    message.add_attachment("Line one\nLine \u00e9 two\n" * 20, subtype="plain",
                           filename="notes (draft).txt", cte="quoted-printable")
    message.add_attachment(b"\x89PNG\r\n\x1a\n" + bytes(3000), maintype="image", subtype="png",
                           filename="../escape.png", disposition="inline")
    return message


def plain_message(subject, body):
    message = EmailMessage()
    message["From"] = "Cid <cid@example.org>"
    message["To"] = "Dee <dee@example.org>"
    message["Subject"] = subject
    message.set_content(body)
    return message


def sample_emls():
    """The .eml bytes of the three sample messages, in mailbox order."""
    return [as_eml(message) for message in (
        message_with_attachments(),
        plain_message("Plain", "Caf\u00e9 at nine.\nFrom here on.\n>From there.\n"),
        plain_message("Plain", "The second one with this subject.\n"))]


def as_eml(message):
    return message.as_bytes(policy=email.policy.SMTP)


def make_store(prefix, emls, folder=FOLDER):
    """Registers the store and the control in `prefix` and imports a mailbox of `emls`."""
    environment = dict(os.environ, WINPAL_PREFIX=prefix)
    for library in ("oestore.so", "libquillbox.so"):
        subprocess.run([os.path.join(BIN, "regsvr"), os.path.join(BIN, library)],
                       env=environment, check=True, stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="quillbox-packed-")
    try:
        files = []
        for number, eml in enumerate(emls):
            files.append(os.path.join(work, "%d.eml" % number))
            with open(files[-1], "wb") as out:
                out.write(eml)
        mailbox = os.path.join(work, folder + ".dbx")
        subprocess.run([os.path.join(BIN, "dbxtool"), "pack", mailbox] + files, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run([os.path.join(BIN, "ferrydeck"), "--import", mailbox], env=environment,
                       check=True, stdout=subprocess.DEVNULL)
    finally:
        shutil.rmtree(work, ignore_errors=True)
