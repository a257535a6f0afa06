#include "tests/support/msgboxscript.h"

MsgBoxScript &MsgBoxScript::instance()
{
    static MsgBoxScript script;
    return script;
}

void MsgBoxScript::installDefault()
{
    Desktop::setMsgBoxResponder([](const Desktop::MsgBoxCall &call) { return instance().respond(call); });
}

int MsgBoxScript::respond(const Desktop::MsgBoxCall &call)
{
    m_calls << call;
    if (!m_answers.empty()) {
        const int r = m_answers.front();
        m_answers.pop_front();
        return r;
    }
    const bool second = (call.style & Desktop::BoxDefaultButton2) != 0;
    switch (call.style & 7) {
    case Desktop::BoxOKCancel: return second ? Desktop::AnswerCancel : Desktop::AnswerOK;
    case Desktop::BoxYesNo:
    case Desktop::BoxYesNoCancel: return second ? Desktop::AnswerNo : Desktop::AnswerYes;
    case Desktop::BoxRetryCancel: return second ? Desktop::AnswerCancel : Desktop::AnswerRetry;
    case Desktop::BoxAbortRetryIgnore: return second ? Desktop::AnswerRetry : Desktop::AnswerAbort;
    default: return Desktop::AnswerOK;
    }
}
