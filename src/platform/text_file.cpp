#include "platform/text_file.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/io_errors.h"

#include <QFile>

namespace platform {

QStringList readLines(const QString& path, int maxLines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(cannotOpenText(path, file.errorString()));
    QStringList lines;
    while (!file.atEnd() && (maxLines < 0 || lines.size() < maxLines)) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(QString::fromUtf8(line));
    }
    if (file.error() != QFileDevice::NoError)
        throw Error(readErrorText(path, file.errorString()));
    return lines;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(cannotOpenText(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(readErrorText(path, file.errorString()));
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    writeFileAtomically(path, bytes);
}

void writeLines(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    writeBytes(path, bytes);
}

} // namespace platform
