#include "engine/readfirst.h"

#include <QStringList>

namespace ReadFirst {

namespace {

QStringList &queue()
{
    static QStringList numbers;
    return numbers;
}

} // namespace

void Add(const QString &itemNumber)
{
    if (!queue().contains(itemNumber))
        queue() << itemNumber;
}

std::optional<QString> Take()
{
    if (queue().isEmpty())
        return std::nullopt;
    return queue().takeFirst();
}

} // namespace ReadFirst
