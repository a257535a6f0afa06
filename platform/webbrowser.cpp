#include "platform/webbrowser.h"

WebBrowser::WebBrowser(QWidget *parent) : QWebEngineView(parent) {}

void WebBrowser::Navigate(const QString &url)
{
    load(QUrl(url));
}
