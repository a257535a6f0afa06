#pragma once

#include "platform/defaultinstance.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// A small borderless note for one tracked auction: a title strip to drag it
// by, the note, and a close mark. Any close (the mark, a click elsewhere)
// writes the note back to the row it was opened on; there is no cancel.
class frmNotes final : public QWidget, public DefaultInstance<frmNotes>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmNotes)

public:
    frmNotes();
    void Form_Unload();

    // Opens the note of the selected row of the auction list (not modal)
    // with `title` on its strip and its top-left corner at `topLeft` (screen
    // pixels); does nothing while no row is selected.
    static void ShowAt(const QString &title, const QPoint &topLeft);

    // The stored form of a note: line breaks as "<br>", double quotes as
    // "&quot;"; and back.
    static QString StoredNote(const QString &text);
    static QString ShownNote(const QString &stored);

    QLabel *lblTitle = nullptr;
    QPlainTextEdit *txtNote = nullptr;
    QLabel *picClose = nullptr;

    void picClose_Click();
    void lblTitle_MouseDown(const QPoint &at);
    void lblTitle_MouseMove(const QPoint &at);
    void lblTitle_MouseUp();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_itemNumber; // the row the note belongs to
    bool blnDragging = false;
    int lngDragX = 0;
    int lngDragY = 0;
};
