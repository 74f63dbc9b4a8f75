// Whether a file can be taken as a mailbox, judged before anything is done with it: the file is
// opened and checked as `dbxtool check` does, and when the check finds damage, every message the
// index lists is read in full to see whether the damage reaches the mail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "dbx/file_system.h"

namespace dbx {

struct MailboxReadability {
    enum class Verdict {
        kSound,               // a mailbox with no finding
        kDamagedButReadable,  // findings, but every listed message reads in full
        kNotAMailbox,         // not a .dbx file, or a .dbx file of another kind
        kUnreadable,          // a mailbox whose messages cannot all be read (e.g. cut short)
    };
    Verdict verdict = Verdict::kSound;
    // Why the file is refused, or the first finding of a damaged but readable one.
    std::string reason;
    uint64_t messages = 0;  // messages listed by the index
    size_t findings = 0;    // what the consistency check found

    bool Importable() const {
        return verdict == Verdict::kSound || verdict == Verdict::kDamagedButReadable;
    }
};

// Never throws for the file's content; `fs` null means the system's files.
MailboxReadability AssessMailbox(const std::filesystem::path& path, FileSystem* fs = nullptr);

}  // namespace dbx
