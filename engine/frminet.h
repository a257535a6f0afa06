#pragma once

#include "platform/defaultinstance.h"

#include <QWidget>

class Inet;

// A hidden window that only holds a transfer control: the refresh fetches
// item pages through it, so they never queue behind the main window's own
// requests (the clock page, sign-ins, the feedback page). Made on first use
// and never shown.
class frmInet final : public QWidget, public DefaultInstance<frmInet>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmInet)

public:
    frmInet();

    ::Inet *Inet = nullptr;
};
