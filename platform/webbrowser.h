#pragma once

#include <QWebEngineView>

// The embedded browser control (first cut: navigation only).
class WebBrowser : public QWebEngineView
{
    Q_OBJECT
public:
    explicit WebBrowser(QWidget *parent = nullptr);
    void Navigate(const QString &url);
    bool Silent = false;
};
