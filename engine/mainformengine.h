#pragma once

#include "foundation/mainformshell.h"

// The main window's engine procedures: the tracked-auction rules, the list
// file, the start-up loader, the refresh, the main tick and the bid hand-off.
// Each group lives in its own source file; keep each group's declarations in
// its own section below.
class frmMainEngine : public frmMainShell
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMainEngine)

public:
    // Without a registered main window (tests of the engine alone) an engine
    // window is made.
    static frmMainEngine &instance();

    // --- Tracked auctions and list rules (auctionrules.cpp) ---

    // --- The auction list file (listfile.cpp) ---

    // --- The start-up loader (loader.cpp) ---
    // The loader's timer tick (runs once; switches its own timer off first).
    virtual void tmrLoadProcess_Timer();

    // --- The refresh (refresh.cpp) ---

    // --- The main tick (maintick.cpp) ---
    // The main tick, every second while tmrTimer is on.
    virtual void tmrTimer_Timer();

    // --- The bid hand-off (bidhandoff.cpp) ---

protected:
    frmMainEngine();
};

inline frmMainEngine &EngineForm() { return frmMainEngine::instance(); }
