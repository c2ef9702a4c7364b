#include "core/record_journal.h"

#include "core/content_kinds.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/io_errors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace core::record_journal {

namespace {

// Layout, integers little-endian:
//   magic, u16 name length, name (UTF-8: the record file's name),
//   u64 record file size, SHA-256 of the record file,
//   u64 length of the new sharedfiles.dat, its bytes,
//   SHA-256 of everything before it.
constexpr QByteArrayView Magic = "QUORVEL-PAIRWRITE-1\n";
constexpr auto Hash = QCryptographicHash::Sha256;
constexpr qsizetype HashSize = 32;
// Far above any sharedfiles.dat; a larger journal is not ours.
constexpr qint64 MaxJournalBytes = qint64(catalogue::SharedFiles::RecordSize) * 2'000'000;

struct Fingerprint {
    quint64 size = 0;
    QByteArray sha;
    bool operator==(const Fingerprint&) const = default;
};

template <typename T> void appendLE(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

QByteArray journalBytes(const QString& recordName, const Fingerprint& print,
                        const QByteArray& shared) {
    QByteArray out(Magic.data(), Magic.size());
    const QByteArray name = recordName.toUtf8();
    appendLE<quint16>(out, quint16(name.size()));
    out += name;
    appendLE<quint64>(out, print.size);
    out += print.sha;
    appendLE<quint64>(out, quint64(shared.size()));
    out += shared;
    out += QCryptographicHash::hash(out, Hash);
    return out;
}

struct Journal {
    QString recordName;
    Fingerprint print;
    QByteArray shared;
};

/// The journal read back; nullopt when it is not one this program wrote
/// whole (every length is checked before it is used).
std::optional<Journal> parseJournal(const QByteArray& bytes) {
    if (bytes.size() < Magic.size() + HashSize || !bytes.startsWith(Magic))
        return std::nullopt;
    const QByteArrayView body = QByteArrayView(bytes).first(bytes.size() - HashSize);
    if (QCryptographicHash::hash(body, Hash) != bytes.right(HashSize))
        return std::nullopt;
    qsizetype at = Magic.size();
    auto take = [&](qsizetype n) -> std::optional<QByteArrayView> {
        if (n < 0 || n > body.size() - at)
            return std::nullopt;
        const QByteArrayView part = body.sliced(at, n);
        at += n;
        return part;
    };
    Journal j;
    const auto nameLength = take(2);
    if (!nameLength)
        return std::nullopt;
    const auto name = take(qFromLittleEndian<quint16>(nameLength->data()));
    const auto size = take(8);
    const auto sha = take(HashSize);
    const auto sharedLength = take(8);
    if (!name || !size || !sha || !sharedLength)
        return std::nullopt;
    const quint64 sharedSize = qFromLittleEndian<quint64>(sharedLength->data());
    if (sharedSize % catalogue::SharedFiles::RecordSize != 0 ||
        sharedSize > quint64(MaxJournalBytes))
        return std::nullopt;
    const auto shared = take(qsizetype(sharedSize));
    if (!shared || at != body.size())
        return std::nullopt;
    j.recordName = QString::fromUtf8(*name);
    j.print = {qFromLittleEndian<quint64>(size->data()), sha->toByteArray()};
    j.shared = shared->toByteArray();
    return j;
}

/// The fingerprint of the file as it is now; nullopt when it cannot be read.
std::optional<Fingerprint> fingerprintOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(Hash);
    if (!hash.addData(&file))
        return std::nullopt;
    return Fingerprint{quint64(file.size()), hash.result()};
}

/// Only the program's own record files are ever named by a journal.
bool isRecordFileName(const AppState& state, const QString& name) {
    const QStringList files = catalogue::recordFiles(state);
    return std::any_of(files.cbegin(), files.cend(),
                       [&name](const QString& path) { return name == QFileInfo(path).fileName(); });
}

/// The journal is written, then the record file replaced by `fill`'s
/// bytes, then sharedfiles.dat, then the journal removed.
template <typename Fill>
void writePair(const AppState& state, const QString& recordPath, const SharedCounts& shared,
               Fill fill) {
    const QString name = QFileInfo(recordPath).fileName();
    if (QFileInfo(recordPath).absolutePath() != QFileInfo(state.mapDataPath()).absolutePath() ||
        !isRecordFileName(state, name))
        throw platform::Error(u"Not a record file of this program: %1"_s.arg(recordPath));
    platform::AtomicFile records(recordPath);
    records.openForWriting();
    QCryptographicHash hash(Hash);
    fill([&](const char* data, qint64 size) {
        records.writeAll(data, size);
        hash.addData(QByteArrayView(data, size));
    });
    if (!shared) {
        records.commit();
        return;
    }
    const QByteArray counts = shared->toBytes();
    const Fingerprint print{quint64(records.written()), hash.result()};
    platform::writeFileAtomically(journalPath(state), journalBytes(name, print, counts));
    records.commit();
    platform::writeFileAtomically(state.sharedDataPath(), counts);
    // A journal that stays (a failed removal) is finished again at the
    // next start with the same counts: harmless.
    QFile::remove(journalPath(state));
}

void removeLeftTemporaries(const AppState& state) {
    const QDir dir(state.ProgramDir);
    const QStringList left =
        dir.entryList({u"*.quorvel-??????"_s}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : left)
        QFile::remove(dir.filePath(name));
}

} // namespace

QString journalPath(const AppState& state) {
    return state.ProgramDir + u"/pairwrite.journal"_s;
}

void WriteRecordsAndShared(const AppState& state, const QString& recordPath,
                           const QList<TContentRecord>& records, const SharedCounts& shared) {
    writePair(state, recordPath, shared,
              [&](const auto& sink) { content_db::EncodeRecords(records, sink); });
}

void WriteBytesAndShared(const AppState& state, const QString& recordPath,
                         const QByteArray& recordBytes, const SharedCounts& shared) {
    writePair(state, recordPath, shared,
              [&](const auto& sink) { sink(recordBytes.constData(), recordBytes.size()); });
}

Recovery RecoverInterruptedWrite(const AppState& state) {
    removeLeftTemporaries(state);
    const QString path = journalPath(state);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Recovery::NothingPending;
    std::optional<Journal> journal;
    if (info.isFile() && !info.isSymLink() && info.size() <= MaxJournalBytes) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            journal = parseJournal(file.readAll());
    }
    Recovery outcome = Recovery::Dropped;
    if (journal && isRecordFileName(state, journal->recordName) &&
        fingerprintOf(state.ProgramDir + u'/' + journal->recordName) == journal->print) {
        platform::writeFileAtomically(state.sharedDataPath(), journal->shared);
        outcome = Recovery::Finished;
    }
    QFile journalFile(path);
    if (!journalFile.remove())
        throw platform::Error(
            u"Couldn't remove %1 (%2). Remove it, then start Quorvel again."_s.arg(
                path, journalFile.errorString()));
    return outcome;
}

} // namespace core::record_journal
