// Copying a file to a new place in pieces, with a progress caption after every piece and a yield
// to the message loop in between, so that copying a mailbox of hundreds of megabytes keeps the
// window alive.
#pragma once

#include <QString>
#include <cstdint>

#include <dbx/file_system.h>

class Desktop;

namespace modMain {

constexpr std::int32_t kMaxChunkSize = 2097152;  // 2 MiB

// How a file of `total` bytes is cut: one remainder piece of `remainder` bytes first (when not
// 0), then pieces of `chunk` bytes (when not 0) up to the end.
struct PiecePlan {
    std::int32_t chunk;
    std::int32_t remainder;
};
// `requestedChunk` of 0 or less asks for about a hundred pieces.
PiecePlan PlanPieces(std::int32_t total, std::int32_t requestedChunk);

// The progress caption after `copied` of `total` bytes.
QString ProgressCaption(std::int64_t copied, std::int64_t total);

// Copies `source` over `destination`, piece by piece with a progress caption and a yield after
// each. The pieces go into a temporary file beside the destination, which is made durable and
// renamed over the destination after the last piece; an interrupted or failed copy leaves the
// destination as it was. Returns the source's length when the whole file was copied (0 for an
// empty source, which leaves an empty destination), the negative of the bytes copied when the
// source ended early (the destination is then not replaced), and -1 after an error, which is
// shown in the "CopyFileByChunk" message box. A source that is missing, unreadable or of 2 GiB or
// more is refused before anything is written. `files` is the file system to use.
std::int32_t CopyFileByChunk(const QString& source, const QString& destination,
                             std::int32_t lngChunkSize, Desktop& desktop,
                             dbx::FileSystem& files = dbx::SystemFileSystem());

}  // namespace modMain
