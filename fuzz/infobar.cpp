// The browser's information bar, read from an item page's two HTML forms.
#include "fuzz/fuzzinput.h"

#include "mainwindow/infobar.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList parts = FuzzParts(data, size, 3);
    static const QDateTime now(QDate(2024, 3, 5), QTime(12, 0, 0));
    static const QString logo = QStringLiteral("pics.example/aw/pics/logos/logoPayPal_51x14.gif");
    InfoBar::IsItemPage(parts[0]);
    InfoBar::Read(parts[0], parts[1], parts[2], now, logo);
    // The usual case: both forms of the page the same.
    InfoBar::Read(parts[0], parts[0], parts[2], now, logo);
    return 0;
}
