#pragma once

#include <QString>

#include <functional>

class ReadyConnection;

// A GET on a connection of its own, closed after the answer, sent once: a
// bid's requests go out exactly as the run decides. It shares the program's
// cookie jar, follows redirects (a redirect is a new request, not a second
// purchase) and fails like the transfer control (35761 for a time-out). A
// reply is bounded like a page; its head, once begun, may take the whole
// time-out, since eBay's answer to a bid is never given up on early.
namespace SendOnce {

// What became of a request besides its answer.
struct Sent
{
    // Whether the request was handed to a connection; a request that failed
    // before that cannot have reached eBay.
    bool requestWritten = false;
    // The shortest round trip to the server seen (ms), -1 for none.
    qint64 roundTripMs = -1;
    // The answer is the page a redirect led to, not the answer to the
    // request itself.
    bool redirected = false;
};

// `requestWritten`, when given, tells whether the request was handed to a
// connection; a request that failed before that cannot have reached eBay.
QString Get(const QString &url, int timeoutSeconds, bool *requestWritten = nullptr);
// The same on `ready`'s connection when it is still ready (a fresh one
// otherwise); `sent` is filled in whether or not the request fails.
// `mayWrite`, when given, is asked at the moment of writing (OnceFetch).
QString Get(const QString &url, int timeoutSeconds, Sent &sent, ReadyConnection *ready = nullptr,
            std::function<bool()> mayWrite = {});

} // namespace SendOnce
