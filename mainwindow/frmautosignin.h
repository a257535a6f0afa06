#pragma once

#include "platform/defaultinstance.h"

#include <QWidget>

// The small "Signing In..." notice shown while the browser's sign-in form is
// filled. It goes with the next finished page, or when it loses the focus.
class frmAutoSignIn final : public QWidget, public DefaultInstance<frmAutoSignIn>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAutoSignIn)

public:
    void Form_LostFocus();

protected:
    friend class DefaultInstance<frmAutoSignIn>;
    frmAutoSignIn();
    bool event(QEvent *event) override;
};
