#include "import_app/modMain.h"

#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include <dbx/error.h>

#include "import_app/CopyTempFiles.h"

#include "import_support/Desktop.h"
#include "import_support/Paths.h"
#include "import_support/RuntimeError.h"
#include "import_support/VbText.h"

namespace modMain {

namespace {

vb::RuntimeError ErrorOf(const dbx::Error& error, const std::filesystem::path& path) {
    if (error.os_error() == 0)
        return vb::RuntimeError(vb::kDeviceIoError);
    std::error_code ec;
    std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    return vb::ErrorFromErrno(error.os_error(), std::filesystem::is_directory(folder, ec));
}

// Opens `path` with `mode`, reporting a refusal as the run time's error for that path.
std::unique_ptr<dbx::File> OpenFile(dbx::FileSystem& files, const std::filesystem::path& path,
                                    dbx::OpenMode mode) {
    try {
        return files.Open(path, mode);
    } catch (const dbx::Error& error) {
        throw ErrorOf(error, path);
    }
}

// The temporary file a copy writes: removed again unless it was put in place.
class TempFile {
  public:
    TempFile(dbx::FileSystem& files, std::filesystem::path path)
        : files_(files), path_(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        file_.reset();
        if (!path_.empty()) {
            try {
                files_.Remove(path_);
            } catch (const dbx::Error&) {
                // A later run removes it (see CopyTempFiles.h).
            }
        }
    }
    dbx::File& Create() {
        file_ = OpenFile(files_, path_, dbx::OpenMode::kCreate);
        // Held while the copy runs: a later run does not take the file for a dead run's.
        file_->Lock();
        return *file_;
    }
    // Puts the complete file in place of `destination`, durably.
    void RenameOver(const std::filesystem::path& destination) {
        file_->Sync();
        files_.Rename(path_, destination);
        path_.clear();
        files_.SyncDirectory(destination.parent_path());
        file_.reset();
    }

  private:
    dbx::FileSystem& files_;
    std::filesystem::path path_;
    std::unique_ptr<dbx::File> file_;
};

// The copy's error box; the copy's result after an error.
std::int32_t ShowCopyError(const vb::RuntimeError& error, Desktop& desktop) {
    desktop.MsgBox(
        QStringLiteral("Error Occurred : %1:\r\n%2").arg(error.Number()).arg(error.Description()),
        vb::vbCritical + vb::vbOKOnly, QStringLiteral("CopyFileByChunk"));
    return -1;
}

}  // namespace

PiecePlan PlanPieces(std::int32_t total, std::int32_t requestedChunk) {
    std::int32_t chunk = requestedChunk > 0 ? requestedChunk : total / 100;
    if (chunk == 0)
        return PiecePlan{0, total};
    chunk = std::min(chunk, kMaxChunkSize);
    return PiecePlan{chunk, total % chunk};
}

QString ProgressCaption(std::int64_t copied, std::int64_t total) {
    double fraction = static_cast<double>(copied) / static_cast<double>(total);
    return QStringLiteral("Imported (%1 bytes out of %2 bytes: %3 Completed)")
        .arg(copied)
        .arg(total)
        .arg(vb::FormatPercent(fraction));
}

std::int32_t CopyFileByChunk(const QString& source, const QString& destination,
                             std::int32_t lngChunkSize, Desktop& desktop, dbx::FileSystem& files) {
    try {
        const std::filesystem::path sourcePath = paths::ToFsListed(source);
        const std::filesystem::path destinationPath = paths::ToFs(destination);
        std::unique_ptr<dbx::File> from = OpenFile(files, sourcePath, dbx::OpenMode::kRead);
        std::uint64_t length = from->Size();
        if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            throw vb::RuntimeError(vb::kOverflow);
        auto total = static_cast<std::int32_t>(length);

        // The copy goes into a temporary file beside the destination, which it replaces only
        // when complete: an interrupted copy leaves the destination as it was.
        TempFile temp(files, copytemp::TempPathFor(destinationPath));
        dbx::File& to = temp.Create();
        std::int64_t copied = 0;
        if (total != 0) {
            PiecePlan plan = PlanPieces(total, lngChunkSize);
            std::vector<char> buffer;
            auto copyPiece = [&](std::int32_t size) {
                buffer.resize(static_cast<std::size_t>(size));
                std::size_t got =
                    from->ReadAt(static_cast<std::uint64_t>(copied), buffer.data(), buffer.size());
                to.WriteAt(static_cast<std::uint64_t>(copied), buffer.data(), got);
                copied += static_cast<std::int64_t>(got);
                desktop.SetProgressCaption(ProgressCaption(copied, total));
                desktop.DoEvents();
                return got == buffer.size();
            };
            bool sourceLasted = plan.remainder == 0 || copyPiece(plan.remainder);
            while (sourceLasted && plan.chunk != 0 && copied < total) {
                sourceLasted = copyPiece(plan.chunk);
            }
        }
        if (copied != total) {
            // The source shrank while it was copied: the short copy is not put in place.
            return -static_cast<std::int32_t>(copied);
        }
        temp.RenameOver(destinationPath);
        return total;
    } catch (const dbx::Error& error) {
        return ShowCopyError(ErrorOf(error, {}), desktop);
    } catch (const vb::RuntimeError& error) {
        return ShowCopyError(error, desktop);
    }
}

}  // namespace modMain
