#include "platform/ticktimer.h"

TickTimer::TickTimer(int intervalMs, bool enabled, QObject *parent) : QObject(parent)
{
    m_timer.setInterval(intervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TickTimer::Timer);
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
    m_timer.setInterval(ms);
    apply();
}

void TickTimer::apply()
{
    if (m_enabled && m_timer.interval() > 0)
        m_timer.start();
    else
        m_timer.stop();
}
