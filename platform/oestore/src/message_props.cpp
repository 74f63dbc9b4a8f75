#include "message_props.h"

#include <array>
#include <cstring>

#include <dbx/schema.h>
#include <winpal/com.h>

namespace oestore {
namespace {

// State flags that have a record flag of their own. MSG_UNREAD is the absence of the read flag
// and is handled apart.
struct StateBit {
    DWORD state;
    uint32_t recordFlag;
};
constexpr uint32_t kRecordNewsFlag = 0x00000800;
constexpr std::array<StateBit, 5> kStateBits = {{
    {MSG_UNSENT, dbx::msgflag::kUnsent},
    {MSG_NEWSMSG, kRecordNewsFlag},
    {MSG_REPLIED, dbx::msgflag::kReplied},
    {MSG_FORWARDED, dbx::msgflag::kForwarded},
    {MSG_FLAGGED, dbx::msgflag::kFlagged},
}};

char* CopyString(const std::string& text) {
    auto* copy = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (copy)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

FILETIME ToFileTime(uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

DWORD TextLength(dbx::MessageFile& mailbox, const dbx::MessageInfo& message) {
    if (message.stream == 0)
        return 0;
    try {
        dbx::StreamReader reader = mailbox.OpenText(message);
        char buffer[16384];
        uint64_t length = 0;
        while (size_t got = reader.Read(buffer, sizeof buffer))
            length += got;
        return static_cast<DWORD>(length);
    } catch (const dbx::Error&) {
        // A damaged text chain: the list shows the size the record states; opening the
        // message reports the damage.
        return message.size;
    }
}

}  // namespace

DWORD StateFromRecordFlags(uint32_t flags) {
    DWORD state = (flags & dbx::msgflag::kRead) ? 0 : MSG_UNREAD;
    for (const StateBit& bit : kStateBits) {
        if (flags & bit.recordFlag)
            state |= bit.state;
    }
    return state;
}

FlagChange RecordFlagChange(DWORD state, DWORD mask) {
    FlagChange change;
    if (mask & MSG_UNREAD) {
        ((state & MSG_UNREAD) ? change.clear : change.set) |= dbx::msgflag::kRead;
    }
    for (const StateBit& bit : kStateBits) {
        if (mask & bit.state)
            ((state & bit.state) ? change.set : change.clear) |= bit.recordFlag;
    }
    return change;
}

MessageSummary Summarize(dbx::MessageFile& mailbox, const dbx::MessageInfo& message, bool fast) {
    MessageSummary summary;
    summary.id = message.id;
    summary.state = StateFromRecordFlags(message.flags);
    summary.size = fast ? message.size : TextLength(mailbox, message);
    if (message.priority == IMSG_PRI_HIGH || message.priority == IMSG_PRI_LOW) {
        summary.priority = static_cast<IMSGPRIORITY>(message.priority);
    }
    summary.received = message.received ? message.received : message.downloaded;
    summary.sent = message.sent;
    summary.subject = message.subject;
    summary.displayTo = message.display_to;
    summary.displayFrom = message.display_from;
    summary.normalSubject = message.normalized_subject;
    return summary;
}

HRESULT FillMessageProps(const MessageSummary& summary, MESSAGEPROPS* props) {
    const DWORD size = props->cbSize;
    *props = MESSAGEPROPS{};
    props->cbSize = size;
    props->dwMessageId = summary.id;
    props->dwState = summary.state;
    props->dwFlags = summary.state;
    props->cbMessage = summary.size;
    props->priority = summary.priority;
    props->ftReceived = ToFileTime(summary.received);
    props->ftSent = ToFileTime(summary.sent);
    props->pszSubject = CopyString(summary.subject);
    props->pszDisplayTo = CopyString(summary.displayTo);
    props->pszDisplayFrom = CopyString(summary.displayFrom);
    props->pszNormalSubject = CopyString(summary.normalSubject);
    if (!props->pszSubject || !props->pszDisplayTo || !props->pszDisplayFrom ||
        !props->pszNormalSubject) {
        FreeMessagePropsStrings(props);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void FreeMessagePropsStrings(MESSAGEPROPS* props) {
    for (LPSTR* text : {&props->pszSubject, &props->pszDisplayTo, &props->pszDisplayFrom,
                        &props->pszNormalSubject}) {
        CoTaskMemFree(*text);
        *text = nullptr;
    }
    if (props->pStmOffsetTable) {
        props->pStmOffsetTable->Release();
        props->pStmOffsetTable = nullptr;
    }
}

}  // namespace oestore
