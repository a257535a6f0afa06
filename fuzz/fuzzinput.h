#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as the readers meet outside text: raw bytes, or text
// decoded as the program decodes pages and files.
inline QByteArray FuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline QString FuzzText(const uint8_t *data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The fuzzer's text cut into `count` parts at the byte 0x01 (the last part
// keeps the rest; missing parts are empty), for readers that take several
// texts at once.
inline QStringList FuzzParts(const uint8_t *data, size_t size, int count)
{
    QStringList parts = FuzzText(data, size).split(QChar(1));
    while (parts.size() > count) {
        const QString last = parts.takeLast();
        parts.last() += QChar(1) + last;
    }
    while (parts.size() < count)
        parts << QString();
    return parts;
}
