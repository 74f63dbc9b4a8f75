#include "import_support/RuntimeError.h"

#include <cerrno>

namespace vb {

QString ErrorDescription(int number) {
    switch (number) {
        case kInvalidProcedureCall:
            return QStringLiteral("Invalid procedure call or argument");
        case kOverflow:
            return QStringLiteral("Overflow");
        case kSubscriptOutOfRange:
            return QStringLiteral("Subscript out of range");
        case kObjectNotSet:
            return QStringLiteral("Object variable or With block variable not set");
        case kFileNotFound:
            return QStringLiteral("File not found");
        case kBadFileMode:
            return QStringLiteral("Bad file mode");
        case kDeviceIoError:
            return QStringLiteral("Device I/O error");
        case kFileAlreadyExists:
            return QStringLiteral("File already exists");
        case kDiskFull:
            return QStringLiteral("Disk full");
        case kInputPastEndOfFile:
            return QStringLiteral("Input past end of file");
        case kTooManyFiles:
            return QStringLiteral("Too many files");
        case kPermissionDenied:
            return QStringLiteral("Permission denied");
        case kPathFileAccessError:
            return QStringLiteral("Path/File access error");
        case kPathNotFound:
            return QStringLiteral("Path not found");
        case kKeyAlreadyAssociated:
            return QStringLiteral(
                "This key is already associated with an element of this "
                "collection");
        default:
            return QStringLiteral("Application-defined or object-defined error");
    }
}

RuntimeError ErrorFromErrno(int err, bool pathExists) {
    switch (err) {
        case ENOENT:
            return RuntimeError(pathExists ? kFileNotFound : kPathNotFound);
        case ENOTDIR:
            return RuntimeError(kPathNotFound);
        case EACCES:
        case EPERM:
        case ETXTBSY:
            return RuntimeError(kPermissionDenied);
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return RuntimeError(kDiskFull);
        case EMFILE:
        case ENFILE:
            return RuntimeError(kTooManyFiles);
        case EIO:
            return RuntimeError(kDeviceIoError);
        case EEXIST:
            return RuntimeError(kFileAlreadyExists);
        default:
            return RuntimeError(kPathFileAccessError);
    }
}

}  // namespace vb
