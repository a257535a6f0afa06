#include "engine/bidpagetext.h"

#include "foundation/htmlentities.h"

#include <QRegularExpression>
#include <QStringMatcher>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// An element's opening or closing tag at a "<".
struct TagAt
{
    QStringView name;
    bool closing = false;
    bool messageBox = false;
    qsizetype end = 0; // just after its ">", or the page's end
};

// The tag at `at` ("<" then a letter, or "</" then a letter); its quoted
// attribute values may hold ">".
std::optional<TagAt> readTag(QStringView t, qsizetype at)
{
    TagAt tag;
    qsizetype i = at + 1;
    if (i < t.size() && t[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameBegin = i;
    while (i < t.size() && (t[i].isLetterOrNumber()))
        ++i;
    if (i == nameBegin || !t[nameBegin].isLetter())
        return std::nullopt;
    tag.name = t.sliced(nameBegin, i - nameBegin);
    const qsizetype attributes = i;
    QChar quote;
    for (; i < t.size(); ++i) {
        if (!quote.isNull()) {
            if (t[i] == quote)
                quote = QChar();
        } else if (t[i] == u'"' || t[i] == u'\'') {
            quote = t[i];
        } else if (t[i] == u'>') {
            break;
        }
    }
    tag.end = std::min(i + 1, t.size());
    static const QRegularExpression classes(QStringLiteral(R"re((?:^|\s)class\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QStringView attributeText = t.sliced(attributes, tag.end - attributes);
    if (tag.closing || !attributeText.contains(u"class", Qt::CaseInsensitive))
        return tag;
    const QRegularExpressionMatch m = classes.match(attributeText.toString());
    if (m.hasMatch()) {
        const QString words = m.captured(1) + m.captured(2) + m.captured(3);
        for (const QStringView word : QStringView(words).tokenize(u' ', Qt::SkipEmptyParts))
            tag.messageBox = tag.messageBox || word.compare(u"statusmsg", Qt::CaseInsensitive) == 0
                || word.compare(u"msg", Qt::CaseInsensitive) == 0;
    }
    return tag;
}

// Where the element `name` whose content begins at `from` closes (nested
// ones of the same name counted); the page's end when it never does.
qsizetype closingOf(QStringView t, qsizetype from, QStringView name)
{
    int depth = 1;
    for (qsizetype at = from; (at = t.indexOf(u'<', at)) >= 0; ++at) {
        const std::optional<TagAt> tag = readTag(t, at);
        if (!tag || tag->name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        depth += tag->closing ? -1 : 1;
        if (depth == 0)
            return at;
    }
    return t.size();
}

// A stretch of markup as its reader sees the words: comments and tags
// aside, character references decoded, every run of blanks one space.
QString Words(QStringView markup)
{
    QString text;
    for (qsizetype i = 0; i < markup.size();) {
        if (markup.sliced(i).startsWith(u"<!--")) {
            const qsizetype end = markup.indexOf(u"-->", i + 4);
            i = end < 0 ? markup.size() : end + 3;
            text += u' ';
        } else if (markup[i] == u'<' && readTag(markup, i)) {
            i = readTag(markup, i)->end;
            text += u' ';
        } else {
            text += markup[i++];
        }
    }
    // A UTF-8 no-break space read byte by byte leaves an "Â" before it.
    text = basGeneral::DecodeEntities(text).replace(QStringLiteral(u"\u00C2\u00A0"), QStringLiteral(u" "));
    return text.simplified().replace(QChar(0x00A0), u' ').simplified();
}

// A text as a title is compared in it: character references decoded,
// blanks (no-break spaces too) as single spaces, letter case folded; beside
// each character, where it begins in the page.
struct ComparedText
{
    QString text;
    QList<qsizetype> pageAt;
};

ComparedText Compared(QStringView t, qsizetype begin, qsizetype end, bool decode = true)
{
    ComparedText out;
    out.text.reserve(end - begin);
    out.pageAt.reserve(end - begin);
    bool blank = false;
    const auto append = [&out, &blank](QChar c, qsizetype at) {
        if (c.isSpace() || c == QChar(0x00A0)) {
            blank = true;
            return;
        }
        if (blank && !out.text.isEmpty()) {
            out.text += u' ';
            out.pageAt.append(at);
        }
        blank = false;
        out.text += c.toCaseFolded();
        out.pageAt.append(at);
    };
    for (qsizetype i = begin; i < end;) {
        if (decode && t[i] == u'&') {
            const qsizetype semicolon = t.sliced(i, std::min<qsizetype>(12, end - i)).indexOf(u';');
            if (semicolon > 1) {
                const QString reference = t.sliced(i, semicolon + 1).toString();
                const QString decoded = basGeneral::DecodeEntities(reference);
                if (decoded != reference) {
                    for (const QChar c : decoded)
                        append(c, i);
                    i += semicolon + 1;
                    continue;
                }
            }
        }
        append(t[i], i);
        ++i;
    }
    return out;
}

// A title's text as compared, its references decoded or kept as written.
QString ComparedForm(const QString &text, bool decode)
{
    return Compared(text, 0, text.size(), decode).text;
}

// Whether `text` begins with an item number in brackets, as a bid page
// names the item after its title: "(123)", "(Item number: 123)".
bool StartsWithItemNumber(QStringView text)
{
    text = text.trimmed();
    if (!text.startsWith(u'('))
        return false;
    text = text.sliced(1).trimmed();
    if (text.startsWith(u"item number:", Qt::CaseInsensitive))
        text = text.sliced(12).trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return digits > 0 && text.sliced(digits).trimmed().startsWith(u')');
}

// The longest run of the letters a to z in a compared text.
QString LongestPlainWord(QStringView text)
{
    QStringView word;
    qsizetype run = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] >= u'a' && text[i] <= u'z') {
            ++run;
            continue;
        }
        if (run > word.size())
            word = text.sliced(i - run, run);
        run = 0;
    }
    return word.toString();
}

} // namespace

QStringList BidPageMessages(const QString &page)
{
    const QStringView t(page);
    QStringList messages;
    for (qsizetype at = 0; (at = t.indexOf(u'<', at)) >= 0;) {
        if (t.sliced(at).startsWith(u"<!--")) {
            const qsizetype end = t.indexOf(u"-->", at + 4);
            if (end < 0)
                break;
            at = end + 3;
            continue;
        }
        const std::optional<TagAt> tag = readTag(t, at);
        if (!tag) {
            ++at;
            continue;
        }
        at = tag->end;
        // A window title, a script or a style sheet is never a message,
        // whatever it holds.
        const auto named = [&tag](QStringView name) { return tag->name.compare(name, Qt::CaseInsensitive) == 0; };
        if (!tag->closing && (named(u"title") || named(u"script") || named(u"style"))) {
            at = closingOf(t, at, tag->name);
            continue;
        }
        if (!tag->messageBox)
            continue;
        const qsizetype close = closingOf(t, at, tag->name);
        messages << Words(t.sliced(at, close - at));
        at = close;
    }
    return messages;
}

QString WithoutTitleBeforeNumber(const QString &page, const QString &title)
{
    QStringList forms;
    for (const QString &form : {ComparedForm(title, false), ComparedForm(title, true)})
        if (!form.isEmpty() && !forms.contains(form))
            forms << form;
    if (forms.isEmpty())
        return page;
    // A text can hold the title only where it holds the longest plain word
    // of the title as read, which no page writes as references.
    const QStringMatcher wordMatcher(LongestPlainWord(forms.last()), Qt::CaseInsensitive);
    const QStringView t(page);
    QList<std::pair<qsizetype, qsizetype>> cuts;
    const auto cutIn = [&](qsizetype begin, qsizetype end) {
        const QStringView run = t.sliced(begin, std::max<qsizetype>(0, end - begin));
        if (!run.contains(u'(') || wordMatcher.indexIn(run) < 0)
            return;
        const ComparedText text = Compared(t, begin, end);
        for (const QString &form : std::as_const(forms)) {
            for (qsizetype at = 0; (at = text.text.indexOf(form, at)) >= 0; ++at) {
                const qsizetype after = at + form.size();
                if (after >= text.text.size() || !StartsWithItemNumber(QStringView(text.text).sliced(after)))
                    continue;
                cuts.append({text.pageAt.at(at), text.pageAt.at(after)});
                at = after - 1;
            }
        }
    };
    qsizetype runBegin = 0;
    for (qsizetype at = 0; (at = t.indexOf(u'<', at)) >= 0;) {
        if (t.sliced(at).startsWith(u"<!--")) {
            cutIn(runBegin, at);
            const qsizetype end = t.indexOf(u"-->", at + 4);
            runBegin = at = end < 0 ? t.size() : end + 3;
            continue;
        }
        const std::optional<TagAt> tag = readTag(t, at);
        if (!tag) {
            ++at;
            continue;
        }
        cutIn(runBegin, at);
        runBegin = at = tag->end;
    }
    cutIn(runBegin, t.size());
    if (cuts.isEmpty())
        return page;
    std::sort(cuts.begin(), cuts.end());
    QString out;
    qsizetype from = 0;
    for (const auto &[begin, end] : std::as_const(cuts)) {
        if (begin >= from)
            out += t.sliced(from, begin - from);
        from = std::max(from, end);
    }
    out += t.sliced(from);
    return out;
}
