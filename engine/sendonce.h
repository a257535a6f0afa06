#pragma once

#include <QString>

// A GET on a connection of its own, closed after the answer, sent once: a
// bid's requests go out exactly as the run decides. It shares the program's
// cookie jar, follows redirects (a redirect is a new request, not a second
// purchase) and fails like the transfer control (35761 for a time-out).
namespace SendOnce {

QString Get(const QString &url, int timeoutSeconds);

} // namespace SendOnce
