#include "archive/rar_common.h"

#include "archive/safe_path.h"
#include "archive/unrar_binding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace archives {

namespace {

bool isInside(const QString& canonicalBase, const QString& canonicalPath) {
    if (canonicalBase.isEmpty() || canonicalPath.isEmpty())
        return false;
    if (canonicalPath == canonicalBase)
        return true;
    const QString prefix = canonicalBase.endsWith(u'/') ? canonicalBase : canonicalBase + u'/';
    return canonicalPath.startsWith(prefix);
}

} // namespace

QString normalisedRarEntryName(QString name) {
    name.replace(u'\\', u'/');
    while (name.size() > 1 && name.endsWith(u'/'))
        name.chop(1);
    return name;
}

qsizetype RarFileList::lowerBound(const QString& name) const {
    const auto it = std::lower_bound(names_.cbegin(), names_.cend(), name,
                                     [](const QString& a, const QString& b) {
                                         return QString::compare(a, b, Qt::CaseInsensitive) < 0;
                                     });
    return it - names_.cbegin();
}

void RarFileList::add(const QString& name) {
    const QString normalised = QString(name).replace(u'\\', u'/');
    const qsizetype at = lowerBound(normalised);
    if (at < names_.size() && QString::compare(names_.at(at), normalised, Qt::CaseInsensitive) == 0)
        return;
    names_.insert(at, normalised);
}

bool RarFileList::contains(const QString& name) const {
    const QString normalised = QString(name).replace(u'\\', u'/');
    const qsizetype at = lowerBound(normalised);
    return at < names_.size() &&
           QString::compare(names_.at(at), normalised, Qt::CaseInsensitive) == 0;
}

RarEntryTarget prepareRarEntryTarget(const QString& base, const QString& entryName, bool isFolder) {
    // An empty target folder means the working folder, as the library would
    // take it; never the file system root.
    const QString root = QDir(base.isEmpty() ? QDir::currentPath() : base).absolutePath();
    const QString target = confinedTarget(root, entryName, true);
    if (target.isEmpty())
        return {RarEntryTarget::Skip, {}};
    const QString folder = isFolder ? target : QFileInfo(target).path();
    if (!QDir().mkpath(folder))
        return {RarEntryTarget::Fail, target};
    // The name itself cannot climb out (confinedTarget), but a link that
    // already stands in the target folder could lead there.
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (!isInside(canonicalRoot, canonicalFolder))
        return {RarEntryTarget::Fail, target};
    if (!isFolder && QFileInfo(target).isSymLink() && !QFile::remove(target))
        return {RarEntryTarget::Fail, target};
    return {RarEntryTarget::Write, target};
}

int copyRarReference(const QString& base, const QString& referenceName, const QString& targetPath) {
    constexpr int EReference = 23;
    const QString root = QDir(base.isEmpty() ? QDir::currentPath() : base).absolutePath();
    const QString source = confinedTarget(root, referenceName, true);
    const QFileInfo info(source);
    if (source.isEmpty() || info.isSymLink() || !info.isFile() || source == targetPath)
        return EReference;
    if (!isInside(QFileInfo(root).canonicalFilePath(), info.canonicalFilePath()))
        return EReference;
    if (QFileInfo::exists(targetPath) && !QFile::remove(targetPath))
        return EReference;
    return QFile::copy(source, targetPath) ? 0 : EReference;
}

void dropSpecialModeBits(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const mode_t special = S_ISUID | S_ISGID | S_ISVTX;
    if ((st.st_mode & special) != 0)
        ::chmod(name.constData(), st.st_mode & 0777);
}

qsizetype rarScanLimit(const ExtractionLimits& limits) {
    constexpr qint64 ListingEntries = 100000;
    constexpr qint64 MostEntries = 10000000;
    return qsizetype(
        std::max(ListingEntries, std::clamp<qint64>(limits.maxEntries, 0, MostEntries) + 1));
}

RarExtractGuard::RarExtractGuard(const ExtractionLimits& limits, const QString& archivePath,
                                 const QString& targetDir)
    : limits_(limits), archive_(archivePath), budget_(limits, targetDir),
      allowed_(limits.allowedBytes(QFileInfo(archivePath).size())) {}

int RarExtractGuard::checkSize(const ExtractionBudget& budget, bool beforeWriting) {
    if (budget.bytes() <= allowed_)
        return 0;
    return stop(rarcode::TooLarge, tooLargeText(archive_, budget.bytes(), allowed_, beforeWriting));
}

int RarExtractGuard::stop(int code, const QString& text) {
    if (stopCode_ == 0) {
        stopCode_ = code;
        reason_ = text;
    }
    return stopCode_;
}

int RarExtractGuard::tooManyEntries(qint64 count) {
    return stop(rarcode::TooManyEntries,
                u"Nothing was extracted from\r"_s + archive_ +
                    u"\rIt holds %1 entries, more than the %2 one archive may hold: it is "
                    u"damaged or made to do harm. Delete it, or ask its maker for a sound copy."_s
                        .arg(count)
                        .arg(limits_.maxEntries));
}

int RarExtractGuard::noSpace(const ExtractionBudget& budget, bool beforeWriting) {
    return stop(
        rarcode::NotEnoughSpace,
        u"Not enough free disk space to extract\r"_s + archive_ + u"\r"_s + budget.shortageText() +
            (beforeWriting ? u"\rNothing was extracted."_s : u"\rThe extraction was stopped."_s) +
            u" Free some disk space and try again."_s);
}

int RarExtractGuard::checkHeaders(const RarHeaderFacts& facts,
                                  const std::function<bool(const QString&)>& selected) {
    if (facts.entries.size() > limits_.maxEntries)
        return tooManyEntries(facts.entries.size());
    ExtractionBudget planned = budget_;
    for (const RarHeaderFacts::Entry& entry : facts.entries) {
        // RAR4 marks a size it does not know (a file archived from a pipe)
        // with all ones, which the scan passes on as a size: such data is
        // counted while it is written.
        const bool unknown =
            !entry.sizeKnown || (!facts.rar5 && (entry.unpackedSize == 0xFFFFFFFFu ||
                                                 entry.unpackedSize == ~quint64(0)));
        if (!entry.folder && !unknown && selected(normalisedRarEntryName(entry.name)))
            planned.addFile(entry.unpackedSize);
    }
    if (const int code = checkSize(planned, true))
        return code;
    return planned.fits() ? 0 : noSpace(planned, true);
}

int RarExtractGuard::countHeader() {
    if (++headers_ > limits_.maxEntries)
        return tooManyEntries(headers_);
    return 0;
}

int RarExtractGuard::beginEntry(const QString& entryName, qint64 declaredSize) {
    entry_ = entryName;
    declared_ = declaredSize;
    written_ = 0;
    if (declaredSize >= 0) {
        budget_.addFile(quint64(declaredSize));
        if (const int code = checkSize(budget_, false))
            return code;
        if (!budget_.fits())
            return noSpace(budget_, false);
    }
    return 0;
}

int RarExtractGuard::data(qint64 bytes) {
    if (stopCode_ != 0)
        return stopCode_;
    written_ += bytes;
    if (declared_ >= 0 && written_ > declared_)
        return stop(
            rarcode::BadData,
            u"Cannot extract\r"_s + entry_ + u"\rfrom "_s + archive_ +
                u"\rIts data goes on past the %1 bytes its header declares: the archive "
                u"is damaged or made to do harm. The file was not written."_s.arg(declared_));
    if (declared_ < 0) {
        budget_.addBytes(bytes);
        if (const int code = checkSize(budget_, false))
            return code;
        if (!budget_.fits())
            return noSpace(budget_, false);
    }
    return 0;
}

} // namespace archives
