#pragma once

// SIGTERM and SIGINT ask the program to end from outside: the system shutting
// down, `kill`, Ctrl+C in the terminal, the unattended demo. Nobody can answer
// a question then, so the request sets the main window's blnForceExit and goes
// through the same close as the menu's Exit (MainForm().Unload()). While the
// shut-down refuses (loading, refreshing) the request is made again every half
// second until it succeeds. Without a main window the event loop just ends.
namespace EndRequest {

// Catches both signals from now on; call once, after the application object
// exists. The request is handled in the event loop, never in the signal
// handler itself.
void Install();

// What a caught signal does, callable directly: starts the attempts (a second
// request while they run changes nothing).
void Request();

// True while a request waits for the shut-down to accept it.
bool Pending();

} // namespace EndRequest
