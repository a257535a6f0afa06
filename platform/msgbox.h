#pragma once

#include <QString>

#include <functional>

// Message boxes take the style numbers and give the result codes the
// program's windows were written against. Tests install a responder so that
// no box ever waits for a person.
namespace Desktop {

enum MsgBoxStyle : int {
    BoxOKOnly = 0, BoxOKCancel = 1, BoxAbortRetryIgnore = 2, BoxYesNoCancel = 3, BoxYesNo = 4, BoxRetryCancel = 5,
    BoxCritical = 16, BoxQuestion = 32, BoxExclamation = 48, BoxInformation = 64,
    BoxDefaultButton2 = 256, BoxDefaultButton3 = 512,
};
enum MsgBoxResult : int { AnswerOK = 1, AnswerCancel = 2, AnswerAbort = 3, AnswerRetry = 4, AnswerIgnore = 5, AnswerYes = 6, AnswerNo = 7 };

struct MsgBoxCall
{
    QString prompt;
    int style = 0;
    QString title;
};

using MsgBoxResponder = std::function<int(const MsgBoxCall &)>;

// Shows a modal box (or asks the responder). The title defaults to the
// program title.
int MsgBox(const QString &prompt, int style = BoxOKOnly, const QString &title = {});

// Shows a box with an OK button and returns at once: a notice that waits on
// screen until read, while the program goes on (the responder hears of it
// and its answer is ignored).
void Notice(const QString &prompt, int style = BoxExclamation, const QString &title = {});

// Replaces the real boxes; an empty function restores them.
void setMsgBoxResponder(MsgBoxResponder responder);

// Nobody is left to answer (the program is asked to end while it starts):
// every open box closes with its cancel answer (Cancel, else No, else its
// only button), and every later box gives that answer at once, unshown and
// unasked. Tests switch it off again (on = false).
void CancelBoxes(bool on = true);
// Whether boxes give their cancel answer unshown.
bool BoxesCancelled();

// The program's title: the application name of the settings store and the
// caption of its message boxes.
QString AppTitle();

} // namespace Desktop
