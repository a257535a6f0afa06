#pragma once

// How deep the event delivery currently is. Code that waits with events
// running (a page fetch, a DoEvents slice, a question) lets any handler run
// above it; such a handler must not delete what the waiting code returns
// into. AtTheBase() tells a handler that nothing waits below it.
namespace EventDepth {

// True when no handler waits below the caller: reached from the outermost
// event loop, or from no loop at all. ownHandlers counts the handlers the
// caller's own event passes through before it arrives (a window's close
// event comes through the window, then the widget: one more than a call).
bool AtTheBase(int ownHandlers = 0);

} // namespace EventDepth
