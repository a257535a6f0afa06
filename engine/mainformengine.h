#pragma once

#include "foundation/mainformshell.h"

// The main window's engine procedures: the one-shot start-up loader and the
// main tick (and, as they are built, the refresh, bidding and the list file).
class frmMainEngine : public frmMainShell
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMainEngine)

public:
    // Without a registered main window (tests of the engine alone) an engine
    // window is made.
    static frmMainEngine &instance();

    // The loader's timer tick (runs once; switches its own timer off first).
    virtual void tmrLoadProcess_Timer();
    // The main tick, every second while tmrTimer is on.
    virtual void tmrTimer_Timer();

protected:
    frmMainEngine();
};

inline frmMainEngine &EngineForm() { return frmMainEngine::instance(); }
