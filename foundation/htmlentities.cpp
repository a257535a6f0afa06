#include "foundation/htmlentities.h"

#include "platform/ansi.h"

#include <QHash>

namespace basGeneral {

namespace {

// Names of the characters 160 to 255, in order.
constexpr const char *kLatin1Names[] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};
static_assert(std::size(kLatin1Names) == 96);

struct Named
{
    const char *name;
    char32_t code;
};

// The markup characters and the typographic ones that turn up in titles.
constexpr Named kOtherNames[] = {
    {"amp", u'&'},       {"AMP", u'&'},       {"lt", u'<'},        {"LT", u'<'},        {"gt", u'>'},
    {"GT", u'>'},        {"quot", u'"'},      {"QUOT", u'"'},      {"apos", u'\''},     {"OElig", 0x152},
    {"oelig", 0x153},    {"Scaron", 0x160},   {"scaron", 0x161},   {"Yuml", 0x178},     {"fnof", 0x192},
    {"circ", 0x2C6},     {"tilde", 0x2DC},    {"ensp", 0x2002},    {"emsp", 0x2003},    {"thinsp", 0x2009},
    {"zwnj", 0x200C},    {"zwj", 0x200D},     {"lrm", 0x200E},     {"rlm", 0x200F},     {"ndash", 0x2013},
    {"mdash", 0x2014},   {"lsquo", 0x2018},   {"rsquo", 0x2019},   {"sbquo", 0x201A},   {"ldquo", 0x201C},
    {"rdquo", 0x201D},   {"bdquo", 0x201E},   {"dagger", 0x2020},  {"Dagger", 0x2021},  {"bull", 0x2022},
    {"hellip", 0x2026},  {"permil", 0x2030},  {"prime", 0x2032},   {"Prime", 0x2033},   {"lsaquo", 0x2039},
    {"rsaquo", 0x203A},  {"oline", 0x203E},   {"frasl", 0x2044},   {"euro", 0x20AC},    {"trade", 0x2122},
    {"larr", 0x2190},    {"uarr", 0x2191},    {"rarr", 0x2192},    {"darr", 0x2193},    {"harr", 0x2194},
    {"spades", 0x2660},  {"clubs", 0x2663},   {"hearts", 0x2665},  {"diams", 0x2666},
};

const QHash<QString, char32_t> &names()
{
    static const QHash<QString, char32_t> table = [] {
        QHash<QString, char32_t> t;
        for (int i = 0; i < int(std::size(kLatin1Names)); ++i)
            t.insert(QString::fromLatin1(kLatin1Names[i]), char32_t(160 + i));
        for (const Named &n : kOtherNames)
            t.insert(QString::fromLatin1(n.name), n.code);
        t.insert(QStringLiteral("nbsp"), u' ');
        t.insert(QStringLiteral("NBSP"), u' ');
        return t;
    }();
    return table;
}

// The character a numeric reference names, or 0 for none.
char32_t numbered(QStringView digits, int base)
{
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    for (QChar c : digits) {
        if (!(c.isDigit() || (base == 16 && QStringLiteral("abcdefABCDEF").contains(c))) || c.unicode() > 127)
            return 0;
    }
    bool ok = false;
    const uint code = digits.toString().toUInt(&ok, base);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    if (code >= 0x80 && code <= 0x9F) // what pages written on Windows mean by them
        return Ansi::decode(QByteArray(1, char(code))).at(0).unicode();
    return code;
}

// The longest reference body (between "&" and ";") worth looking at.
constexpr qsizetype kLongestBody = 10;

} // namespace

QString DecodeEntities(const QString &text)
{
    qsizetype amp = text.indexOf(u'&');
    if (amp < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype done = 0;
    for (; amp >= 0; amp = text.indexOf(u'&', amp + 1)) {
        const qsizetype semicolon = text.indexOf(u';', amp + 1);
        if (semicolon < 0)
            break;
        if (semicolon - amp - 1 > kLongestBody)
            continue;
        const QStringView body = QStringView(text).mid(amp + 1, semicolon - amp - 1);
        char32_t code = 0;
        if (body.startsWith(u'#')) {
            const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
            code = numbered(body.mid(hex ? 2 : 1), hex ? 16 : 10);
        } else {
            code = names().value(body.toString(), 0);
        }
        if (code == 0)
            continue;
        out += QStringView(text).mid(done, amp - done);
        out += QString::fromUcs4(&code, 1);
        done = semicolon + 1;
        amp = semicolon; // the search goes on after the reference
    }
    out += QStringView(text).mid(done);
    return out;
}

} // namespace basGeneral
