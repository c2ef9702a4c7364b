#include "install/placement.h"

#include "install/game_paths.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/folder_index.h"
#include "platform/io_errors.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace install {

namespace {

constexpr qint64 kChunk = 64 * 1024;
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

void writeOrThrow(platform::AtomicFile& out, const char* data, qint64 size) {
    out.writeAll(data, size);
}

/// Copies the bytes of an open file to `out` unchanged.
void copyBytes(QFile& in, platform::AtomicFile& out) {
    QByteArray buffer(kChunk, '\0');
    for (;;) {
        const qint64 got = in.read(buffer.data(), kChunk);
        if (got < 0)
            throw platform::Error(platform::readErrorText(in.fileName(), in.errorString()));
        if (got == 0)
            return;
        writeOrThrow(out, buffer.constData(), got);
    }
}

/// Writes every line of `in` to `out`, each ended with CR LF. CR, LF and
/// CR LF all end a line; a last line without an ending counts. The bytes
/// are kept as they are (the files come in the game's code page) and
/// streamed, so a file of any size takes bounded memory.
void appendLines(QFile& in, platform::AtomicFile& out) {
    QByteArray buffer(kChunk, '\0');
    bool afterCr = false;  // a CR ended the last line; an LF next belongs to it
    bool openLine = false; // bytes of an unended line were written
    for (;;) {
        const qint64 got = in.read(buffer.data(), kChunk);
        if (got < 0)
            throw platform::Error(platform::readErrorText(in.fileName(), in.errorString()));
        if (got == 0)
            break;
        const char* data = buffer.constData();
        qint64 start = 0;
        for (qint64 i = 0; i < got; ++i) {
            const char c = data[i];
            if (c != '\r' && c != '\n') {
                afterCr = false;
                continue;
            }
            if (c == '\n' && afterCr && i == start) {
                afterCr = false;
                start = i + 1;
                continue;
            }
            writeOrThrow(out, data + start, i - start);
            writeOrThrow(out, kLineEnd.constData(), kLineEnd.size());
            openLine = false;
            afterCr = c == '\r';
            start = i + 1;
        }
        if (start < got) {
            writeOrThrow(out, data + start, got - start);
            openLine = true;
        }
    }
    if (openLine)
        writeOrThrow(out, kLineEnd.constData(), kLineEnd.size());
}

} // namespace

void MergeIntFile(CommandContext& ctx, const QString& name) {
    const QString systemDir = detail::gameFolder(ctx, ctx.state.SystemDir);
    const QString source = platform::withSlash(ctx.state.TempDir) + name;
    const std::optional<QString> existing = ctx.folders.find(systemDir, name);
    const QString target = existing.value_or(systemDir + name);

    if (existing) {
        const QString backupName = platform::fileNamePart(target) + u".old"_s;
        const std::optional<QString> oldBackup = ctx.folders.find(systemDir, backupName);
        const platform::Outcome backedUp =
            platform::copyFileAtomically(target, oldBackup.value_or(systemDir + backupName));
        if (!backedUp)
            throw platform::Error(backedUp.error());
        if (!oldBackup)
            ctx.folders.added(systemDir + backupName);
    }

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw platform::Error(platform::cannotOpenText(source, in.errorString()));
    // The game's file is rewritten whole through a temporary file, so a
    // failed merge leaves it as it was instead of half appended.
    platform::AtomicFile out(target);
    out.openForWriting();
    if (existing) {
        QFile old(target);
        if (!old.open(QIODevice::ReadOnly))
            throw platform::Error(platform::cannotOpenText(target, old.errorString()));
        copyBytes(old, out);
    }
    writeOrThrow(out, kLineEnd.constData(), kLineEnd.size());
    appendLines(in, out);
    out.commit();
    if (!existing)
        ctx.folders.added(target);
}

} // namespace install
