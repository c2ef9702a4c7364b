// Feeds arbitrary bytes as the transaction log a killed run left, and as
// the index of kept originals. The reader takes whole entries only and a
// log read back is written again byte for byte; the start-up recovery
// never touches a file outside the bed's game folder, whatever the log
// names, unless the log names it (it puts back only what it kept in the
// data folder); the index reader keeps only entries of its own form.
#include "core/kept_originals.h"
#include "core/transaction.h"
#include "core/txn_log.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

/// The log's steps written again: the same bytes as the entries read.
void checkRoundTrip(const QByteArray& bytes) {
    const txn::LogContent log = txn::parseLog(bytes);
    QByteArray again = txn::logHeader();
    for (const QList<txn::Op>& step : log.steps)
        again += txn::stepEntry(step);
    const txn::LogContent back = txn::parseLog(again);
    if (back.steps != log.steps || back.committed || back.tornBytes != 0)
        std::abort();
    if (log.tornBytes < 0 || log.tornBytes > bytes.size())
        std::abort();
}

void checkIndex(const QByteArray& bytes) {
    const QList<txn::KeptOriginal> entries = txn::KeptOriginals::parse(bytes);
    for (const txn::KeptOriginal& k : entries) {
        if (!k.stored.endsWith(u".orig"_s) || k.stored.contains(u'/') ||
            !k.gamePath.startsWith(u'/') || k.gamePath.contains(u"/../"_s))
            std::abort();
    }
    QByteArray again = "Quorvel kept originals 1\r\n";
    for (const txn::KeptOriginal& k : entries)
        again += k.stored.toUtf8() + '\t' + k.gamePath.toUtf8() + "\r\n";
    if (txn::KeptOriginals::parse(again) != entries)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "txn_log_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkRoundTrip(bytes);
    checkIndex(bytes);
    // The recovery of a log naming only paths below the bed: whatever it
    // holds, the log and the backups are gone afterwards.
    const txn::LogContent log = txn::parseLog(bytes);
    QTemporaryDir dir;
    AppState state;
    state.ProgramDir = dir.path();
    bool inside = true;
    for (const QList<txn::Op>& step : log.steps) {
        for (const txn::Op& op : step)
            inside = inside && op.path.startsWith(dir.path() + u"/game/"_s) &&
                     !op.path.contains(u"/.."_s) && !op.backup.contains(u"/.."_s);
    }
    if (!inside)
        return 0;
    put(txn::logPath(state), bytes);
    try {
        txn::Recover(state);
    } catch (const platform::Error&) {
        std::abort(); // a plain file in a folder of ours can always be read and removed
    }
    if (QFile::exists(txn::logPath(state)) || QFile::exists(txn::backupFolder(state)))
        std::abort();
    return 0;
}
