// The list file in every layout; a record read is written and read back
// unchanged.
#include "fuzz/fuzzinput.h"

#include "engine/listfileformat.h"
#include "platform/numberederror.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const auto &info = ListFile::kLayouts[data[0] % std::size(ListFile::kLayouts)];
    ListFile::QuotedFieldReader reader(ListFile::DecodeFile(FuzzBytes(data + 1, size - 1)));
    try {
        while (!reader.AtEnd()) {
            const QStringList record = reader.ReadRecord(info.fieldCount);
            ListFile::RowFromRecord(info.layout, record, QStringLiteral("user"), int(data[0] % 24) - 8);
            if (info.layout != ListFile::Layout::Data6)
                continue;
            // Round trip: the fields as written by the program read back the same.
            QStringList safe;
            for (const QString &field : record)
                safe << ListFile::SaveSafe(field);
            QString text;
            ListFile::AppendRecord(text, safe);
            ListFile::QuotedFieldReader again(ListFile::DecodeFile(ListFile::EncodeFile(text)));
            if (again.ReadRecord(info.fieldCount) != safe)
                std::abort();
        }
    } catch (const NumberedError &) {
        // "Input past end of file": the reader's own report of a cut file.
    }
    return 0;
}
