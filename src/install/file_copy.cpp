#include "install/file_copy.h"

#include "platform/atomic_file.h"
#include "platform/io_errors.h"

#include <QFile>

namespace install::detail {

namespace {
constexpr qint64 kChunk = 1 << 20;

} // namespace

platform::Outcome copyFileAtomic(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return platform::Outcome::failure(platform::cannotOpenText(source, in.errorString()));
    try {
        platform::AtomicFile out(target);
        out.openForWriting();
        QByteArray buffer(kChunk, '\0');
        for (;;) {
            const qint64 got = in.read(buffer.data(), kChunk);
            if (got < 0)
                return platform::Outcome::failure(
                    platform::readErrorText(source, in.errorString()));
            if (got == 0)
                break;
            out.writeAll(buffer.constData(), got);
        }
        out.commit();
    } catch (const platform::Error& e) {
        return platform::Outcome::failure(e.text());
    }
    return platform::Outcome::success();
}

} // namespace install::detail
