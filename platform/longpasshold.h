#pragma once

#include <QtGlobal>

// Work that lets events run as it goes (a rewrite of the list pane, a sort of
// a long list) cannot go on while a pass started inside it runs: the pass
// holds the call stack until it ends, for a long list minutes later. While
// such work is under way, the tick starts no refresh pass; the pass starts on
// a tick after. Counting down and bidding are not held.
class LongPassHold final
{
public:
    LongPassHold() { ++s_holds; }
    ~LongPassHold() { --s_holds; }
    Q_DISABLE_COPY_MOVE(LongPassHold)

    static bool Holding() { return s_holds > 0; }

private:
    static inline int s_holds = 0;
};
