// The map install run on 50 generated archives of about 5 MB (a .ut2 and
// three packages each) against what a user would do by hand: `unzip -o`
// of the same archives into a folder, then `cp` of the files into a game
// tree. The run must take at most 1.3 times as long; the program prints
// the figures and exits 1 when it does not.
//
//   install_bench [folder] [archives]
//
// The folder (default: a temporary one) decides the disk measured. Both
// sides start from a fresh game tree, alternate, and count best of three.
#include "core/app_core.h"
#include "core/content_db.h"
#include "install/install.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"
#include "support/zip_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Runs = 3;
constexpr double Target = 1.3;

/// A package's bytes: mostly noise (sound, compressed textures), with
/// stretches of small tables and gradients that deflate does work on.
QByteArray packageLike(qint64 size, std::mt19937& rng) {
    QByteArray out(size, Qt::Uninitialized);
    char* p = out.data();
    qint64 at = 0;
    while (at < size) {
        const qint64 end = std::min<qint64>(size, at + 4096 + rng() % 32768);
        if (rng() % 4 == 0) {
            int v = int(rng() % 256);
            for (; at < end; ++at) {
                v = (v + int(rng() % 5) - 2) & 0xFF;
                p[at] = char(v);
            }
        } else {
            for (; at + 4 <= end; at += 4) {
                const auto r = static_cast<quint32>(rng());
                std::memcpy(p + at, &r, 4);
            }
            for (; at < end; ++at)
                p[at] = char(rng());
        }
    }
    return out;
}

/// What each archive holds, by extension and share of the archive.
struct Part {
    const char16_t* suffix;
    double share;
};
constexpr Part Parts[] = {
    {u".ut2", 0.55}, {u"Tex.utx", 0.25}, {u"Mesh.usx", 0.12}, {u"Snd.uax", 0.08}};

/// Answers every question with "&Yes"; the generated names never clash,
/// so a question is a fault the count shows.
class ScriptedDialogs : public platform::Dialogs {
public:
    int asked = 0;
    platform::Button message(platform::MsgKind, const QString&, platform::Buttons buttons,
                             QPoint) override {
        ++asked;
        return buttons & platform::Yes ? platform::Yes : platform::Ok;
    }
    void plainMessage(const QString&) override { ++asked; }
    void errorMessage(const QString&) override { ++asked; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        ++asked;
        return std::nullopt;
    }
    QStringList openFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString chooseFolder(const QString&, const QString&, bool) override { return {}; }
};

bool shell(const QString& command) {
    QProcess p;
    p.start(u"sh"_s, {u"-c"_s, command});
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString quoted(const QString& path) {
    return u"'"_s + path + u"'"_s;
}

/// A fresh game tree at `game` with the folders the archives fill.
bool freshGame(const QString& game) {
    QDir(game).removeRecursively();
    for (const char16_t* sub : {u"System", u"Maps", u"Textures", u"StaticMeshes", u"Sounds"}) {
        if (!QDir().mkpath(game + u'/' + QString::fromUtf16(sub)))
            return false;
    }
    return true;
}

qint64 filesIn(const QString& folder) {
    qint64 n = 0;
    for (const char16_t* sub : {u"Maps", u"Textures", u"StaticMeshes", u"Sounds"})
        n += QDir(folder + u'/' + QString::fromUtf16(sub)).entryList(QDir::Files).size();
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + u"/install_bench-XXXXXX"_s
                                : QString());
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const QString root = temp.path();
    const QString archives = root + u"/archives/"_s;
    QDir().mkpath(archives);

    // The archives and their records, as a scan would have made them.
    std::mt19937 rng(2004);
    QList<TContentRecord> records;
    QStringList names;
    qint64 archiveBytes = 0;
    for (int i = 1; i <= count; ++i) {
        const QString stem = u"Bench%1"_s.arg(i, 2, 10, QLatin1Char('0'));
        const QString name = u"DM-"_s + stem + u".zip"_s;
        testing_support::ZipBuilder zip;
        TContentRecord r;
        r.ArchiveName = name;
        r.ArchiveDir = archives;
        r.AddedDate = u"2024-05-17"_s;
        for (const Part& part : Parts) {
            const QString file =
                (part.suffix[0] == u'.' ? u"DM-"_s + stem : stem) + QString::fromUtf16(part.suffix);
            zip.file(file, packageLike(qint64(5.2e6 * part.share), rng));
            r.Files.append(file);
        }
        r.FileCount = qint32(r.Files.size());
        r.DisplayName = r.Files.first();
        if (!zip.write(archives + name))
            return 2;
        archiveBytes += QFile(archives + name).size();
        records.append(r);
        names.append(name);
    }

    ScriptedDialogs dialogs;
    platform::MemoryStatusSink status;
    AppCore core(dialogs, status);
    AppState& s = core.state;
    s.ProgramDir = root + u"/prog"_s;
    s.TempDir = s.ProgramDir + u"/Temp"_s;
    QDir().mkpath(s.TempDir);
    const QString ourGame = root + u"/game-ours"_s;
    const QString theirGame = root + u"/game-theirs"_s;
    const QString unzipped = root + u"/unzipped"_s;

    double ours = 1e9, theirs = 1e9;
    for (int run = 0; run < Runs; ++run) {
        // Ours: the records as scanned, a fresh game, the whole run.
        if (!freshGame(ourGame))
            return 2;
        content_db::WriteAll(s.mapDataPath(), records);
        content_db::WriteAllShared(s.sharedDataPath(), {});
        s.setGameDir(ourGame);
        core.beginCommand();
        QElapsedTimer timer;
        timer.start();
        const install::InstallResult result = install::InstallArchives(
            core.context(), catalogue::ContentKind::Maps, catalogue::firstEntries(names), false);
        install::FinishInstall(core.context(), catalogue::ContentKind::Maps, result);
        ours = std::min(ours, double(timer.nsecsElapsed()) / 1e9);
        const QString expected = u"  Installed %1 map(s) with %2 file(s) total."_s.arg(count).arg(
            count * int(std::size(Parts)));
        if (status.status() != expected || dialogs.asked != 0 ||
            filesIn(ourGame) != count * qint64(std::size(Parts))) {
            std::fprintf(stderr, "the install run went wrong: %s (%d dialogs)\n",
                         qPrintable(status.status()), dialogs.asked);
            return 2;
        }

        // Theirs: one unzip per archive, then one cp per kind of file.
        if (!freshGame(theirGame) || !QDir(unzipped).removeRecursively())
            return 2;
        const QString g = quoted(theirGame);
        const QString u = quoted(unzipped);
        const QString script =
            u"for z in %1*.zip; do unzip -o -qq \"$z\" -d %2 || exit 1; done && "
            u"cp %2/*.ut2 %3/Maps/ && cp %2/*.utx %3/Textures/ && "
            u"cp %2/*.usx %3/StaticMeshes/ && cp %2/*.uax %3/Sounds/"_s.arg(quoted(archives), u, g);
        timer.start();
        if (!shell(script))
            return 2;
        theirs = std::min(theirs, double(timer.nsecsElapsed()) / 1e9);
        if (filesIn(theirGame) != count * qint64(std::size(Parts)))
            return 2;
    }

    const double ratio = ours / theirs;
    std::printf("%d map archives, %.1f MB in all\n", count, double(archiveBytes) / 1e6);
    std::printf("install run  %6.3f s\nunzip + cp   %6.3f s\nratio        %.2f (target %.1f) %s\n",
                ours, theirs, ratio, Target, ratio <= Target ? "ok" : "TOO SLOW");
    return ratio <= Target ? 0 : 1;
}
