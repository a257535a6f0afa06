#include "platform/ticktimer.h"

#include <QDateTime>

TickTimer::TickTimer(int intervalMs, bool enabled, QObject *parent) : QObject(parent), m_interval(intervalMs)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TickTimer::fired);
    m_enabled = enabled;
    apply();
}

void TickTimer::setEnabled(bool on)
{
    if (on == m_enabled)
        return; // switching a running timer on again does not restart it
    m_enabled = on;
    apply();
}

void TickTimer::setInterval(int ms)
{
    m_interval = ms;
    apply();
}

void TickTimer::setAlignedToClock(bool aligned)
{
    if (aligned == m_aligned)
        return;
    m_aligned = aligned;
    apply();
}

qint64 TickTimer::AlignedDelay(qint64 nowMs, int intervalMs)
{
    constexpr qint64 kEarlyMs = 100;
    const qint64 second = (nowMs + kEarlyMs) / 1000 * 1000;
    return qMax<qint64>(0, second + intervalMs + kAlignedLateMs - nowMs);
}

void TickTimer::apply()
{
    if (!m_enabled || m_interval <= 0) {
        m_timer.stop();
        return;
    }
    m_timer.setSingleShot(m_aligned);
    m_timer.start(m_aligned ? int(AlignedDelay(QDateTime::currentMSecsSinceEpoch(), m_interval)) : m_interval);
}

void TickTimer::fired()
{
    // The next aligned tick is set before this one is handled, so a handler
    // that waits does not hold it back.
    if (m_aligned)
        apply();
    emit Timer();
}
