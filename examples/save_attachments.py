#!/usr/bin/env python3
"""Save every attachment of the messages of one folder into a directory.

    save_attachments.py FOLDER OUTPUT_DIR

Each message's attachments go into OUTPUT_DIR under their own names; names that would lead
outside the directory are reduced to their last part.
"""

import os
import sys

import quillbox


def main(arguments):
    if len(arguments) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder, output = arguments
    os.makedirs(output, exist_ok=True)
    with quillbox.Control() as control:
        names = [item.Name for item in control.Folders]
        if folder not in names:
            print("no folder named %r" % folder, file=sys.stderr)
            return 1
        control.Folder = names.index(folder)
        messages = control.Messages
        saved = 0
        for index in range(messages.Count):
            count = messages.GetAttachmentCount(index)
            if count == 0:
                continue
            for attachment in range(count):
                print("%s: %s" % (messages.FindSubject(index),
                                  messages.GetAttachmentName(index, attachment)))
            # The folder text is joined with each name as it is, so it ends with a separator.
            messages.ExtractAttachment(index, os.path.join(output, ""))
            saved += count
        print("%d attachments saved in %s" % (saved, output))
        return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
