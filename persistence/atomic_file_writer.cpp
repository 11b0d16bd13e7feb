#include "persistence/atomic_file_writer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

WriteFaultInjector &faultInjector()
{
    static WriteFaultInjector injector;
    return injector;
}

bool fail(QSaveFile &file, QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    file.cancelWriting();
    return false;
}

// A save killed between creating its temporary file and the rename leaves that file behind
// (named after the target plus six random characters); without this they would collect in
// the folder for ever, one per interrupted save.
void removeAbandonedTemporaries(const QString &path)
{
    const QFileInfo target(path);
    const QRegularExpression pattern(QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    QDir dir = target.absoluteDir();
    for (const QString &name : dir.entryList({target.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden)) {
        if (pattern.match(name).hasMatch())
            dir.remove(name);
    }
}

} // namespace

void setWriteFaultInjector(WriteFaultInjector injector)
{
    faultInjector() = std::move(injector);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    removeAbandonedTemporaries(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }

    const qint64 faultAfter = faultInjector() ? faultInjector()(path) : -1;
    if (faultAfter >= 0 && faultAfter < bytes.size()) {
        file.write(bytes.left(faultAfter));
        file.flush();
        return fail(file, error, QStringLiteral("simulated write failure"));
    }

    if (file.write(bytes) != bytes.size())
        return fail(file, error, file.errorString());
    // commit() flushes and checks for late write errors before the rename.
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
