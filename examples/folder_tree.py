#!/usr/bin/env python3
"""Print the folders of the Outlook Express store with the number of messages in each.

    folder_tree.py

The folders come in the store's depth-first order: each folder is followed by the folders
below it, before its next sibling.
"""

import sys

import quillbox


def main():
    with quillbox.Control() as control:
        total = 0
        for position, folder in enumerate(control.Folders):
            control.Folder = position
            count = control.Messages.Count
            total += count
            print("%6d  %s" % (count, folder.Name))
        print("%6d  messages in all" % total)
    return 0


if __name__ == "__main__":
    sys.exit(main())
