#pragma once

// Readable QStrings in test failures, and the number of the error a call
// raises (0 for none).
#include "platform/numberederror.h"

#include <QString>

#include <functional>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline int ErrorNumberOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const NumberedError &e) {
        return e.number();
    }
    return 0;
}
