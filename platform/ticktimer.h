#pragma once

#include <QTimer>

// A window timer: Enabled and Interval like the control, where switching it
// on (again) restarts the interval and an interval of 0 keeps it silent.
class TickTimer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TickTimer)

public:
    explicit TickTimer(int intervalMs = 0, bool enabled = false, QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int Interval() const { return m_timer.interval(); }
    void setInterval(int ms);

signals:
    void Timer();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = false;
};
