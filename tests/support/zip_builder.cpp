#include "support/zip_builder.h"

#include <QFile>
#include <QtEndian>

#include <zip.h>

#include <sys/stat.h>

namespace testing_support {

ZipBuilder& ZipBuilder::file(const QString& name, const QByteArray& data, bool store) {
    entries_.append({name, data, Entry::File, store});
    return *this;
}

ZipBuilder& ZipBuilder::folder(const QString& name) {
    entries_.append({name, {}, Entry::Folder, false});
    return *this;
}

ZipBuilder& ZipBuilder::symlink(const QString& name, const QString& target) {
    entries_.append({name, target.toUtf8(), Entry::Link, true});
    return *this;
}

ZipBuilder& ZipBuilder::comment(const QByteArray& text) {
    comment_ = text;
    return *this;
}

bool ZipBuilder::write(const QString& path) const {
    QFile::remove(path);
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &code);
    if (archive == nullptr)
        return false;
    bool ok = true;
    for (const Entry& e : entries_) {
        const QByteArray name = e.name.toUtf8();
        zip_int64_t index = -1;
        if (e.kind == Entry::Folder) {
            index = zip_dir_add(archive, name.constData(), ZIP_FL_ENC_GUESS);
        } else {
            zip_source_t* source =
                zip_source_buffer(archive, e.data.constData(), zip_uint64_t(e.data.size()), 0);
            index = source ? zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_GUESS) : -1;
            if (index < 0 && source)
                zip_source_free(source);
        }
        if (index < 0) {
            ok = false;
            break;
        }
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 e.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
        if (e.kind == Entry::Link)
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(S_IFLNK | 0777) << 16);
    }
    if (ok && !comment_.isEmpty())
        ok = zip_set_archive_comment(archive, comment_.constData(),
                                     zip_uint16_t(comment_.size())) == 0;
    if (!ok) {
        zip_discard(archive);
        return false;
    }
    // zip_source_buffer does not copy: the entries live until zip_close.
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        return false;
    }
    return true;
}

QList<ZipEntryInfo> readZip(const QString& path) {
    QList<ZipEntryInfo> out;
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (archive == nullptr)
        return out;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        ZipEntryInfo info;
        zip_stat_t st;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) == 0) {
            info.name = QString::fromUtf8(st.name);
            info.compMethod = st.comp_method;
            info.size = qint64(st.size);
        }
        if (zip_file_t* f = zip_fopen_index(archive, zip_uint64_t(i), 0)) {
            char buffer[4096];
            zip_int64_t got = 0;
            while ((got = zip_fread(f, buffer, sizeof buffer)) > 0)
                info.data.append(buffer, got);
            zip_fclose(f);
        }
        out.append(info);
    }
    zip_discard(archive);
    return out;
}

bool patchZipSizes(QByteArray& zip, const QString& name, quint32 uncompressed, qint64 compressed) {
    const QByteArray wanted = name.toUtf8();
    const auto put32 = [&zip](qsizetype at, quint32 value) {
        qToLittleEndian(value, zip.data() + at);
    };
    // Central headers: sizes at 20 and 24, name length at 28, local header
    // offset at 42, name at 46. Local headers: sizes at 18 and 22.
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0 && at + 46 <= zip.size();
         at = zip.indexOf("PK\x01\x02", at + 4)) {
        const quint16 nameLength = qFromLittleEndian<quint16>(zip.constData() + at + 28);
        if (zip.mid(at + 46, nameLength) != wanted)
            continue;
        const quint32 local = qFromLittleEndian<quint32>(zip.constData() + at + 42);
        if (qsizetype(local) + 30 > zip.size() || zip.mid(local, 4) != "PK\x03\x04")
            return false;
        put32(at + 24, uncompressed);
        put32(local + 22, uncompressed);
        if (compressed >= 0) {
            put32(at + 20, quint32(compressed));
            put32(local + 18, quint32(compressed));
        }
        return true;
    }
    return false;
}

} // namespace testing_support
