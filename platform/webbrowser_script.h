#pragma once

#include <QJsonArray>
#include <QString>

// The script side of WebBrowser's document access. The library runs in the
// browser's own isolated script world, so page scripts can neither see nor
// disturb it; it installs itself on first use in every new document.
//
// Every request is a batch: a JSON array of operations, each an array whose
// first entry is the operation's name and the rest its arguments. The batch
// runs in order, a failing operation yields null and does not stop the rest,
// and the batch's result is the result of its last operation.
namespace WebBrowserScript {

// The library source (defines the global __tmrDom in the world it runs in).
const QString &library();

// A complete script that runs the batch, installing the library first when
// the document lacks it. Values reach the script only as JSON, never spliced
// as text.
QString batchScript(const QJsonArray &batch);

// The same without the library: when the document lacks it nothing runs and
// the script's value is missingLibrary(). Cheaper to send and to parse.
QString shortBatchScript(const QJsonArray &batch);
QString missingLibrary();

} // namespace WebBrowserScript
