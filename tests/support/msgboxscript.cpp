#include "tests/support/msgboxscript.h"

MsgBoxScript &MsgBoxScript::instance()
{
    static MsgBoxScript script;
    return script;
}

void MsgBoxScript::installDefault()
{
    Vb::setMsgBoxResponder([](const Vb::MsgBoxCall &call) { return instance().respond(call); });
}

int MsgBoxScript::respond(const Vb::MsgBoxCall &call)
{
    m_calls << call;
    if (!m_answers.empty()) {
        const int r = m_answers.front();
        m_answers.pop_front();
        return r;
    }
    const bool second = (call.style & Vb::vbDefaultButton2) != 0;
    switch (call.style & 7) {
    case Vb::vbOKCancel: return second ? Vb::vbCancel : Vb::vbOK;
    case Vb::vbYesNo:
    case Vb::vbYesNoCancel: return second ? Vb::vbNo : Vb::vbYes;
    case Vb::vbRetryCancel: return second ? Vb::vbCancel : Vb::vbRetry;
    case Vb::vbAbortRetryIgnore: return second ? Vb::vbRetry : Vb::vbAbort;
    default: return Vb::vbOK;
    }
}
