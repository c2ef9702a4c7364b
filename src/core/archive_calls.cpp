#include "core/archive_calls.h"

#include "archive/archive_formats.h"
#include "platform/dialogs.h"
#include "platform/file_helpers.h"
#include "platform/status_sink.h"

using namespace Qt::Literals::StringLiterals;

namespace core {

namespace {

archives::ArchiveResult notAnArchive(const QString& path) {
    QStringList words;
    for (const archives::ArchiveFormat& format : archives::archiveFormats())
        words.append(u"a "_s + format.word);
    archives::ArchiveResult r;
    r.error = path + u"\ris neither "_s + words.join(u" nor "_s) + u" archive."_s;
    return r;
}

/// `prefix` + the entry's file name in the context's status line.
std::function<void(const QString&)> statusProgress(CommandContext& ctx, const QString& prefix) {
    return [&ctx, prefix](const QString& entry) {
        ctx.status.setStatus(prefix + platform::fileNamePart(entry));
    };
}

/// The password question of an archive; a cancelled dialog answers the
/// empty password.
std::function<std::optional<QString>()> passwordQuestion(CommandContext& ctx,
                                                         const QString& archive) {
    return [&ctx, archive]() -> std::optional<QString> {
        return ctx.dialogs.inputText(archive, u"Password needed"_s, QString()).value_or(QString());
    };
}

} // namespace

QString archiveType(const QString& path) {
    const QString name = platform::fileNamePart(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

archives::ArchiveResult ExtractArchive(CommandContext& ctx, const ExtractRequest& request) {
    const archives::ArchiveFormat* format = archives::formatOf(request.archive);
    if (!format)
        return notAnArchive(request.archive);
    archives::ArchiveJob job;
    job.archive = request.archive;
    job.target = request.target;
    job.names = request.only;
    job.keepFolders = request.keepFolders;
    job.noBoxes = request.quiet;
    job.maxBytes = request.maxBytes;
    if (!request.quiet) {
        job.progress = statusProgress(ctx, request.statusPrefix);
        if (format->can(archives::Ability::Passwords))
            job.password = passwordQuestion(ctx, request.archive);
    }
    return ctx.backends.of(*format).extract(job);
}

ArchiveListing ListArchive(CommandContext& ctx, const QString& path, bool quiet) {
    const archives::ArchiveFormat* format = archives::formatOf(path);
    if (!format) {
        ArchiveListing listing;
        listing.result = notAnArchive(path);
        return listing;
    }
    archives::ArchiveJob job;
    job.archive = path;
    job.noBoxes = quiet;
    if (!quiet && format->can(archives::Ability::Passwords))
        job.password = passwordQuestion(ctx, path);
    return ctx.backends.of(*format).list(job);
}

archives::ArchiveResult AddToZip(CommandContext& ctx, const QString& zipPath,
                                 const QStringList& fileSpecs, bool quiet,
                                 const QString& statusPrefix) {
    archives::ArchiveJob job;
    job.archive = zipPath;
    job.names = fileSpecs;
    job.noBoxes = quiet;
    job.progress = statusProgress(ctx, statusPrefix);
    return ctx.backends.of(archives::writtenFormat()).add(job);
}

} // namespace core
