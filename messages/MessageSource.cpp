// The members that read a message's stored source: the whole text and the two addresses taken
// out of it.
#include <algorithm>
#include <cstring>

#include "messages/HeaderExtraction.h"
#include "messages/Messages.h"

namespace {

// Each read fills at most this much of a buffer one byte longer, which holds the NUL that ends
// the piece's text.
constexpr ULONG kSourceReadSize = 4095;

}  // namespace

winpal::ComPtr<IStream> CMessages::OpenSource(MESSAGEID id) {
    winpal::ComPtr<IStream> stream;
    if (IStoreFolder* folder = CurrentFolder();
        !folder || FAILED(folder->OpenMessage(id, IID_IStream, stream.PutVoid()))) {
        stream.Reset();
    }
    return stream;
}

// A message that cannot be opened answers as a position without a message does.
winpal::ComPtr<IStream> CMessages::SourceAt(LONG position) {
    const MessageRecord* record = RecordAt(position);
    return record ? OpenSource(record->id) : winpal::ComPtr<IStream>();
}

std::optional<std::string> CMessages::ReadMessageSource(MESSAGEID id) {
    winpal::ComPtr<IStream> stream = OpenSource(id);
    if (!stream)
        return std::nullopt;
    std::string source;
    char buffer[kSourceReadSize + 1];
    for (;;) {
        ULONG read = 0;
        if (FAILED(stream->Read(buffer, kSourceReadSize, &read)))
            return std::nullopt;
        if (read == 0)
            return source;
        buffer[std::min(read, kSourceReadSize)] = '\0';
        source.append(buffer, std::strlen(buffer));
    }
}

std::string CMessages::GetMessage(LONG iIndex) {
    const MessageRecord* record = RecordAt(iIndex);
    if (!record)
        return {};
    return ReadMessageSource(record->id).value_or(std::string());
}

std::string CMessages::FindReturnEmail(LONG iIndex) {
    return ExtractReturnAddress(GetMessage(iIndex));
}

std::string CMessages::FindDeliveredToEmail(LONG iIndex) {
    return ExtractDeliveredTo(GetMessage(iIndex));
}
