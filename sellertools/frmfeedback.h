#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QHash>

class ListItem;
class ListView;
class QLabel;
class QPushButton;

// "Feedback": which accounts return positive feedback to their buyers, and
// with which comment. Its list is also what the feedback run works through,
// so the run loads the window unseen when it is not open.
class frmFeedback final : public QDialog, public DefaultInstance<frmFeedback>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFeedback)

public:
    frmFeedback();
    void Form_Load();

    // The Selling menu's "Feedback": the window, modally.
    static void ShowModal();

    static inline const QString kNoFeedback = QStringLiteral("<no feedback will be left>");
    static inline const QString kDefaultComment = QStringLiteral("Thank you for your purchase");

    QLabel *Label1 = nullptr;
    ListView *lvwSellers = nullptr;
    QPushButton *cmdLeaveFB = nullptr;
    QPushButton *cmdEditMsg = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    // Writes "feedback.dat" from the checked rows, in list order.
    void Save();

    void lvwSellers_ItemCheck(ListItem *item);
    void cmdLeaveFB_Click();
    void cmdEditMsg_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void reject() override;

private:
    void rowChanged(ListItem *item);

    // Each row's check state as last seen, to tell a check click from any
    // other change of the row.
    QHash<ListItem *, bool> m_checked;
    // Set when a feedback file refused as too large could not go aside: the
    // refused file is never written over.
    bool m_keepRefusedFile = false;
};
