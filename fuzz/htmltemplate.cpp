// The HTML list's template file "default.tmt" and the rows made from it.
#include "fuzz/fuzzinput.h"

#include "mainwindow/htmltemplate.h"
#include "platform/numberederror.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList parts = FuzzParts(data, size, 2);
    try {
        const HtmlList::Template page =
            HtmlList::Template::fromLines(parts[0].split(QLatin1Char('\n')));
        page.colours();
        page.rowHtml(7, parts[1]);
        page.noItemsHtml(parts[1]);
        HtmlList::AppPathForPage(parts[1]);

        // A row written complete into the fuzzed row section, with one write
        // of every kind and a value from the input.
        const HtmlList::RowPattern pattern(page.listItem);
        pattern.idCount();
        pattern.holdsEachIdOnce();
        QList<HtmlList::ElementWrite> writes;
        int kind = 0;
        for (const QLatin1String id : HtmlList::kRowIds)
            writes.append({id, HtmlList::ElementWrite::Kind(kind++ % 7), parts[1]});
        QList<bool> placed;
        pattern.html(3, parts[1], writes, placed);
    } catch (const NumberedError &) {
        // A section whose end marker never comes: the reader's own report.
    }
    return 0;
}
