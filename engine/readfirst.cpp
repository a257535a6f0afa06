#include "engine/readfirst.h"

#include <QDateTime>
#include <QHash>
#include <QList>

#include <algorithm>

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

void AddOnce(const QString &itemNumber)
{
    if (Waiting(itemNumber))
        return;
    // Its auction may run on for days: one read, no tries again.
    triesAgain()[itemNumber] = kTriesAgain;
    add(itemNumber, 0);
}

void AddAgainSoon(const QString &itemNumber)
{
    int &tries = triesAgain()[itemNumber];
    if (++tries > kTriesAgain)
        return;
    add(itemNumber, QDateTime::currentMSecsSinceEpoch() + kAgainAfterMs);
}

std::optional<QString> Take(const QString &only)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (qsizetype i = 0; i < queue().size(); ++i)
        if (queue().at(i).dueMs <= now && (only.isEmpty() || queue().at(i).number == only))
            return queue().takeAt(i).number;
    return std::nullopt;
}

bool Waiting(const QString &itemNumber)
{
    return std::any_of(queue().cbegin(), queue().cend(), [&](const Entry &e) { return e.number == itemNumber; });
}

} // namespace ReadFirst
