#pragma once

#include "platform/defaultinstance.h"

#include <QString>
#include <QWidget>

class QLabel;

// Asks a user of 30 days to review the program on one of two review sites;
// a click on a site opens its review page in the main window's browser. The
// window stays on top and open, so both sites can be visited.
class frmReview final : public QWidget, public DefaultInstance<frmReview>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmReview)

public:
    frmReview();
    void Form_Load();

    // Shows the window, not modal (the start-up loader, when the prompt is due).
    static void ShowPrompt();

    // The review pages of the two sites, on the vendor's web server.
    static QString FirstReviewPage();
    static QString SecondReviewPage();

    QLabel *Label1 = nullptr;
    QLabel *lblOnTop = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;

    void Label2_Click();
    void Label3_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
