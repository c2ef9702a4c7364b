#include "archive/safe_path.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace archives {

QStringList safeEntryParts(const QString& entryName) {
    QString name = entryName;
    name.replace(u'\\', u'/');
    // A drive letter ("C:") makes a Windows path absolute; drop it.
    static const QRegularExpression drive(u"^[A-Za-z]:"_s);
    name.remove(drive);
    QStringList parts;
    const QStringList raw = name.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : raw) {
        if (part == u"."_s || part == u".."_s)
            continue;
        // A colon is legal here but stands for a drive or stream on the
        // archive's home system; keep the text, it cannot escape.
        parts.append(part);
    }
    return parts;
}

QString confinedTarget(const QString& base, const QString& entryName, bool keepFolders) {
    const QStringList parts = safeEntryParts(entryName);
    if (parts.isEmpty())
        return {};
    const QString relative = keepFolders ? parts.join(u'/') : parts.last();
    // An empty base is the working folder, never the file system root. It
    // is named in full: Qt takes a bare name starting with ":" (an entry
    // ":/icons/x.svg") for one of the program's resources.
    QString root = base.isEmpty() ? QDir::currentPath() : base;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    return root == u"/"_s ? root + relative : root + u'/' + relative;
}

namespace {

qint64 saturatingAdd(qint64 a, qint64 b) {
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max() : a + b;
}

QString sizeText(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes);
}

} // namespace

qint64 freeSpaceOf(const QString& folder) {
    // The folder may not exist yet (rar creates its target); what counts is
    // the file system it will be made on.
    QFileInfo at(QDir(folder.isEmpty() ? QDir::currentPath() : folder).absolutePath());
    while (!at.exists() && !at.isRoot())
        at.setFile(at.absolutePath());
    const QStorageInfo storage(at.absoluteFilePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

ExtractionBudget::ExtractionBudget(const ExtractionLimits& limits, const QString& folder)
    : folder_(folder), free_(limits.freeSpace ? limits.freeSpace(folder) : freeSpaceOf(folder)) {}

void ExtractionBudget::addFile(quint64 declaredSize) {
    constexpr quint64 limit = quint64(std::numeric_limits<qint64>::max()) - BlockSize;
    const quint64 size = std::min(declaredSize, limit);
    total_ = saturatingAdd(total_, qint64((size + BlockSize - 1) / BlockSize * BlockSize));
    bytes_ = saturatingAdd(bytes_, qint64(size));
}

void ExtractionBudget::addBytes(qint64 bytes) {
    total_ = saturatingAdd(total_, std::max<qint64>(bytes, 0));
    bytes_ = saturatingAdd(bytes_, std::max<qint64>(bytes, 0));
}

qint64 ExtractionLimits::allowedBytes(qint64 archiveSize) const {
    const qint64 size = std::max<qint64>(archiveSize, 0);
    const qint64 ratio = std::max<qint64>(maxRatio, 0);
    const qint64 byRatio = ratio != 0 && size > std::numeric_limits<qint64>::max() / ratio
                               ? std::numeric_limits<qint64>::max()
                               : size * ratio;
    return std::min(std::max<qint64>(maxBytes, 0), byRatio);
}

QString tooLargeText(const QString& archive, qint64 bytes, qint64 allowed, bool beforeWriting) {
    return (beforeWriting ? u"Nothing was extracted from\r"_s : u"The extraction of\r"_s) +
           archive +
           (beforeWriting ? u"\rIt would write %1, "_s : u"\rwas stopped: it wrote %1, "_s)
               .arg(sizeText(bytes)) +
           u"more than the %1 an archive of its size may write: it is damaged or made to "
           u"fill the disk. Delete it, or ask its maker for a sound copy."_s.arg(sizeText(allowed));
}

qint64 ExtractionBudget::reserve() const {
    // ReservePercent of the total, rounded up, without overflowing.
    const qint64 share = total_ / 100 * ReservePercent + (total_ % 100 * ReservePercent + 99) / 100;
    return std::max(MinReserve, share);
}

bool ExtractionBudget::fits() const {
    return free_ < 0 || saturatingAdd(total_, reserve()) <= free_;
}

QString ExtractionBudget::shortageText() const {
    return u"It needs %1 (%2 of them kept in reserve), but only %3 are free on the disk of\r%4"_s
        .arg(sizeText(saturatingAdd(total_, reserve())), sizeText(reserve()),
             sizeText(std::max<qint64>(free_, 0)), folder_);
}

PendingFile::PendingFile(const QString& target) : target_(target) {}

PendingFile::~PendingFile() {
    if (committed_ || file_.fileName().isEmpty())
        return;
    file_.close();
    QFile::remove(file_.fileName());
}

bool PendingFile::open() {
    // A short name of its own, whatever the length of the target's name;
    // NewOnly never takes over a file that is already there.
    const QString folder = QFileInfo(target_).path();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const quint32 tag = QRandomGenerator::global()->generate();
        file_.setFileName(folder + u"/.quorvel-"_s + QString::number(tag, 16) + u".part"_s);
        if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!QFileInfo::exists(file_.fileName()))
            break; // not a clash of names: another name would fail alike
    }
    error_ = file_.errorString();
    file_.setFileName(QString());
    return false;
}

bool PendingFile::commit() {
    if (file_.fileName().isEmpty()) {
        error_ = u"The file was never opened"_s;
        return false;
    }
    if (file_.isOpen()) {
        const bool flushed = file_.flush();
        file_.close();
        if (!flushed || file_.error() != QFileDevice::NoError) {
            error_ = file_.errorString();
            return false;
        }
    }
    // rename(2) replaces a file at the target in one step; one standing
    // there as a link is replaced itself, never followed.
    if (::rename(QFile::encodeName(file_.fileName()).constData(),
                 QFile::encodeName(target_).constData()) != 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace archives
