#pragma once

#include <QString>

class frmMainEngine;

// Rows the imports bring in: a new item number becomes a watched row of the
// active user, filled from its item page, and the list file and the HTML
// list are brought up to date at once, so whatever stops an import later
// (cancel, failure, a crash) keeps every row added before.
namespace WatchedRows {

// Adds `number` as a watched row unless a row already has it (any user);
// true when a row was added.
bool AddAndSave(frmMainEngine &main, const QString &number);

} // namespace WatchedRows
