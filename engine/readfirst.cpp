#include "engine/readfirst.h"

#include <QDateTime>
#include <QHash>
#include <QList>

namespace ReadFirst {

namespace {

constexpr qint64 kAgainAfterMs = 2000;
constexpr int kTriesAgain = 10;

struct Entry
{
    QString number;
    qint64 dueMs = 0;
};

QList<Entry> &queue()
{
    static QList<Entry> entries;
    return entries;
}

QHash<QString, int> &triesAgain()
{
    static QHash<QString, int> tries;
    return tries;
}

void add(const QString &itemNumber, qint64 dueMs)
{
    for (const Entry &e : queue())
        if (e.number == itemNumber)
            return;
    queue() << Entry{itemNumber, dueMs};
}

} // namespace

void Add(const QString &itemNumber)
{
    triesAgain().remove(itemNumber);
    add(itemNumber, 0);
}

void AddAgainSoon(const QString &itemNumber)
{
    int &tries = triesAgain()[itemNumber];
    if (++tries > kTriesAgain)
        return;
    add(itemNumber, QDateTime::currentMSecsSinceEpoch() + kAgainAfterMs);
}

std::optional<QString> Take()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (qsizetype i = 0; i < queue().size(); ++i)
        if (queue().at(i).dueMs <= now)
            return queue().takeAt(i).number;
    return std::nullopt;
}

} // namespace ReadFirst
