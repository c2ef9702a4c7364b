// How long the Maps page takes to show 10,000 records: loading mapdata.dat
// into the two lists (the loader plus filling the list widgets), against
// reading the same file from disk. Plain timed program, best of runs.
#include "core/app_core.h"
#include "core/command_boundary.h"
#include "core/content_db.h"
#include "gui/maps_page.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

/// No dialog is expected; any would be a failure of the run.
class NoDialogs : public platform::Dialogs {
public:
    platform::Button message(platform::MsgKind, const QString&, platform::Buttons,
                             QPoint) override {
        return platform::Cancel;
    }
    void plainMessage(const QString& t) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    void errorMessage(const QString& t) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString chooseFolder(const QString&, const QString&, bool) override { return {}; }
};

double bestMs(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int Records = 10000;
    QTemporaryDir dir;
    NoDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    core.state.ProgramDir = dir.path();
    core.state.StartingUp = false;
    static const QStringList prefixes = {u"DM"_s, u"CTF"_s, u"ONS"_s, u"BR"_s, u"AS"_s};
    QList<TContentRecord> all;
    for (int i = 0; i < Records; ++i) {
        TContentRecord r;
        r.ArchiveName = prefixes[i % prefixes.size()] + u"-Map%1.zip"_s.arg(Records - i);
        r.ArchiveDir = u"/home/player/maps/"_s;
        r.DisplayName = r.ArchiveName.chopped(4);
        r.Installed = i % 3 == 0;
        r.AddedDate = u"2026-12-08"_s;
        for (int f = 0; f < 8; ++f)
            r.Files.append(u"File%1.utx"_s.arg(f));
        r.FileCount = int(r.Files.size());
        all.append(r);
    }
    content_db::WriteAll(core.state.mapDataPath(), all);
    CommandBoundary commands(core.state, {});
    MapsPage page(core.context(), commands);

    const double readFile = bestMs(5, [&] {
        QFile f(core.state.mapDataPath());
        if (f.open(QIODevice::ReadOnly))
            (void)f.readAll();
    });
    const double readAll = bestMs(5, [&] { (void)content_db::ReadAll(core.state.mapDataPath()); });
    const double load = bestMs(5, [&] { page.loadLists(); });
    std::printf("records: %d (%lld bytes)\n", Records,
                static_cast<long long>(QFile(core.state.mapDataPath()).size()));
    std::printf("read the file:             %8.1f ms\n", readFile);
    std::printf("read the records:          %8.1f ms\n", readAll);
    std::printf("load and fill the lists:   %8.1f ms  (%.2fx the file read)\n", load,
                load / readFile);
    std::printf("status: %s\n", qPrintable(status.status()));
    return 0;
}
