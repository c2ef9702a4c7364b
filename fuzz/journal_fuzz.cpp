// Feeds arbitrary bytes as the journal of an interrupted record write to
// the start-up recovery. A journal that is not whole and sealed is
// dropped without touching sharedfiles.dat; a sealed one for the record
// file as it is writes its counts; the journal is gone either way.
#include "core/record_journal.h"
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
QByteArray get(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "journal_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    AppState state;
    state.ProgramDir = dir.path();
    // The seed corpus holds journals sealed for an empty mapdata.dat.
    put(state.mapDataPath(), {});
    const QByteArray shared(56, '\0');
    put(state.sharedDataPath(), shared);
    put(record_journal::journalPath(state),
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        const record_journal::Recovery outcome = record_journal::RecoverInterruptedWrite(state);
        if (outcome != record_journal::Recovery::Finished && get(state.sharedDataPath()) != shared)
            std::abort();
        if (get(state.sharedDataPath()).size() % TSharedFileRecord::RecordSize != 0)
            std::abort();
    } catch (const platform::Error&) {
        std::abort(); // the journal is a plain file here: it can always be removed
    }
    if (QFile::exists(record_journal::journalPath(state)))
        std::abort();
    return 0;
}
