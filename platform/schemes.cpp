#include "platform/schemes.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

namespace {

const QByteArray kProgramScheme = QByteArrayLiteral("tmr");

// The links only stand for commands; a navigation that was let through has
// nothing to show.
class CommandLinkHandler final : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob *job) override { job->fail(QWebEngineUrlRequestJob::UrlNotFound); }
};

} // namespace

namespace Desktop {

void RegisterUrlSchemes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Path syntax keeps "tmr:///edit=1" as written; a local scheme may be
    // linked from the list page, which is a file:// page.
    QWebEngineUrlScheme scheme(kProgramScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void InstallUrlSchemeHandlers(QWebEngineProfile *profile)
{
    if (!profile || profile->urlSchemeHandler(kProgramScheme))
        return;
    profile->installUrlSchemeHandler(kProgramScheme, new CommandLinkHandler(profile));
}

} // namespace Desktop
