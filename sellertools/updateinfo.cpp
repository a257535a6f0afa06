#include "sellertools/updateinfo.h"

#include "platform/ansi.h"
#include "platform/numberederror.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QSaveFile>

namespace UpdateInfoFile {

namespace {

constexpr int kOverflow = 6;
constexpr int kInputPastEnd = 62;
constexpr int kInvalidFileFormat = 321;

// The reader's own words, as the description of an error the user reads.
[[noreturn]] void raiseInvalid(const QString &why)
{
    throw NumberedError(kInvalidFileFormat, why.left(1).toUpper() + why.mid(1));
}

} // namespace

ReleaseInfo Parse(const QStringList &lines, const std::function<void()> &afterEachLine)
{
    using ReleaseInfoFile::Fault;
    const ReleaseInfoFile::Reading reading = ReleaseInfoFile::Parse(lines, afterEachLine);
    switch (reading.fault) {
    case Fault::None:
        return reading.info;
    case Fault::NotANumber:
        throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    case Fault::Overflow:
        throw NumberedError(kOverflow, QStringLiteral("Overflow"));
    case Fault::CutOff:
        throw NumberedError(kInputPastEnd, QStringLiteral("Input past end of file"));
    case Fault::Unreadable:
    case Fault::RepeatedTag:
    case Fault::BadRelease:
        break;
    }
    raiseInvalid(reading.error);
}

void CheckRelease(const ReleaseInfo &info, const QByteArray &publicKeyDer)
{
    QString error;
    if (!ReleaseInfoFile::Check(info, ReleaseInfoFile::kLargestRelease, publicKeyDer, &error))
        raiseInvalid(error);
}

void Save(const QString &folder, const QString &reply)
{
    const QString path = folder + kFileName;
    QSaveFile out(path);
    if (!PrivateFile::open(out) || out.write(Ansi::encode(reply + QStringLiteral("\r\n"))) < 0 || !out.commit())
        throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied"), path);
}

ReleaseInfo Read(const QString &folder, const std::function<void()> &afterEachLine)
{
    const QString path = folder + kFileName;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw NumberedError(ErrorNumber::FileNotFound, QStringLiteral("File not found"), path);
    return Parse(ReleaseInfoFile::SplitLines(Ansi::decode(in.readAll())), afterEachLine);
}

} // namespace UpdateInfoFile
