#pragma once

// A user at the screen of the program built for tests: answers its message
// boxes and its first-run wizard as the environment says, after letting each
// wait a moment (so whatever closes meanwhile closes under it), and writes
// what it saw to "driven.log" in the home folder, one line each:
//     <pid> start
//     <pid> wizard
//     <pid> box <prompt on one line>
//     <pid> answer <button>
//     <pid> rows <first> <count> <of>   the list pane was written with rows
//                                       [first, first + count) of <of> shown
//
// TALLOWMERE_DRIVEN_WIZARD: "user:password" fills the wizard and goes on,
// "cancel" cancels it. TALLOWMERE_DRIVEN_ANSWERS: the buttons to click, in
// order, comma separated ("No,Yes"); a box past the list gets its default.
// TALLOWMERE_DRIVEN_AWAY (set): nobody is at the screen; boxes are logged
// and left unanswered.
namespace WindowDriver {

void Install();

} // namespace WindowDriver
