// Files that message export writes: the copy of a message's source into a file, the names of
// attachment files, and the control errors that file failures become.
#pragma once

#include <string>
#include <string_view>

#include <winpal/winpal.h>

enum class CopyResult { Done, ReadFailed, WriteFailed };

// Copies the stream from its current position into the open file `fd`, in reads of at most
// `chunk` bytes, each written out in full before the next read.
CopyResult CopyStreamToFile(IStream& stream, int fd, ULONG chunk);

// The control error (CTL_E_*) that a failed file operation with this errno raises.
HRESULT ControlErrorOf(int error);

// The path an attachment is saved to: the output folder followed directly by the display name
// (no separator is added), cut just before the first "(" of the joined text. The name is first
// reduced to its last plain component, so that no name can lead outside the folder: "/", "\",
// a drive prefix and the components "." and ".." are dropped. Empty when nothing is left of it.
std::string AttachmentPath(std::string_view outputFolder, std::string_view displayName);
