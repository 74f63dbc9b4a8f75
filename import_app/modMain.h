// Copying a file to a new place in pieces, with a progress caption after every piece and a yield
// to the message loop in between, so that copying a mailbox of hundreds of megabytes keeps the
// window alive.
#pragma once

#include <QString>
#include <cstdint>

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

// Copies `source` over `destination` (created or emptied first). Returns the destination's final
// length when it equals the source's, its negative when they differ, 0 for an empty source and
// -1 after an error, which is shown in a message box. A source that is missing, unreadable or of
// 2 GiB or more is refused before the destination is touched.
std::int32_t CopyFileByChunk(const QString& source, const QString& destination,
                             std::int32_t lngChunkSize, Desktop& desktop);

}  // namespace modMain
