// Finds the mail store folders of the current user's identities, and the mailbox files in a
// folder. Stateless: every call builds its result from the registry or the disk afresh.
#pragma once

#include <QString>
#include <QStringList>

class Desktop;

// A store-folder list: the n entries found at indices 0 to n - 1, then one extra empty entry at
// index n. Consumers walk the indices 0 to UBound - 1.
using StoreFolderList = QStringList;
inline qsizetype UBound(const StoreFolderList& list) {
    return list.size() - 1;
}

class DBXFiles {
  public:
    explicit DBXFiles(Desktop& desktop) : desktop_(desktop) {}

    // One store folder per identity that has one, in the registry's order of the identities,
    // with "%UserProfile%" replaced by the profile folder.
    StoreFolderList GetStoreFolder() const;

    // `strPath` (ending in a separator) followed by the name of each mailbox file in that folder,
    // the store's own index files excepted; `files` is left untouched when there is none.
    void GetDBXFilesInPath(const QString& strPath, StoreFolderList& files) const;

  private:
    static bool IsSystemMailbox(const QString& name);

    Desktop& desktop_;
};
