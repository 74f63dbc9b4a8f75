#include "import_support/pathLogger.h"

#include <cerrno>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <system_error>

#include "import_support/Paths.h"
#include "import_support/RuntimeError.h"

namespace fs = std::filesystem;

namespace {

QString Key(std::int32_t number) {
    return QStringLiteral("K%1").arg(number);
}

template <class Collection>
std::shared_ptr<Collection> MadeOnFirstUse(std::shared_ptr<Collection>& collection) {
    if (!collection)
        collection = std::make_shared<Collection>();
    return collection;
}

std::int32_t Increment(std::int32_t value) {
    if (value == std::numeric_limits<std::int32_t>::max())
        throw vb::RuntimeError(vb::kOverflow);
    return value + 1;
}

[[noreturn]] void ThrowListingError(const std::error_code& ec) {
    throw vb::ErrorFromErrno(ec.value(), true);
}

// The entries of `folder` in the order the file system gives them: folders (including links to
// folders) when `wantFolders`, everything else otherwise.
template <class Visit>
void ListEntries(const fs::path& folder, bool wantFolders, Visit visit) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        ThrowListingError(ec);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        bool isFolder = it->is_directory(typeError);
        if (isFolder == wantFolders)
            visit(*it);
    }
    if (ec)
        ThrowListingError(ec);
}

std::string RealPath(const fs::path& folder) {
    std::error_code ec;
    fs::path real = fs::canonical(folder, ec);
    return ec ? folder.string() : real.string();
}

}  // namespace

void pathLogger::PathLogInit() {
    fullFileNamesOnly_ = true;
    DropCollections();
}

std::shared_ptr<pathLogger::TextCollection> pathLogger::fileNames() {
    return MadeOnFirstUse(fileNames_);
}
std::shared_ptr<pathLogger::TextCollection> pathLogger::pathNames() {
    return MadeOnFirstUse(pathNames_);
}
std::shared_ptr<pathLogger::NumberCollection> pathLogger::pathPointers() {
    return MadeOnFirstUse(pathPointers_);
}
std::shared_ptr<pathLogger::TextCollection> pathLogger::fullFileNames() {
    return MadeOnFirstUse(fullFileNames_);
}

void pathLogger::Terminate() {
    // The walk's file-system listings and loop variables live only during LogPath.
    DropCollections();
}

void pathLogger::DropCollections() {
    fileNames_.reset();
    pathPointers_.reset();
    pathNames_.reset();
    fullFileNames_.reset();
}

void pathLogger::LogPath(const QString& strPARENT) {
    std::error_code ec;
    if (!fs::is_directory(paths::ToFs(strPARENT), ec))
        return;

    std::shared_ptr<TextCollection> folders = pathNames();
    std::int32_t queued = 1;    // j: folders in the queue
    std::int32_t position = 1;  // i: the folder being expanded
    counter_ = 1;
    std::set<std::string> visited;  // real paths of the folders queued, so links cannot loop

    QString start = strPARENT;
    if (!start.endsWith(u'\\') && !start.endsWith(u'/'))
        start += paths::kSeparator;
    folders->Add(start, QStringLiteral("K0"));
    visited.insert(RealPath(paths::ToFs(start)));

    do {
        const QString folder = folders->Item(position);
        fs::path folderPath = paths::ToFs(folder);
        ListEntries(folderPath, true, [&](const fs::directory_entry& entry) {
            // A link back to a folder already queued would make the walk endless.
            if (!visited.insert(RealPath(entry.path())).second)
                return;
            queued = Increment(queued);
            QString name = paths::FromFs(entry.path().filename());
            folders->Add(folder + name + paths::kSeparator, Key(queued));
        });
        ListEntries(folderPath, false, [&](const fs::directory_entry& entry) {
            RecordFile(folder, paths::FromFs(entry.path().filename()), position);
        });
        position = Increment(position);
    } while (queued >= position);
}

void pathLogger::RecordFile(const QString& folder, const QString& name,
                            std::int32_t folderPosition) {
    QString key = Key(counter_);
    if (fullFileNamesOnly_) {
        fullFileNames()->Add(folder + name, key);
    } else {
        fileNames()->Add(name, key);
        fullFileNames()->Add(folder + name, key);
        pathPointers()->Add(folderPosition, key);
    }
    counter_ = Increment(counter_);
}
