// How long "Verify installation" takes on 5,000 installed maps of 20 files
// each (100,000 game files in five folders), against looking each file up
// on disk by itself. Plain timed program, best of runs; exits 1 when the
// check takes 1 s or more, or lists a folder more than once.
#include "core/app_core.h"
#include "core/content_db.h"
#include "install/verify.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

/// No dialog is expected; any would be a failure of the run.
class NoDialogs : public platform::Dialogs {
public:
    platform::Button message(platform::MsgKind, const QString& t, platform::Buttons,
                             QPoint) override {
        std::fprintf(stderr, "%s\n", qPrintable(t));
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

/// The 20 files of record `n`: a map and 19 packages over four folders.
QStringList filesOf(int n) {
    const QString stem = u"R"_s + QString::number(n);
    QStringList files = {u"DM-"_s + stem + u".ut2"_s};
    for (int j = 0; j < 8; ++j)
        files.append(stem + u"-Tex"_s + QString::number(j) + u".utx"_s);
    for (int j = 0; j < 5; ++j)
        files.append(stem + u"-Mesh"_s + QString::number(j) + u".usx"_s);
    for (int j = 0; j < 4; ++j)
        files.append(stem + u"-Snd"_s + QString::number(j) + u".uax"_s);
    files.append(stem + u"-Mus.ogg"_s);
    files.append(u"Textures/"_s + stem + u"-Folder.utx"_s);
    return files;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int Records = 5000;
    QTemporaryDir dir;
    NoDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    AppState& s = core.state;
    s.ProgramDir = dir.path();
    const QString game = dir.path() + u"/game"_s;
    for (const QString& sub :
         {u"Maps"_s, u"Textures"_s, u"StaticMeshes"_s, u"Sounds"_s, u"Music"_s, u"System"_s})
        QDir().mkpath(game + u'/' + sub);
    s.setGameDir(game);

    QList<TContentRecord> records;
    records.reserve(Records);
    QStringList paths; // every game file, for the look-up one by one
    for (int n = 0; n < Records; ++n) {
        TContentRecord r;
        r.ArchiveName = u"DM-R"_s + QString::number(n) + u".zip"_s;
        r.ArchiveDir = dir.path() + u"/archives/"_s;
        r.DisplayName = u"DM-R"_s + QString::number(n);
        r.Installed = 1;
        r.AddedDate = r.InstallDate = u"2024-06-01"_s;
        r.Files = filesOf(n);
        r.FileCount = qint32(r.Files.size());
        for (const QString& entry : std::as_const(r.Files)) {
            const QString name = catalogue::placedFileName(entry);
            const QString path = *catalogue::gameFolderForFile(s, name) + name;
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 2;
            }
            paths.append(path);
        }
        records.append(r);
    }
    // One file of every hundredth record gone, so the lists are not empty.
    for (int n = 0; n < Records; n += 100)
        QFile::remove(game + u"/Maps/DM-R"_s + QString::number(n) + u".ut2"_s);
    content_db::WriteAll(s.mapDataPath(), records);
    content_db::WriteAll(s.modDataPath(), {});
    content_db::WriteAllShared(s.sharedDataPath(), {});

    install::VerifyReport report;
    int listings = 0;
    const double verifyMs = bestMs(3, [&] {
        core.beginCommand();
        const int before = core.context().folders.listingCount();
        report = install::VerifyInstallation(core.context());
        listings = core.context().folders.listingCount() - before;
    });
    int found = 0;
    const double statMs = bestMs(3, [&] {
        found = 0;
        for (const QString& p : std::as_const(paths))
            found += QFileInfo::exists(p) ? 1 : 0;
    });

    std::printf("verify: %d installed records, %d files looked for\n", report.installedRecords,
                report.filesLooked);
    std::printf("verify: %lld with files missing, %d folder listings\n",
                static_cast<long long>(report.missing.size()), listings);
    std::printf("verify: %.1f ms (target below 1000 ms)\n", verifyMs);
    std::printf("one stat per file, files only, no records: %.1f ms (%d found); ratio %.2f\n",
                statMs, found, verifyMs / statMs);
    const bool ok = verifyMs < 1000.0 && listings <= 7 && report.missing.size() == Records / 100;
    if (!ok)
        std::printf("verify: MISSED\n");
    return ok ? 0 : 1;
}
