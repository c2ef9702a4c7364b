#include "install/file_copy.h"

#include "platform/io_errors.h"

#include <QFile>
#include <QSaveFile>

namespace install::detail {

namespace {
constexpr qint64 kChunk = 1 << 20;

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}
} // namespace

bool copyFileAtomic(const QString& source, const QString& target, QString* error) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, platform::cannotOpenText(source, in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(error, platform::cannotCreateText(target, out.errorString()));
    QByteArray buffer(kChunk, '\0');
    for (;;) {
        const qint64 got = in.read(buffer.data(), kChunk);
        if (got < 0)
            return fail(error, platform::readErrorText(source, in.errorString()));
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got)
            return fail(error, platform::cannotWriteText(target, out.errorString()));
    }
    if (!out.commit())
        return fail(error, platform::cannotWriteText(target, out.errorString()));
    return true;
}

} // namespace install::detail
