#pragma once

#include <QString>

// A GET that reaches the server at most once. The shared transfer stack
// quietly sends a request again when the server drops a kept-alive
// connection before answering: a bid would go out more often than its
// retries allow, and a purchase could buy twice. This fetch opens a
// connection of its own, sends the request once, and reports a dropped
// connection as an error like the transfer control does (35761 for a
// time-out). It reads and stores cookies in the program's one cookie jar and
// follows redirects (a redirect is a new request, not a second purchase).
namespace SendOnce {

QString Get(const QString &url, int timeoutSeconds);

} // namespace SendOnce
