// Walks a folder and every folder below it, breadth first, and records what it finds in keyed
// collections: the folders visited, and for every file its full path, or its full path, bare
// name and the folder it lies in. The collection of folder paths is itself the walk's queue.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "import_support/KeyedCollection.h"

class pathLogger {
  public:
    using TextCollection = KeyedCollection<QString>;
    using NumberCollection = KeyedCollection<std::int32_t>;

    // Starts afresh: records full paths only and drops the four collections (they are made again,
    // empty, on first use). The counter is kept.
    void PathLogInit();

    // Walks from the folder `strPARENT` (with or without a trailing separator). Nothing happens
    // when there is no such folder. Errors of the file system, a key used twice (a second walk
    // without PathLogInit) and counters beyond 32 bits end the walk with the run-time error;
    // what was recorded until then stays.
    void LogPath(const QString& strPARENT);

    // One more than the number of files recorded by the last walk; 0 before any walk.
    std::int32_t Count() const { return counter_; }

    // Kept: the documented path logger has the mode as a property that can be read.
    bool fullFileNamesOnly() const { return fullFileNamesOnly_; }
    void setFullFileNamesOnly(bool value) { fullFileNamesOnly_ = value; }

    // The collections themselves, shared with the caller; made empty when they do not exist yet.
    std::shared_ptr<TextCollection> fileNames();
    std::shared_ptr<TextCollection> pathNames();
    std::shared_ptr<NumberCollection> pathPointers();
    std::shared_ptr<TextCollection> fullFileNames();

    // Drops the four collections; collections a caller still holds stay with the caller. The
    // counter and fullFileNamesOnly are kept.
    void Terminate();

  private:
    void DropCollections();
    void RecordFile(const QString& folder, const QString& name, std::int32_t folderPosition);

    std::int32_t counter_ = 0;
    bool fullFileNamesOnly_ = true;
    std::shared_ptr<TextCollection> fileNames_;
    std::shared_ptr<NumberCollection> pathPointers_;
    std::shared_ptr<TextCollection> pathNames_;
    std::shared_ptr<TextCollection> fullFileNames_;
};
