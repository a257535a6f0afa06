#include "platform/textranks.h"

#include "platform/desktop.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <thread>

namespace TextRanks {

std::vector<double> Rank(const QList<QString> &texts)
{
    const auto before = [&texts](qsizetype a, qsizetype b) {
        return texts.at(a).compare(texts.at(b), Qt::CaseInsensitive) < 0;
    };
    std::vector<qsizetype> order(size_t(texts.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), before);
    std::vector<double> ranks(order.size());
    double rank = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && before(order[k - 1], order[k]))
            ++rank;
        ranks[size_t(order[k])] = rank;
    }
    return ranks;
}

std::vector<double> RankWhileEventsRun(QList<QString> texts)
{
    // The texts are copies: the rows' changes while events run do not touch
    // what the worker reads.
    struct Work
    {
        QList<QString> texts;
        std::vector<double> ranks;
        std::atomic<bool> done = false;
    };
    auto work = std::make_shared<Work>();
    work->texts = std::move(texts);
    std::thread worker([work] {
        work->ranks = Rank(work->texts);
        work->texts.clear();
        work->done = true;
    });
    do
        Desktop::WaitWithEvents(1);
    while (!work->done);
    worker.join();
    return std::move(work->ranks);
}

} // namespace TextRanks
