#pragma once

#include <QTimer>

// A window timer: Enabled and Interval like the control, where switching it
// on (again) restarts the interval and an interval of 0 keeps it silent.
//
// A timer aligned to the clock ticks just after the start of a second of
// this computer's clock, every Interval: each tick sets the next one from
// the clock again, so a tick that came late, a clock set by the system or a
// timer that drifts is back in step at the next tick.
class TickTimer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TickTimer)

public:
    explicit TickTimer(int intervalMs = 0, bool enabled = false, QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int Interval() const { return m_interval; }
    void setInterval(int ms);
    void setAlignedToClock(bool aligned);

    // How long past the start of its second an aligned tick comes: enough
    // that a reading of the clock in the tick is already in the new second.
    static constexpr int kAlignedLateMs = 3;
    // Milliseconds from `nowMs` (the clock in milliseconds) to the aligned
    // tick after the one of the second `nowMs` falls in. A tick up to 100 ms
    // early is counted in the second it was meant for.
    static qint64 AlignedDelay(qint64 nowMs, int intervalMs);

signals:
    void Timer();

private:
    void apply();
    void fired();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
    bool m_aligned = false;
};
