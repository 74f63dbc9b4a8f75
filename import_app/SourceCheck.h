// A listed mailbox file, looked at before its folder is made: whether it can be copied at all and
// whether it is a mailbox whose mail can be read, with the reason when not.
#pragma once

#include <QString>

struct SourceCheck {
    bool importable = false;
    // Why the file is refused; empty when it is importable.
    QString reason;
    // For a damaged mailbox whose messages all read: what is wrong with it.
    QString warning;
};

// `path` is the listed path, trimmed.
SourceCheck CheckSource(const QString& path);

// The folder name a listed file gives: its file name (everything after the last "/"; a "\" is
// part of a Linux file name) without ".dbx" in any letter case, trimmed.
QString FolderNameOfListedFile(const QString& path);
