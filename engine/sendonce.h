#pragma once

#include <QString>

#include <functional>

// A GET on a connection of its own, closed after the answer, sent once: a
// bid's requests go out exactly as the run decides. It shares the program's
// cookie jar, follows redirects (a redirect is a new request, not a second
// purchase) and fails like the transfer control (35761 for a time-out). A
// reply is bounded like a page; its head, once begun, may take the whole
// time-out, since eBay's answer to a bid is never given up on early.
namespace SendOnce {

// `requestWritten`, when given, tells whether the request was handed to a
// connection; a request that failed before that cannot have reached eBay.
// `mayWrite`, when given, is asked at the moment of writing (OnceFetch).
QString Get(const QString &url, int timeoutSeconds, bool *requestWritten = nullptr,
            std::function<bool()> mayWrite = {});

} // namespace SendOnce
