#include "persistence/atomic_file_writer.h"

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

} // namespace

void setWriteFaultInjector(WriteFaultInjector injector)
{
    faultInjector() = std::move(injector);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
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
