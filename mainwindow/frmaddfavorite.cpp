#include "mainwindow/frmaddfavorite.h"

#include "foundation/basgeneral.h"
#include "mainwindow/frmmain.h"
#include "platform/webbrowser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmAddFavorite::frmAddFavorite()
{
    setObjectName(QStringLiteral("frmAddFavorite"));
    setWindowTitle(QStringLiteral("Add Favorite"));
    setModal(true);
    auto *intro = new QLabel(QStringLiteral("The following page will be added to your favorites:"), this);
    txtPageTitle = new QLineEdit(this);
    lblURL = new QLabel(this);
    // Plain text: the address shows exactly, "&" included.
    lblURL->setTextFormat(Qt::PlainText);
    lblURL->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("Add"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(txtPageTitle);
    layout->addWidget(lblURL);
    layout->addLayout(buttons);
    resize(440, 150);

    txtPageTitle->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddFavorite::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddFavorite::cmdCancel_Click);
}

void frmAddFavorite::ShowModal()
{
    // The page is read before the window is made: reading the document lets
    // other events run, and no half-made window may be reached meanwhile.
    // Its own title is taken, so a page without one gives an empty caption
    // and not the address the browser shows in its place.
    WebBrowser &browser = *frmMain::instance().WebBrowser;
    const QString title = browser.DocumentTitle();
    const QString url = browser.LocationURL();
    if (isLoaded())
        unloadInstance();
    frmAddFavorite &w = instance();
    w.ShowPage(title, url);
    w.exec();
}

QString frmAddFavorite::ShortTitle(const QString &title)
{
    return title.size() >= 51 ? title.left(47) + QStringLiteral("...") : title;
}

void frmAddFavorite::ShowPage(const QString &title, const QString &url)
{
    txtPageTitle->setText(ShortTitle(title));
    lblURL->setText(url);
    lblURLTag = url;
}

void frmAddFavorite::cmdOK_Click()
{
    frmMain &main = frmMain::instance();
    main.AddFavorite(txtPageTitle->text(), lblURLTag);
    main.SaveFavorites();
    unloadInstance();
}

void frmAddFavorite::cmdCancel_Click()
{
    unloadInstance();
}

void frmAddFavorite::reject()
{
    unloadInstance();
    QDialog::reject();
}

bool frmAddFavorite::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtPageTitle && event->type() == QEvent::FocusIn)
        basGeneral::SelectAllText(txtPageTitle);
    return QDialog::eventFilter(watched, event);
}
