#include "foundation/pageaccess.h"

#include "foundation/pagetext.h"
#include "platform/ansi.h"
#include "platform/inet.h"
#include "platform/numberederror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace basGeneral {

namespace {

constexpr int kBusyWaitMs = 10000;
constexpr int kBusyPollMs = 20;

bool isAsciiAlnum(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Runs events for a short slice without spinning the processor.
void runEventsFor(int ms)
{
    if (!QCoreApplication::instance())
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

void LetEventsRun()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return;
    // The clock is only read on every 32nd call: loops call this per record.
    static unsigned calls = 0;
    static QElapsedTimer sinceLast;
    if ((++calls & 31) != 0 || (sinceLast.isValid() && sinceLast.elapsed() < 15))
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLast.start();
}

QString GetURL(const QString &url, Inet &inet, qsizetype maxReplyBytes)
{
    try {
        // A request still running on this control (started further down the
        // call stack) gets 10 seconds to finish before it is given up.
        QElapsedTimer waited;
        waited.start();
        while (inet.StillExecuting() && waited.elapsed() < kBusyWaitMs)
            runEventsFor(kBusyPollMs);
        if (inet.StillExecuting()) {
            inet.Cancel();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        return inet.OpenURL(url, maxReplyBytes > 0 ? maxReplyBytes : Inet::PageReplyBytes);
    } catch (...) {
        return {};
    }
}

QString GetURL(const QString &url, Inet *inet, qsizetype maxReplyBytes)
{
    if (!inet)
        return {};
    return GetURL(url, *inet, maxReplyBytes);
}

QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker, bool clean)
{
    if (clean) {
        QString copy = text;
        copy.remove(QLatin1Char('\t'));
        copy.remove(QStringLiteral("\r\n"));
        copy.remove(QLatin1Char('\n'));
        return PageText::Between(copy, startMarker, endMarker).toString();
    }
    return PageText::Between(text, startMarker, endMarker).toString();
}

QString GetLinkHref(QString &linkText, QString &html, bool ignoreCase)
{
    QString probe;
    if (ignoreCase) {
        html = html.toLower();
        linkText = linkText.toLower();
        probe = QLatin1Char('>') + linkText + QStringLiteral("</a>");
    } else {
        probe = QLatin1Char('>') + linkText + QStringLiteral("</A>");
    }
    const qsizetype at = html.indexOf(probe, 0, Qt::CaseSensitive);
    if (at < 0)
        return {};
    html.truncate(at);

    const qsizetype href = html.lastIndexOf(QLatin1String("href="), -1, Qt::CaseSensitive);
    // Past "href=" and the opening quote; without any href, from the sixth
    // character on.
    html = html.mid(href < 0 ? 5 : href + 6);

    const qsizetype quote = html.indexOf(QLatin1Char('"'));
    if (quote < 0)
        return {};
    html.truncate(quote);

    QString target = html;
    target.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return target;
}

QString GetInputValue(const QString &html, const QString &fieldName)
{
    const QString q(QLatin1Char('"'));
    qsizetype at = html.indexOf(QStringLiteral("name=") + q + fieldName + q, 0, Qt::CaseSensitive);
    if (at < 0)
        at = html.indexOf(QStringLiteral("NAME=") + q + fieldName + q, 0, Qt::CaseSensitive);
    if (at < 0)
        at = html.indexOf(QStringLiteral("NAME=") + q + fieldName.toUpper() + q, 0, Qt::CaseSensitive);
    if (at < 0)
        return {};

    const qsizetype open = html.lastIndexOf(QLatin1Char('<'), at);
    const qsizetype close = html.indexOf(QLatin1Char('>'), at);
    if (open < 0 || close < 0)
        throw NumberedError(ErrorNumber::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"),
                      QStringLiteral("GetInputValue"));
    const QStringView tag = QStringView(html).mid(open, close - open + 1);
    return PageText::Between(tag, QStringLiteral("value=\""), q).toString();
}

int InStrClean(const QString &haystack, const QString &needle)
{
    QString copy = haystack;
    copy.remove(QStringLiteral("\r\n"));
    copy.remove(QLatin1Char('\t'));
    if (copy.isEmpty())
        return 0;
    const qsizetype at = PageText::Find(copy, needle);
    return at < 0 ? 0 : int(at + 1);
}

QString StripTags(const QString &html)
{
    if (!html.contains(QLatin1Char('<')))
        return html;

    QString out;
    out.reserve(html.size());
    const qsizetype n = html.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), pos);
        const qsizetype close = open < 0 ? -1 : html.indexOf(QLatin1Char('>'), open + 1);
        if (close < 0) {
            out.append(QStringView(html).mid(pos));
            break;
        }
        out.append(QStringView(html).mid(pos, open - pos));
        pos = close + 1;
    }
    out.replace(QLatin1String("&nbsp;"), QLatin1String(" "), Qt::CaseSensitive);
    out.replace(QLatin1String("&NBSP;"), QLatin1String(" "), Qt::CaseSensitive);
    return out;
}

QString TrimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return first == 0 && last == text.size() ? text : text.mid(first, last - first);
}

QString CleanWhitespace(const QString &text)
{
    QString out = PageText::RemoveChars(text, u'\r', u'\n', u'\t', u'\r');
    PageText::CollapseSpacePairs(out);
    return out;
}

QString GetItemNumberFromURL(QString &url)
{
    url = GetBetween(url, QString(), QStringLiteral("#"));

    // The forms item numbers come in, tried in order while no number has
    // turned up yet; a later form replaces the earlier candidate.
    struct Form { const char16_t *start; const char16_t *end; };
    static constexpr Form kForms[] = {
        {u"/itm/", u"?"},
        {u"&item=", u"&"},
        {u"itemZ", u"Q"},
        {u"-/", u"?"},
    };
    QString candidate = GetBetween(url, QStringLiteral("item="), QStringLiteral("&"));
    for (const Form &form : kForms) {
        if (ReadsAsNumber(candidate))
            break;
        candidate = GetBetween(url, QString::fromUtf16(form.start), QString::fromUtf16(form.end));
    }
    if (!ReadsAsNumber(candidate))
        candidate = GetBetween(GetBetween(url, QStringLiteral("/itm/"), QStringLiteral("?")),
                               QStringLiteral("/"), QString());
    if (candidate.isEmpty() || !ReadsAsNumber(candidate))
        return {};
    return candidate;
}

QString UrlEncode(const QString &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'*' || isAsciiAlnum(u)) {
            out.append(c);
            continue;
        }
        if (u == u' ') {
            out.append(QLatin1String("%20"));
            continue;
        }
        // A character outside the code page is sent as "?", as the code page
        // conversion always did; a surrogate pair is one such character.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        int b = Ansi::byteOf(c);
        if (b < 0)
            b = '?';
        out.append(QLatin1Char('%'));
        out.append(QLatin1Char(kHex[(b >> 4) & 0xF]));
        out.append(QLatin1Char(kHex[b & 0xF]));
    }
    return out;
}

bool ReadsAsNumber(QStringView text)
{
    qsizetype i = 0;
    qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    while (n > i && text[n - 1] == u' ')
        --n;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false;
    while (i < n && (isDigit(text[i].unicode()) || (digits && text[i] == u','))) {
        digits = digits || isDigit(text[i].unicode());
        ++i;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i].unicode())) {
            digits = true;
            ++i;
        }
    }
    if (!digits)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        bool expDigits = false;
        while (i < n && isDigit(text[i].unicode())) {
            expDigits = true;
            ++i;
        }
        if (!expDigits)
            return false;
    }
    return i == n;
}

} // namespace basGeneral
