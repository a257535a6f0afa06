#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class ListView;
class QPushButton;

// "Organize Favorites": the favorites in a list to delete from and sort;
// Done makes the list the new Favorites menu and saves it. Closing any other
// way changes nothing.
class frmOrgFavorites final : public QDialog, public DefaultInstance<frmOrgFavorites>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmOrgFavorites)

public:
    frmOrgFavorites();
    void Form_Load();

    static void ShowModal();

    ListView *lvwFavorites = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdDone = nullptr;

    void cmdDelete_Click();
    void cmdDone_Click();
    void lvwFavorites_ColumnClick(int column);

protected:
    void reject() override;
};
