#include "import_app/SourceCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include <dbx/mailbox_readability.h>

#include "import_support/Paths.h"
#include "import_support/VbText.h"

namespace {

SourceCheck Refused(const QString& reason) {
    return SourceCheck{false, reason, QString()};
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

SourceCheck CheckSource(const QString& path) {
    const std::filesystem::path file = paths::ToFsListed(path);
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return Refused(
            errno == ENOENT || errno == ENOTDIR
                ? QStringLiteral("the file does not exist")
                : QStringLiteral("the file cannot be reached (%1)").arg(std::strerror(errno)));
    }
    if (S_ISDIR(info.st_mode))
        return Refused(QStringLiteral("it is a folder, not a mailbox file"));
    if (!S_ISREG(info.st_mode))
        return Refused(QStringLiteral("it is not an ordinary file"));
    // Opened without waiting, so that nothing but an ordinary file is ever waited for.
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Refused(QStringLiteral("the file cannot be read (%1)").arg(std::strerror(errno)));
    ::close(fd);
    if (info.st_size > std::numeric_limits<std::int32_t>::max()) {
        return Refused(
            QStringLiteral("it is 2 GiB or larger, more than the copy (and a mailbox "
                           "file) can hold"));
    }
    if (info.st_size == 0)
        return Refused(QStringLiteral("it is empty, not a mailbox file"));

    dbx::MailboxReadability mailbox = dbx::AssessMailbox(file);
    using Verdict = dbx::MailboxReadability::Verdict;
    switch (mailbox.verdict) {
        case Verdict::kSound:
            return SourceCheck{true, QString(), QString()};
        case Verdict::kDamagedButReadable:
            return SourceCheck{
                true, QString(),
                QStringLiteral("it is damaged (%1 finding(s), first: %2), but all its %3 "
                               "message(s) can be read")
                    .arg(mailbox.findings)
                    .arg(Text(mailbox.reason))
                    .arg(mailbox.messages)};
        case Verdict::kNotAMailbox:
            return Refused(QStringLiteral("it is not an Outlook Express mailbox file: ") +
                           Text(mailbox.reason));
        case Verdict::kUnreadable:
            break;
    }
    return Refused(QStringLiteral("its mail cannot be read (the file is damaged or cut short): ") +
                   Text(mailbox.reason));
}

QString FolderNameOfListedFile(const QString& path) {
    QString name = paths::FromFs(paths::ToFsListed(path).filename());
    return vb::Trim(name.remove(QStringLiteral(".dbx"), Qt::CaseInsensitive));
}
