#include "engine/winnerentry.h"

#include "foundation/htmlentities.h"

#include <QRegularExpression>

namespace WinnerEntry {

namespace {

const QLatin1String kLabel(">Winning bidder:<");

// Past the blanks and closing tags that end the label element.
qsizetype afterLabelElement(const QString &text, qsizetype pos)
{
    for (;;) {
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
        if (!QStringView(text).mid(pos).startsWith(QLatin1String("</")))
            return pos;
        const qsizetype close = text.indexOf(QLatin1Char('>'), pos);
        if (close < 0)
            return text.size();
        pos = close + 1;
    }
}

// The content of the element whose opening tag starts at `pos`, up to its
// own closing tag (elements of the same name nested inside it counted).
std::optional<QString> elementContent(const QString &text, qsizetype pos)
{
    static const QRegularExpression opening(QStringLiteral("<([A-Za-z][A-Za-z0-9]*)\\b[^>]*>"));
    const auto open = opening.match(text, pos, QRegularExpression::NormalMatch,
                                    QRegularExpression::AnchorAtOffsetMatchOption);
    if (!open.hasMatch())
        return std::nullopt;
    const QString name = QRegularExpression::escape(open.captured(1));
    const QRegularExpression sameName(QStringLiteral("<(/?)") + name + QStringLiteral("\\b[^>]*>"),
                                      QRegularExpression::CaseInsensitiveOption);
    int depth = 1;
    auto tags = sameName.globalMatch(text, open.capturedEnd());
    while (tags.hasNext()) {
        const auto tag = tags.next();
        depth += tag.captured(1).isEmpty() ? 1 : -1;
        if (depth == 0)
            return text.mid(open.capturedEnd(), tag.capturedStart() - open.capturedEnd());
    }
    return std::nullopt;
}

QString withoutTags(QString html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return html.remove(tag);
}

// The ID one entry, whose label ends just before `labelEnd`, shows.
QString entryValue(const QString &ownText, qsizetype labelEnd)
{
    const qsizetype valueStart = afterLabelElement(ownText, labelEnd);
    const std::optional<QString> value = elementContent(ownText, valueStart);
    if (!value)
        return QString();

    static const QRegularExpression link(QStringLiteral("<a\\b[^>]*>(.*?)</a\\s*>"),
                                         QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::DotMatchesEverythingOption);
    const auto firstLink = link.match(*value);
    const QString shown = firstLink.hasMatch() ? firstLink.captured(1) : *value;
    return basGeneral::DecodeEntities(withoutTags(shown)).trimmed();
}

} // namespace

std::optional<QString> Read(const QString &ownText)
{
    std::optional<QString> winner;
    for (qsizetype label = 0; (label = ownText.indexOf(kLabel, label)) >= 0; label += kLabel.size()) {
        const QString value = entryValue(ownText, label + kLabel.size() - 1);
        // Entries that disagree cannot tell which one is eBay's: none names
        // a winner then.
        if (!winner)
            winner = value;
        else if (winner->compare(value, Qt::CaseInsensitive) != 0)
            return std::nullopt;
    }
    return winner;
}

} // namespace WinnerEntry
