#!/usr/bin/env python3
"""Export mail from the Outlook Express store to mbox files that other mail programs import.

    export_mbox.py OUTPUT.mbox FOLDER     one folder, by name
    export_mbox.py --all OUTPUT_DIR       every folder, one FOLDER.mbox each

The mbox files use the "mboxrd" convention: every message starts with a "From " line, and a
line of the message that starts with "From " (after any number of ">") gets one more ">", so
that readers can undo the quoting exactly. Line ends are written as LF.
"""

import os
import re
import sys
import tempfile
import time

import quillbox

QUOTED = re.compile(rb"^(>*From )", re.MULTILINE)


def from_line(messages, index):
    """The envelope line: the return address (or MAILER-DAEMON) and the receive time."""
    sender = messages.FindReturnEmail(index) or "MAILER-DAEMON"
    stamp = messages.FindReceiveTime(index)
    try:
        moment = time.strptime(stamp, "%Y/%m/%d %H:%M:%S")
    except ValueError:
        moment = time.gmtime(0)
    return "From %s %s\n" % (sender.replace(" ", "_"), time.asctime(moment))


def export_folder(control, position, path):
    """Writes the messages of the folder at `position` to `path`; returns how many."""
    control.Folder = position
    messages = control.Messages
    with tempfile.TemporaryDirectory() as work, open(path, "wb") as mbox:
        eml = os.path.join(work, "message.eml")
        for index in range(messages.Count):
            if not messages.Save2eml(index, eml):
                print("could not read message %d of the folder" % index, file=sys.stderr)
                continue
            with open(eml, "rb") as source:
                text = source.read().replace(b"\r\n", b"\n")
            if not text.endswith(b"\n"):
                text += b"\n"
            mbox.write(from_line(messages, index).encode("ascii", "replace"))
            mbox.write(QUOTED.sub(rb">\1", text))
            mbox.write(b"\n")
        return messages.Count


def main(arguments):
    if len(arguments) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with quillbox.Control() as control:
        names = [folder.Name for folder in control.Folders]
        if arguments[0] == "--all":
            os.makedirs(arguments[1], exist_ok=True)
            for position, name in enumerate(names):
                path = os.path.join(arguments[1], name.replace("/", "_") + ".mbox")
                print("%s: %d messages" % (name, export_folder(control, position, path)))
            return 0
        output, folder = arguments
        if folder not in names:
            print("no folder named %r; the folders are: %s" % (folder, ", ".join(names)),
                  file=sys.stderr)
            return 1
        print("%s: %d messages" % (folder, export_folder(control, names.index(folder), output)))
        return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
