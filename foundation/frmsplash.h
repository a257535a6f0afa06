#pragma once

#include "platform/defaultinstance.h"

#include <QWidget>

class QLabel;
class TickTimer;

// The splash window shown while the program starts. Its bar grows to the
// progress the start-up steps report; it closes at the later of two moments:
// loading complete (blnMainReady) and its own first 1.5 s tick.
class frmSplash final : public QWidget, public DefaultInstance<frmSplash>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSplash)

public:
    frmSplash();
    void Form_Load();

    // Animates the bar up to Value per cent (it never shrinks).
    void SetProgress(int Value);
    // The bar's width in twips (full width 2750).
    double ProgressWidth() const { return m_width; }

    static constexpr double kFullWidth = 2750.0;

    bool blnSplashReady = false;
    bool blnMainReady = false;
    QLabel *lblAppVer = nullptr;
    QLabel *lblStatus = nullptr;
    QWidget *ProgressBar = nullptr;
    TickTimer *tmrTimer = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    void tmrTimer_Timer();
    void setBarWidth(double twips);

    double m_width = 0.0;
};
