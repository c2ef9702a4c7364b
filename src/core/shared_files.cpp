#include "core/shared_files.h"

#include "core/content_catalogue.h"

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

void SharedFiles::writeAll(const QString& path) const {
    content_db::WriteAllShared(path, records_);
}

void SharedFiles::writeKept(const QString& path) const {
    content_db::WriteAllShared(path, kept());
}

namespace {
QString useKey(const QString& folder, const QString& fileName) {
    return folder + u'\n' + fileName.toCaseFolded();
}
} // namespace

QStringList RecordedUses::keysOf(const TContentRecord& record) const {
    QStringList keys;
    const qsizetype count = qMin<qsizetype>(record.FileCount, record.Files.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = placedFileName(record.Files[i]);
        if (name.isEmpty())
            continue;
        if (const std::optional<QString> folder = gameFolderForFile(state_, name)) {
            const QString key = useKey(*folder, name);
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
    return uses_.value(useKey(folder, fileName));
}

} // namespace core::catalogue
