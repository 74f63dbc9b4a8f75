// The members that move a message or its attachments out of the store into files: the .eml copy,
// the view file handed to the desktop, and the attachments.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <olectl/dispatch.h>
#include <winpal/kernel.h>
#include <winpal/shellapi.h>

#include "messages/ExportFiles.h"
#include "messages/Messages.h"

namespace {

constexpr ULONG kSaveReadSize = 14095;
constexpr ULONG kViewReadSize = 4095;
// The view file's number is drawn from 0 to 999; a drawn name that exists is drawn again, at
// most this often.
constexpr int kViewNumbers = 1000;
constexpr int kViewDraws = 1000;
constexpr DWORD kTempPathBuffer = 260;
// Where attachments go when no folder is named.
constexpr const char* kDefaultOutputFolder = "c:\\";

// An open file descriptor, closed with its owner.
class FileHandle {
  public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return fd_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

int OpenPath(const std::string& ansiPath, int flags, mode_t mode) {
    return ::open(winpal::PathFromAnsi(ansiPath).c_str(), flags | O_CLOEXEC, mode);
}

// The temporary folder as GetTempPathA reports it; nothing when it cannot be had.
std::optional<std::string> TempFolder() {
    char buffer[kTempPathBuffer];
    const DWORD length = GetTempPathA(kTempPathBuffer, buffer);
    if (length == 0 || length >= kTempPathBuffer)
        return std::nullopt;
    return std::string(buffer, length);
}

// A body's display name; empty text for no body or when it has none.
std::string DisplayNameOf(IMimeBody* body) {
    LPSTR name = nullptr;
    if (!body || FAILED(body->GetDisplayName(&name)) || !name)
        return {};
    std::string text = name;
    CoTaskMemFree(name);
    return text;
}

}  // namespace

CMessages::~CMessages() {
    if (!viewFile_.empty())
        ::unlink(winpal::PathFromAnsi(viewFile_).c_str());
}

bool CMessages::Save2eml(LONG iIndex, const std::string& strEMLFileName) {
    winpal::ComPtr<IStream> stream = SourceAt(iIndex);
    if (!stream)
        return false;
    FileHandle file(OpenPath(strEMLFileName, O_RDWR | O_CREAT | O_TRUNC, 0666));
    if (file.Get() < 0)
        return false;
    // What was written before a failed read stays in the file.
    return CopyStreamToFile(*stream.Get(), file.Get(), kSaveReadSize) == CopyResult::Done &&
           file.Close();
}

// The view file is made only as a new file (never through an existing file or link), so that
// nothing already in the temporary folder is overwritten, and it is remembered (to be deleted
// with the collection) only once it is ours. A file error other than a taken name is raised as
// an automation error.
bool CMessages::ViewMessage(LONG iIndex) {
    winpal::ComPtr<IStream> stream = SourceAt(iIndex);
    if (!stream)
        return false;
    std::string path;
    int fd = -1;
    for (int draw = 0; draw < kViewDraws && fd < 0; ++draw) {
        const std::optional<std::string> folder = TempFolder();
        if (!folder)
            return false;
        path = *folder + "\\" + std::to_string(std::rand() % kViewNumbers) + ".eml";
        fd = OpenPath(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            olectl::ThrowError(ControlErrorOf(errno));
    }
    if (fd < 0)
        return false;
    FileHandle file(fd);
    viewFile_ = path;
    switch (CopyStreamToFile(*stream.Get(), file.Get(), kViewReadSize)) {
        case CopyResult::ReadFailed:
            return false;
        case CopyResult::WriteFailed:
            olectl::ThrowError(ControlErrorOf(errno));
        case CopyResult::Done:
            break;
    }
    if (!file.Close())
        olectl::ThrowError(ControlErrorOf(errno));
    stream.Reset();
    ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

std::optional<AttachmentList> CMessages::ListAttachments(MESSAGEID id) {
    IStoreFolder* folder = CurrentFolder();
    winpal::ComPtr<IMimeMessage> message;
    if (!folder || FAILED(folder->OpenMessage(id, IID_IMimeMessage, message.PutVoid())) ||
        !message) {
        return std::nullopt;
    }
    ULONG count = 0;
    HBODY* handles = nullptr;
    if (FAILED(message->GetAttachments(&count, &handles)))
        return std::nullopt;
    return AttachmentList(std::move(message), handles, count);
}

// A message that cannot be opened answers as a position without a message does.
std::optional<AttachmentList> CMessages::AttachmentsAt(LONG position) {
    const MessageRecord* record = RecordAt(position);
    return record ? ListAttachments(record->id) : std::nullopt;
}

SHORT CMessages::GetAttachmentCount(LONG iIndex) {
    const std::optional<AttachmentList> attachments = AttachmentsAt(iIndex);
    SHORT bound = 0;
    for (ULONG position = 0; attachments && position < attachments->Count(); ++position) {
        if (attachments->Bind(static_cast<LONG>(position)))
            ++bound;
    }
    return bound;
}

std::string CMessages::GetAttachmentName(LONG iMsgIndex, LONG iAttachmentIndex) {
    const std::optional<AttachmentList> attachments = AttachmentsAt(iMsgIndex);
    if (!attachments)
        return {};
    return DisplayNameOf(attachments->Bind(iAttachmentIndex).Get());
}

// Every attachment that binds is saved under the output folder; a name that leads nowhere and
// a failed save are passed over.
bool CMessages::ExtractAttachment(LONG iIndex, const std::string& strOutputDir) {
    const std::string folder = strOutputDir.empty() ? kDefaultOutputFolder : strOutputDir;
    const std::optional<AttachmentList> attachments = AttachmentsAt(iIndex);
    if (!attachments)
        return false;
    for (ULONG position = 0; position < attachments->Count(); ++position) {
        const winpal::ComPtr<IMimeBody> body = attachments->Bind(static_cast<LONG>(position));
        if (!body)
            continue;
        const std::string path = AttachmentPath(folder, DisplayNameOf(body.Get()));
        if (!path.empty())
            body->SaveToFile(IET_BINARY, path.c_str());
    }
    return true;
}
