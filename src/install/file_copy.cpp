#include "install/file_copy.h"

#include "platform/io_errors.h"

#include <QFile>
#include <QSaveFile>

namespace install::detail {

namespace {
constexpr qint64 kChunk = 1 << 20;

} // namespace

platform::Outcome copyFileAtomic(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return platform::Outcome::failure(platform::cannotOpenText(source, in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return platform::Outcome::failure(platform::cannotCreateText(target, out.errorString()));
    QByteArray buffer(kChunk, '\0');
    for (;;) {
        const qint64 got = in.read(buffer.data(), kChunk);
        if (got < 0)
            return platform::Outcome::failure(platform::readErrorText(source, in.errorString()));
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got)
            return platform::Outcome::failure(platform::cannotWriteText(target, out.errorString()));
    }
    if (!out.commit())
        return platform::Outcome::failure(platform::cannotWriteText(target, out.errorString()));
    return platform::Outcome::success();
}

} // namespace install::detail
