// The online service's replies, and the import reply's list of items.
#include "fuzz/fuzzinput.h"

#include "engine/onlineservice.h"
#include "foundation/pageaccess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace OnlineService;
    const QString text = FuzzText(data, size);
    ClassifySend(text);
    ClassifyReplace(text);
    ClassifyCancelOrRemove(text);
    ClassifyExport(text);
    ClassifyCreateAccount(text);
    ClassifyAccountQuery(text);
    const Reply imported = ClassifyImport(text);
    for (const QString &line : imported.lines)
        basGeneral::ReadsAsNumber(line);
    return 0;
}
