// Install and uninstall of 100 small maps into a record file of 100
// records and into one of 10,000 (53 MB): the cost of a run must not grow
// with the collection. Target, both ways: the 10,000-record run takes at
// most 1.3 times the 100-record run plus one write of the 10,000-record
// file (timed alone here). Prints the figures; exits 1 when a target is
// missed.
//
//   txn_bench [folder]
//
// The folder (default: a temporary one) decides the disk measured. Best of
// three runs each.
#include "core/app_core.h"
#include "core/content_db.h"
#include "core/shared_files.h"
#include "install/install.h"
#include "install/uninstall.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"
#include "support/zip_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Maps = 100;
constexpr int Runs = 3;
constexpr double Target = 1.3;

/// Nothing is ever asked: the names never clash.
class SilentDialogs : public platform::Dialogs {
public:
    int asked = 0;
    platform::Button message(platform::MsgKind, const QString&, platform::Buttons,
                             QPoint) override {
        ++asked;
        return platform::Ok;
    }
    void plainMessage(const QString&) override { ++asked; }
    void errorMessage(const QString&) override { ++asked; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString chooseFolder(const QString&, const QString&, bool) override { return {}; }
};

TContentRecord record(const QString& name, const QString& dir, const QStringList& files,
                      bool installed) {
    TContentRecord r;
    r.ArchiveName = name;
    r.ArchiveDir = dir;
    r.DisplayName = name;
    r.Installed = installed ? 1 : 0;
    r.AddedDate = u"2024-01-01"_s;
    r.InstallDate = installed ? u"2024-01-02"_s : QString();
    r.Files = files;
    r.FileCount = qint32(files.size());
    return r;
}

/// Records of other archives, half of them installed, 20 files each.
QList<TContentRecord> fillers(int n) {
    QList<TContentRecord> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i) {
        QStringList files;
        for (int f = 0; f < 20; ++f)
            files.append(u"Filler%1_%2.utx"_s.arg(i).arg(f));
        out.append(record(u"DM-Filler%1.zip"_s.arg(i), u"/nowhere/"_s, files, i % 2 == 0));
    }
    return out;
}

struct Times {
    double install = 1e9;
    double uninstall = 1e9;
};

struct Bed {
    QString root;
    QString archives;
    QList<TContentRecord> ours;
    QStringList names;
};

Times measure(const Bed& bed, int size) {
    SilentDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    AppState& s = core.state;
    s.ProgramDir = bed.root + u"/prog%1"_s.arg(size);
    s.TempDir = s.ProgramDir + u"/Temp"_s;
    QDir().mkpath(s.TempDir);
    const QList<TContentRecord> records = fillers(size - Maps) + bed.ours;
    Times t;
    for (int run = 0; run < Runs; ++run) {
        const QString game = bed.root + u"/game%1"_s.arg(size);
        QDir(game).removeRecursively();
        for (const char16_t* sub : {u"System", u"Maps", u"Textures"})
            QDir().mkpath(game + u'/' + QString::fromUtf16(sub));
        s.setGameDir(game);
        content_db::WriteAll(s.mapDataPath(), records);
        content_db::WriteAll(s.modDataPath(), {});
        content_db::WriteAllShared(s.sharedDataPath(), {});
        core.beginCommand();
        QElapsedTimer timer;
        timer.start();
        const install::InstallResult in =
            install::InstallArchives(core.context(), catalogue::ContentKind::Maps,
                                     catalogue::firstEntries(bed.names), false);
        t.install = std::min(t.install, double(timer.nsecsElapsed()) / 1e9);
        if (!in.ok || in.ProgressDone != 2 * Maps || dialogs.asked != 0) {
            std::fprintf(stderr, "the install went wrong: %s\n", qPrintable(status.status()));
            std::exit(2);
        }
        core.beginCommand();
        timer.restart();
        const install::UninstallResult out =
            install::UninstallArchives(core.context(), catalogue::ContentKind::Maps,
                                       catalogue::firstEntries(bed.names), false);
        t.uninstall = std::min(t.uninstall, double(timer.nsecsElapsed()) / 1e9);
        if (out.ProgressDone != 2 * Maps || !QDir(game + u"/Maps"_s).isEmpty()) {
            std::fprintf(stderr, "the uninstall went wrong: %s\n", qPrintable(status.status()));
            std::exit(2);
        }
    }
    return t;
}

/// One atomic write of the 10,000-record file, alone; and, for the
/// record, one read of it and the users of its files counted.
double oneWrite(const Bed& bed) {
    const QList<TContentRecord> records = fillers(10'000 - Maps) + bed.ours;
    double best = 1e9;
    double read = 1e9;
    double uses = 1e9;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        content_db::WriteAll(bed.root + u"/alone.dat"_s, records);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
        timer.restart();
        const QList<TContentRecord> back = content_db::ReadAll(bed.root + u"/alone.dat"_s);
        read = std::min(read, double(timer.nsecsElapsed()) / 1e9);
        timer.restart();
        AppState s;
        s.setGameDir(bed.root + u"/game"_s);
        catalogue::RecordedUses counted(s);
        counted.addInstalled(back);
        uses = std::min(uses, double(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("one read of the 10,000-record file: %.3f s; its users counted: %.3f s\n", read,
                uses);
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + u"/txn-bench-XXXXXX"_s
                                : QDir::tempPath() + u"/txn-bench-XXXXXX"_s);
    if (!temp.isValid())
        return 2;
    Bed bed{temp.path(), temp.path() + u"/archives/"_s, {}, {}};
    QDir().mkpath(bed.archives);
    for (int i = 0; i < Maps; ++i) {
        const QString name = u"DM-Bench%1.zip"_s.arg(i);
        testing_support::ZipBuilder zip;
        zip.file(u"DM-Bench%1.ut2"_s.arg(i), QByteArray(4096, char('a' + i % 26)))
            .file(u"Bench%1.utx"_s.arg(i), QByteArray(4096, char('A' + i % 26)));
        if (!zip.write(bed.archives + name))
            return 2;
        bed.ours.append(record(name, bed.archives,
                               {u"DM-Bench%1.ut2"_s.arg(i), u"Bench%1.utx"_s.arg(i)}, false));
        bed.names.append(name);
    }
    const Times small = measure(bed, Maps);
    const Times large = measure(bed, 10'000);
    const double write = oneWrite(bed);
    std::printf("100 maps into %d records:     install %.3f s, uninstall %.3f s\n", Maps,
                small.install, small.uninstall);
    std::printf("100 maps into 10,000 records: install %.3f s, uninstall %.3f s\n", large.install,
                large.uninstall);
    std::printf("one write of the 10,000-record file: %.3f s\n", write);
    const double installLimit = Target * small.install + write;
    const double uninstallLimit = Target * small.uninstall + write;
    std::printf("install:   %.3f s against at most %.3f s (ratio to the 100-record run %.2f)\n",
                large.install, installLimit, large.install / small.install);
    std::printf("uninstall: %.3f s against at most %.3f s (ratio to the 100-record run %.2f)\n",
                large.uninstall, uninstallLimit, large.uninstall / small.uninstall);
    return large.install <= installLimit && large.uninstall <= uninstallLimit ? 0 : 1;
}
