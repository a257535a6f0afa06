#pragma once

#include "platform/msgbox.h"

#include <QList>
#include <deque>

// Answers message boxes from a queue and records every prompt. Installed for
// the whole test process; a box with no queued answer gets its default button
// (the first, or the second with the default-button-2 style).
class MsgBoxScript
{
public:
    static void installDefault();
    static MsgBoxScript &instance();

    void answer(int result) { m_answers.push_back(result); }
    void clear() { m_answers.clear(); m_calls.clear(); }
    const QList<Desktop::MsgBoxCall> &calls() const { return m_calls; }
    QString lastPrompt() const { return m_calls.isEmpty() ? QString() : m_calls.last().prompt; }

    int respond(const Desktop::MsgBoxCall &call);

private:
    std::deque<int> m_answers;
    QList<Desktop::MsgBoxCall> m_calls;
};
