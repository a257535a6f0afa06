#pragma once

// The longest gap between turns of the event loop since the last restart
// (or since it was made), measured by a 5 ms timer.
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class LoopGaps
{
public:
    LoopGaps()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        restart();
    }
    void restart()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    // Counting the gap still open.
    qint64 longestMs() const { return std::max(m_longest, m_clock.elapsed() - m_last); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
