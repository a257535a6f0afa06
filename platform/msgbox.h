#pragma once

#include <QString>

#include <functional>

// Message boxes take the style numbers and give the result codes the
// program's windows were written against. Tests install a responder so that
// no box ever waits for a person.
namespace Vb {

enum MsgBoxStyle : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct MsgBoxCall
{
    QString prompt;
    int style = 0;
    QString title;
};

using MsgBoxResponder = std::function<int(const MsgBoxCall &)>;

// Shows a modal box (or asks the responder). The title defaults to the
// program title.
int MsgBox(const QString &prompt, int style = vbOKOnly, const QString &title = {});

// Replaces the real boxes; an empty function restores them.
void setMsgBoxResponder(MsgBoxResponder responder);

// The program's title: the application name of the settings store and the
// caption of its message boxes.
QString AppTitle();

} // namespace Vb
