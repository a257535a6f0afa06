#pragma once

// What a benchmark program sets before its application starts: a private
// home folder, the offscreen platform and the program's URL schemes, like
// the tests.
#include "platform/schemes.h"

#include <QDir>
#include <QTemporaryDir>

inline void PrepareBenchProcess(const QTemporaryDir &home)
{
    qputenv("TALLOWMERE_HOME", home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu --disable-background-networking");
    Desktop::RegisterUrlSchemes();
}

inline QString BenchHomeTemplate()
{
    return QDir::tempPath() + QStringLiteral("/tallowmere-bench-XXXXXX");
}
