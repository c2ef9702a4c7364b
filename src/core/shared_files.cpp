#include "core/shared_files.h"

#include "core/content_catalogue.h"
#include "platform/atomic_file.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace core::catalogue {

namespace {
/// Names are stored in string[50]: compare them as they read back, and
/// ignoring case, as the game finds its files (Shared.utx and SHARED.UTX
/// are one file).
QString storedName(const QString& name) {
    return QString::fromUtf8(record_text::encode(name, 50)).toCaseFolded();
}
} // namespace

SharedFiles SharedFiles::load(const QString& path) {
    return SharedFiles(content_db::ReadAllShared(path));
}

SharedFiles SharedFiles::loadIfThere(const QString& path) {
    return QFileInfo::exists(path) ? load(path) : SharedFiles({});
}

QList<SharedFiles::Count> SharedFiles::counts() const {
    QList<Count> out;
    out.reserve(records_.size());
    for (const TSharedFileRecord& r : records_)
        out.append({r.FileName, r.RefCount});
    return out;
}

void SharedFiles::registerExisting(const QStringList& names) {
    const qsizetype loaded = records_.size();
    QList<QString> loadedNames;
    loadedNames.reserve(loaded);
    for (const TSharedFileRecord& r : std::as_const(records_))
        loadedNames.append(storedName(r.FileName));
    for (const QString& name : names) {
        const QString key = storedName(name);
        bool found = false;
        for (qsizetype i = 0; i < loaded; ++i) {
            if (loadedNames[i] == key) {
                ++records_[i].RefCount;
                found = true;
            }
        }
        if (!found) {
            TSharedFileRecord rec;
            rec.FileName = name;
            rec.RefCount = 2;
            records_.append(rec);
        }
    }
}

qsizetype SharedFiles::indexOf(const QString& fileName) const {
    const QString key = storedName(fileName);
    for (qsizetype i = 0; i < records_.size(); ++i) {
        if (storedName(records_[i].FileName) == key)
            return i;
    }
    return -1;
}

bool SharedFiles::release(const QString& fileName) {
    const qsizetype i = indexOf(fileName);
    if (i < 0)
        return true;
    --records_[i].RefCount;
    return records_[i].RefCount <= 0;
}

qint32 SharedFiles::count(const QString& fileName) const {
    const qsizetype i = indexOf(fileName);
    return i < 0 ? 0 : records_[i].RefCount;
}

QList<TSharedFileRecord> SharedFiles::kept() const {
    QList<TSharedFileRecord> out;
    for (const TSharedFileRecord& r : records_) {
        if (r.RefCount > 1)
            out.append(r);
    }
    return out;
}

QByteArray SharedFiles::toBytes() const {
    QByteArray bytes;
    bytes.reserve(records_.size() * RecordSize);
    for (const TSharedFileRecord& rec : records_)
        bytes += rec.toBytes();
    return bytes;
}

void SharedFiles::writeAll(const QString& path) const {
    content_db::WriteAllShared(path, records_);
}

void SharedFiles::writeKept(const QString& path) const {
    content_db::WriteAllShared(path, kept());
}

txn::Transaction::Rewrite SharedFiles::commitRewrite(const AppState& state) const {
    return {state.sharedDataPath(), [this](platform::AtomicFile& out) {
                for (const TSharedFileRecord& r : records_) {
                    if (r.RefCount > 1)
                        out.writeAll(r.toBytes());
                }
            }};
}

int SharedFiles::repair(const QHash<qsizetype, qint32>& repaired, const QString& path) {
    int changed = 0;
    for (auto it = repaired.constBegin(); it != repaired.constEnd(); ++it) {
        if (it.key() < 0 || it.key() >= records_.size())
            continue;
        qint32& count = records_[it.key()].RefCount;
        if (count != it.value())
            ++changed;
        count = it.value();
    }
    // A count below 2 names a file with one user at most: no record.
    const QList<TSharedFileRecord> keep = kept();
    if (changed > 0 || keep.size() != records_.size())
        content_db::WriteAllShared(path, keep);
    records_ = keep;
    return changed;
}

QString gameFileKey(const QString& folder, const QString& fileName) {
    return folder + u'\n' + fileName.toCaseFolded();
}

QStringList RecordedUses::keysOf(const TContentRecord& record) const {
    QStringList keys;
    const qsizetype count = qMin<qsizetype>(record.FileCount, record.Files.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = placedFileName(record.Files[i]);
        if (name.isEmpty())
            continue;
        if (const std::optional<QString> folder = gameFolderForFile(state_, name)) {
            const QString key = gameFileKey(*folder, name);
            if (!keys.contains(key))
                keys.append(key);
        }
    }
    return keys;
}

void RecordedUses::addInstalled(const QList<TContentRecord>& records) {
    for (const TContentRecord& r : records) {
        if (r.Installed == 1 && isListed(r))
            add(r);
    }
}

void RecordedUses::add(const TContentRecord& record) {
    for (const QString& key : keysOf(record))
        ++uses_[key];
}

void RecordedUses::remove(const TContentRecord& record) {
    for (const QString& key : keysOf(record)) {
        const auto it = uses_.find(key);
        if (it != uses_.end() && --it.value() <= 0)
            uses_.erase(it);
    }
}

int RecordedUses::uses(const QString& folder, const QString& fileName) const {
    return uses_.value(gameFileKey(folder, fileName));
}

} // namespace core::catalogue
