// libFuzzer target for the mail-header parser that fills a new message's record: header fields,
// address lists, dates, encoded words and the normalised subject, on arbitrary text. No record
// string may carry a line break or a NUL.
#include <cstdint>
#include <string_view>

#include "dbx/filetime.h"
#include "dbx/mail_headers.h"
#include "dbx/schema.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const dbx::Record record = dbx::MessageRecordFromText(text, {0, 1});
    const dbx::TableSchema& schema = dbx::SchemaFor(dbx::TableKind::kMessages);
    for (const dbx::Column& column : record.columns) {
        if (schema.column_type(column.id) != dbx::ColumnType::kString)
            continue;
        const std::string_view value(column.data.data(), column.data.size() - 1);
        if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            __builtin_trap();
    }
    dbx::ParseAddressList(text);
    dbx::DecodeEncodedWords(text, "WINDOWS-1252");
    dbx::DecodeEncodedWords(text, "UTF-8");
    dbx::ParseMailDate(text);
    dbx::NormalizeSubject(text);
    return 0;
}
