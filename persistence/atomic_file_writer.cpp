#include "persistence/atomic_file_writer.h"

#include "persistence/disk_sync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

namespace {

// Temporary files carry a mark no operator would choose, so that the sweep below can never
// take a copy such as "config4k.txt.backup" for one of VESK's own.
const QString temporaryMark = QStringLiteral(".vesk-save-");
constexpr int randomLength = 6;

WriteFaultInjector &faultInjector()
{
    static WriteFaultInjector injector;
    return injector;
}

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::u8path(path.toStdString());
}

QString randomSuffix()
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < randomLength; ++i)
        suffix += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet) - 1)]);
    return suffix;
}

// A save killed between creating its temporary file and the rename leaves that file behind;
// without this they would collect in the folder for ever, one per interrupted save.
void removeAbandonedTemporaries(const QString &path)
{
    const QFileInfo target(path);
    const QString prefix = target.fileName() + temporaryMark;
    const QRegularExpression pattern(
        QStringLiteral("^%1[A-Za-z0-9]{%2}$").arg(QRegularExpression::escape(prefix)).arg(randomLength));
    QDir dir = target.absoluteDir();
    for (const QString &name : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        if (!pattern.match(name).hasMatch())
            continue;
        // Earlier versions could leave a read-only one, which Windows refuses to delete as it is.
        if (!dir.remove(name) && QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner))
            dir.remove(name);
    }
}

// A file the operator or an administrator made read-only, or anything but a file under the
// name, is theirs to keep: renaming over it would get round the protection that a write in
// place meets. The owner's write bit counts even for root, whom the system lets write anyway.
bool mayReplace(const QString &path, QString *error)
{
    const QFileInfo target(path);
    if (!target.exists())
        return true;
    QString reason;
    if (!target.isFile())
        reason = QStringLiteral("not a regular file");
    else if (!target.isWritable() || !target.permissions().testFlag(QFile::WriteOwner))
        reason = QStringLiteral("the file is write-protected");
    else
        return true;
    if (error)
        *error = reason;
    return false;
}

bool openTemporary(QFile &file, const QString &path)
{
    // A clash with a name already taken is retried; any other failure is final.
    for (int attempt = 0; attempt < 8; ++attempt) {
        file.setFileName(path + temporaryMark + randomSuffix());
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text))
            return true;
        if (!file.exists())
            return false;
    }
    return false;
}

bool discard(QFile &file, QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    file.close();
    file.remove();
    return false;
}

} // namespace

void setWriteFaultInjector(WriteFaultInjector injector)
{
    faultInjector() = std::move(injector);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    if (!mayReplace(path, error))
        return false;
    removeAbandonedTemporaries(path);
    QFile file;
    if (!openTemporary(file, path)) {
        if (error)
            *error = file.errorString();
        return false;
    }

    const qint64 faultAfter = faultInjector() ? faultInjector()(path) : -1;
    if (faultAfter >= 0 && faultAfter < bytes.size()) {
        file.write(bytes.left(faultAfter));
        file.flush();
        return discard(file, error, QStringLiteral("simulated write failure"));
    }

    if (file.write(bytes) != bytes.size() || !file.flush())
        return discard(file, error, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return discard(file, error, file.errorString());

    // The new file takes the place of the old one with its permissions, as an edit in place
    // would; these include the owner's write bit, so no read-only temporary can be left behind.
    if (QFileInfo::exists(path))
        file.setPermissions(QFile::permissions(path));
    syncFileToDisk(nativePath(file.fileName()));
    std::error_code failure;
    std::filesystem::rename(nativePath(file.fileName()), nativePath(path), failure);
    if (failure)
        return discard(file, error, QString::fromStdString(failure.message()));
    return true;
}
