#include "install/shared_files.h"

namespace install {

namespace {
/// Names are stored in string[50]: compare as they read back, as the
/// install does when it registers them.
QByteArray storedName(const QString& name) {
    return record_text::encode(name, 50);
}
} // namespace

SharedFiles SharedFiles::load(const QString& path) {
    return SharedFiles(content_db::ReadAllShared(path));
}

bool SharedFiles::release(const QString& fileName) {
    const QByteArray key = storedName(fileName);
    for (TSharedFileRecord& r : records_) {
        if (storedName(r.FileName) != key)
            continue;
        --r.RefCount;
        return r.RefCount <= 0;
    }
    return true;
}

QList<TSharedFileRecord> SharedFiles::kept() const {
    QList<TSharedFileRecord> out;
    for (const TSharedFileRecord& r : records_) {
        if (r.RefCount > 1)
            out.append(r);
    }
    return out;
}

void SharedFiles::save(const QString& path) const {
    content_db::WriteAllShared(path, kept());
}

} // namespace install
