// Message properties as the interface gives them: the MSG_* state flags made from the flags a
// mailbox record holds (and back), and MESSAGEPROPS records whose strings the store allocates.
#pragma once

#include <cstdint>
#include <string>

#include <dbx/message_file.h>
#include <oestore/msoeapi.h>

namespace oestore {

// MSG_* state of a message from its record flags.
DWORD StateFromRecordFlags(uint32_t flags);

// Record flag bits to set and to clear for a change of MSG_* state: the state bits in `mask` are
// made equal to those in `state`. Only the state bits a record can hold are changed.
struct FlagChange {
    uint32_t set = 0;
    uint32_t clear = 0;
    uint32_t Apply(uint32_t flags) const { return (flags | set) & ~clear; }
};
FlagChange RecordFlagChange(DWORD state, DWORD mask);

// Everything MESSAGEPROPS shows of one message, kept apart from the file.
struct MessageSummary {
    MESSAGEID id = 0;
    DWORD state = 0;
    DWORD size = 0;
    IMSGPRIORITY priority = IMSG_PRI_NORMAL;
    uint64_t received = 0;
    uint64_t sent = 0;
    std::string subject;
    std::string displayTo;
    std::string displayFrom;
    std::string normalSubject;
};

// With `fast`, the size is the one the record states; otherwise the length of the stored text.
MessageSummary Summarize(dbx::MessageFile& mailbox, const dbx::MessageInfo& message, bool fast);

// Fills `props` (whose cbSize the caller checked); the strings are allocated with
// CoTaskMemAlloc and given back by FreeMessagePropsStrings. E_OUTOFMEMORY leaves none allocated.
HRESULT FillMessageProps(const MessageSummary& summary, MESSAGEPROPS* props);
void FreeMessagePropsStrings(MESSAGEPROPS* props);

}  // namespace oestore
