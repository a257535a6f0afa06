#pragma once

// SIGTERM and SIGINT ask the program to end from outside: the system shutting
// down, `kill`, Ctrl+C in the terminal, the unattended demo. Nobody can answer
// a question then, so the request sets the main window's blnForceExit and goes
// through the same close as the menu's Exit (MainForm().Unload()). Open
// questions (the crash prompt and the damaged-list question at start-up, the
// sign-in prompt, any message box) are closed with their cancel answer and
// later ones are not asked. The main window is unloaded only from the
// outermost event loop, never under a handler that waits: a refresh pass
// under way is asked to stop at its next step, and while the window cannot
// be unloaded, or the shut-down refuses (loading), the request is made again
// every half second until it succeeds; the refusal is logged once.
// Without a main window the event loop just ends.
namespace EndRequest {

// Catches both signals from now on; call once, first thing in main(): a
// signal that comes before the application object exists waits for it.
// Listen() hands the requests to the event loop once the application object
// exists; they are never handled in the signal handler itself.
void Install();
void Listen();

// What a caught signal does, callable directly: starts the attempts (a second
// request while they run changes nothing).
void Request();

// True while a request waits for the shut-down to accept it.
bool Pending();

// True once an end was requested: the start goes no further.
bool Requested();

// Forgets every request (for tests that go on after one).
void Reset();

} // namespace EndRequest
