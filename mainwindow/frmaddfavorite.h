#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Add Favorite": the page the browser shows, with a title the user may
// change, becomes the last favorite.
class frmAddFavorite final : public QDialog, public DefaultInstance<frmAddFavorite>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddFavorite)

public:
    frmAddFavorite();

    // Shows the window modally with the browser's page.
    static void ShowModal();

    // Titles of 51 characters or more are cut to 47 and "...".
    static QString ShortTitle(const QString &title);

    QLineEdit *txtPageTitle = nullptr;
    QLabel *lblURL = nullptr;
    // The page's address unchanged (the label only shows it).
    QString lblURLTag;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    // Shows a page's title and address.
    void ShowPage(const QString &title, const QString &url);
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;
};
