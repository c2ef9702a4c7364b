#include "archive/archive_formats.h"

#include "archive/rar_backend.h"
#include "archive/zip_backend.h"
#include "archive/zip_probe.h"

using namespace Qt::Literals::StringLiterals;

namespace archives {

ArchiveResult ArchiveBackend::add(const ArchiveJob& job) {
    ArchiveResult r;
    r.error = job.archive + u"\rcannot be written: archives of its kind are only read."_s;
    return r;
}

const QList<ArchiveFormat>& archiveFormats() {
    using enum Ability;
    static const QList<ArchiveFormat> table = {
        {u".zip"_s, u"zip"_s, List | Extract | Write | FlatExtract | ReadAhead, &ZipProbe,
         &makeZipBackend},
        {u".rar"_s, u"rar"_s, List | Extract | Passwords, nullptr, &makeRarBackend},
    };
    return table;
}

const ArchiveFormat* formatOf(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return nullptr;
    const QStringView ext = QStringView(path).mid(dot);
    for (const ArchiveFormat& format : archiveFormats()) {
        if (ext.compare(format.extension, Qt::CaseInsensitive) == 0)
            return &format;
    }
    return nullptr;
}

const ArchiveFormat& writtenFormat() {
    for (const ArchiveFormat& format : archiveFormats()) {
        if (format.can(Ability::Write))
            return format;
    }
    throw std::logic_error("no archive format is written");
}

QStringList archiveMasks() {
    QStringList masks;
    for (const ArchiveFormat& format : archiveFormats())
        masks.append(u'*' + format.extension);
    return masks;
}

QString extensionsText(const QString& last, const QString& after) {
    QString text;
    const QList<ArchiveFormat>& formats = archiveFormats();
    for (qsizetype i = 0; i < formats.size(); ++i) {
        if (i > 0)
            text += i + 1 == formats.size() ? last : u", "_s;
        text += formats[i].extension + after;
    }
    return text;
}

ArchiveBackends::ArchiveBackends(platform::Dialogs* dialogs) {
    for (const ArchiveFormat& format : archiveFormats())
        backends_.push_back(format.makeBackend(dialogs));
}

ArchiveBackends::~ArchiveBackends() = default;

ArchiveBackend& ArchiveBackends::of(const ArchiveFormat& format) {
    const qsizetype row = &format - archiveFormats().constData();
    if (row < 0 || row >= qsizetype(backends_.size()))
        throw std::logic_error("not a row of the archive format table");
    return *backends_[size_t(row)];
}

ArchiveBackend* ArchiveBackends::forPath(const QString& path) {
    const ArchiveFormat* format = formatOf(path);
    return format ? &of(*format) : nullptr;
}

ExtractionLimits& ArchiveBackends::limits() {
    return of(writtenFormat()).limits();
}

void ArchiveBackends::setDefaultTarget(const QString& folder) {
    for (const std::unique_ptr<ArchiveBackend>& b : backends_)
        b->setDefaultTarget(folder);
}

} // namespace archives
