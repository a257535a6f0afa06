#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The files the kill tests save over and over, each with a check that the
// file on disk is one whole save (the helper program runs the loops, the
// test process runs the checks).
namespace SaveLoops {

inline const QString kWriterKey = QStringLiteral("Software\\Tallowmere Durability\\Writers");
inline const QString kLoopKey = QStringLiteral("Software\\Tallowmere Durability\\Loop");
inline const QString kLogName = QStringLiteral("durability.txt");

// Saves `kind` ("list", "settings", "log", "update" or "bids") with a growing generation number for ever; `ready` is called
// once after the first whole save. Returns 2 for an unknown kind.
int Run(const QString &kind, const std::function<void()> &ready);

// Empty when the file `kind` left is one whole save, else what is wrong.
QString Check(const QString &kind);

} // namespace SaveLoops
