#include "sim/core/faultplan.h"

#include <QJsonValue>
#include <QRegularExpression>

namespace Sim {

bool FaultRule::matches(const QString &target) const
{
    if (pattern.isEmpty())
        return true;
    if (!pattern.contains(QLatin1Char('*')))
        return target.contains(pattern, Qt::CaseInsensitive);
    // "*" stands for any run of characters, "/" included; nothing else is special.
    QString expression;
    const auto parts = pattern.split(QLatin1Char('*'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            expression += QStringLiteral(".*");
        expression += QRegularExpression::escape(parts[i]);
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(expression), QRegularExpression::CaseInsensitiveOption);
    return re.match(target).hasMatch();
}

QString FaultRule::modeName() const
{
    switch (mode) {
    case FaultMode::Hang: return delayMs > 0 ? QStringLiteral("delay") : QStringLiteral("hang");
    case FaultMode::Empty: return QStringLiteral("empty");
    case FaultMode::Close: return QStringLiteral("close");
    case FaultMode::Reset: return QStringLiteral("reset");
    case FaultMode::Truncate: return QStringLiteral("truncate");
    case FaultMode::Endless: return QStringLiteral("endless");
    case FaultMode::EndlessChunked: return QStringLiteral("endless-chunked");
    case FaultMode::SplitHead: return QStringLiteral("split-head");
    }
    return {};
}

QJsonObject FaultRule::toJson() const
{
    return QJsonObject{
        {QStringLiteral("path"), pattern},
        {QStringLiteral("mode"), modeName()},
        {QStringLiteral("delayMs"), delayMs},
        {QStringLiteral("count"), remaining},
    };
}

bool faultFromJson(const QJsonObject &json, FaultRule *rule, QString *error)
{
    FaultRule r;
    r.pattern = json.value(QLatin1String("path")).toString();
    const QString mode = json.value(QLatin1String("mode")).toString(QStringLiteral("hang")).toLower();
    r.delayMs = json.value(QLatin1String("delayMs")).toInt(0);
    r.remaining = json.value(QLatin1String("count")).toInt(1);
    if (mode == QLatin1String("hang")) {
        r.mode = FaultMode::Hang;
    } else if (mode == QLatin1String("delay")) {
        r.mode = FaultMode::Hang;
        if (r.delayMs <= 0)
            r.delayMs = 1000;
    } else if (mode == QLatin1String("empty")) {
        r.mode = FaultMode::Empty;
    } else if (mode == QLatin1String("close")) {
        r.mode = FaultMode::Close;
    } else if (mode == QLatin1String("reset")) {
        r.mode = FaultMode::Reset;
    } else if (mode == QLatin1String("truncate")) {
        r.mode = FaultMode::Truncate;
    } else if (mode == QLatin1String("endless")) {
        r.mode = FaultMode::Endless;
    } else if (mode == QLatin1String("endless-chunked")) {
        r.mode = FaultMode::EndlessChunked;
    } else if (mode == QLatin1String("split-head")) {
        r.mode = FaultMode::SplitHead;
        if (r.delayMs <= 0)
            r.delayMs = 1000;
    } else {
        if (error)
            *error = QStringLiteral("unknown fault mode \"%1\"").arg(mode);
        return false;
    }
    if (r.delayMs < 0 || r.remaining == 0) {
        if (error)
            *error = QStringLiteral("delayMs must not be negative and count not 0");
        return false;
    }
    *rule = r;
    return true;
}

bool FaultPlan::take(const QString &target, FaultRule *applied)
{
    for (qsizetype i = 0; i < m_rules.size(); ++i) {
        FaultRule &r = m_rules[i];
        if (!r.matches(target))
            continue;
        if (applied)
            *applied = r;
        if (r.remaining > 0 && --r.remaining == 0)
            m_rules.removeAt(i);
        return true;
    }
    return false;
}

} // namespace Sim
