#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

namespace Sim {

// How a request picked by a fault rule is answered.
enum class FaultMode {
    Hang,   // no answer until the client gives up, or the normal answer after delayMs
    Empty,  // 200 with an empty body
    Close,  // the connection is closed without an answer
    Reset,  // the connection is reset (RST) without an answer
    Truncate, // the headers and half the body, then the connection is closed
    Endless,  // a page without a stated length that never ends, as fast as the client reads
    EndlessChunked, // the same in chunks that never end
    SplitHead, // the normal answer, its head's second half held back for delayMs
};

struct FaultRule
{
    // Matched against path and query without regard to letter case: with a
    // "*" it is a wildcard pattern over the whole text, otherwise any part of
    // the text may match ("EbayTime", "item=1100").
    QString pattern;
    FaultMode mode = FaultMode::Hang;
    int delayMs = 0;   // Hang: answer normally after this long, 0 never answers; SplitHead: the pause
    int remaining = 1; // requests still to catch; below 0 catches every one

    bool matches(const QString &target) const;
    QString modeName() const;
    QJsonObject toJson() const;
};

// Fields: path (the pattern), mode ("hang", "delay", "empty", "close",
// "reset", "truncate", "endless", "endless-chunked", "split-head"),
// delayMs, count. "delay" is "hang" with a delay (default 1000 ms), as is
// the pause of "split-head".
bool faultFromJson(const QJsonObject &json, FaultRule *rule, QString *error);

class FaultPlan final
{
public:
    void add(FaultRule rule) { m_rules.append(std::move(rule)); }
    void clear() { m_rules.clear(); }
    const QList<FaultRule> &rules() const { return m_rules; }

    // The first rule that catches the request, used up by one; false when
    // none does.
    bool take(const QString &target, FaultRule *applied);

private:
    QList<FaultRule> m_rules;
};

} // namespace Sim
