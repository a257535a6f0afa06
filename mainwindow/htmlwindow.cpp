#include "mainwindow/htmlwindow.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace HtmlList {

RowWindow WindowAround(int shownRows, int firstInView, int rowsInView, int margin)
{
    if (shownRows <= 0)
        return {};
    firstInView = std::clamp(firstInView, 0, shownRows - 1);
    const int first = std::max(0, firstInView - margin);
    const int end = int(std::min<qint64>(shownRows, qint64(firstInView) + std::max(rowsInView, 1) + margin));
    return {first, end - first};
}

bool WindowServes(const RowWindow &written, int shownRows, int firstInView, int rowsInView, int margin)
{
    const RowWindow wanted = WindowAround(shownRows, firstInView, rowsInView, margin / 2);
    return written.first <= wanted.first && written.end() >= wanted.end();
}

int FirstRowInView(const PageGeometry &page, const RowWindow &written, int shownRows, double rowHeight)
{
    if (shownRows <= 0)
        return 0;
    rowHeight = std::max(rowHeight, 1.0);
    const double top = page.scrollTop;
    double row = 0;
    if (!page.hasBlocks()) {
        row = top / rowHeight;
    } else if (top < page.listTop) {
        row = 0;
    } else if (top < page.rowsTop || written.count == 0) {
        row = (top - page.listTop) / rowHeight;
    } else if (top < page.rowsBottom) {
        const double shownHeight = std::max((page.rowsBottom - page.rowsTop) / written.count, 1.0);
        row = written.first + (top - page.rowsTop) / shownHeight;
    } else {
        row = written.end() + (top - page.rowsBottom) / rowHeight;
    }
    return int(std::clamp(std::floor(row), 0.0, double(shownRows - 1)));
}

int RowsInView(double viewHeight, double rowHeight)
{
    return int(std::ceil(std::max(viewHeight, 0.0) / std::max(rowHeight, 1.0))) + 1;
}

QString BlockStyle(double height)
{
    return QStringLiteral("height: %1px; padding: 0; margin: 0; border: 0").arg(std::max(0.0, std::round(height)));
}

QString SpacerHtml(const QString &rowSection, const QString &id, double height)
{
    static const QRegularExpression firstTag(QStringLiteral("^\\s*<([A-Za-z]+)"));
    const bool tableRow = firstTag.match(rowSection).captured(1).compare(QLatin1String("tr"), Qt::CaseInsensitive) == 0;
    const QString style = BlockStyle(height);
    if (tableRow)
        return QStringLiteral("<tr id=\"%1\" style=\"%2\"><td style=\"padding: 0; border: 0\"></td></tr>").arg(id, style);
    return QStringLiteral("<div id=\"%1\" style=\"%2\"></div>").arg(id, style);
}

} // namespace HtmlList
