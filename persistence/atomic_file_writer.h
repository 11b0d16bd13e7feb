#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Writes bytes to a temporary file in the target's folder and renames it over the target only
// once all of it is on disk, so a failed or interrupted save leaves the previous file as it was.
// Text mode: line ends become the platform's. On failure returns false with a reason in *error.
// A target that is write-protected or not a regular file is refused and left as it is.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Test seam: returns, for a target path, the number of bytes after which writing fails as a
// full disk would; a negative number means no fault. An empty injector removes the fault.
using WriteFaultInjector = std::function<qint64(const QString &path)>;
void setWriteFaultInjector(WriteFaultInjector injector);
