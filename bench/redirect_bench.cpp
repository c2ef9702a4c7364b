// The redirect folder's parallel compression against the built-in codec run
// on the same files one after another: 200 package-like maps of 5 MB,
// installed through records, compressed by buildRedirect on 2 worker
// threads. The run must be at least 1.6 times as fast; the program prints
// both times and the ratio and exits 1 when it is not.
//
//   redirect_bench [folder] [files] [megabytes] [jobs]
//
// The folder (default: a temporary one) decides the disk measured. Each way
// runs twice, alternating, into a fresh folder, and the better time counts;
// both write through the same atomic file (synced before its rename). The
// load average is printed, since other work on the machine skews the ratio.
#include "cache/redirect.h"
#include "cache/uz2_codec.h"
#include "core/content_db.h"
#include "package_like.h"
#include "platform/folder_index.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Runs = 2;
constexpr double Target = 1.6;

QByteArray loadAverage() {
    QFile f(u"/proc/loadavg"_s);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + u"/redirect_bench-XXXXXX"_s
                                : QString());
    const int files = argc > 2 ? std::atoi(argv[2]) : 200;
    const qint64 megabytes = argc > 3 ? std::atoll(argv[3]) : 5;
    const int jobs = argc > 4 ? std::atoi(argv[4]) : 2;
    if (!temp.isValid() || files < 1 || megabytes < 1 || jobs < 1) {
        std::fprintf(stderr, "usage: redirect_bench [folder] [files] [megabytes] [jobs]\n");
        return 2;
    }

    AppState state;
    state.ProgramDir = temp.filePath(u"prog"_s);
    QDir().mkpath(state.ProgramDir);
    QDir().mkpath(temp.filePath(u"game/System"_s));
    QDir().mkpath(temp.filePath(u"game/Maps"_s));
    state.setGameDir(temp.filePath(u"game"_s));
    QList<TContentRecord> records;
    QStringList sources;
    for (int i = 0; i < files; ++i) {
        const QString name = u"DM-Bench%1.ut2"_s.arg(i, 3, 10, QChar(u'0'));
        QFile f(state.MapsDir + name);
        const QByteArray bytes = packageLike(megabytes * 1024 * 1024, unsigned(i));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 2;
        sources.append(f.fileName());
        TContentRecord r;
        r.ArchiveName = u"DM-Bench%1.zip"_s.arg(i);
        r.ArchiveDir = temp.filePath(u"archives/"_s);
        r.Installed = 1;
        r.Files = {name};
        r.FileCount = 1;
        records.append(r);
    }
    content_db::WriteAll(state.mapDataPath(), records);

    double sequential = 1e9;
    double parallel = 1e9;
    for (int run = 0; run < Runs; ++run) {
        const QString one = temp.filePath(u"one-by-one"_s);
        const QString redirect = temp.filePath(u"redirect"_s);
        QDir(one).removeRecursively();
        QDir(redirect).removeRecursively();
        QDir().mkpath(one);

        QElapsedTimer timer;
        timer.start();
        for (const QString& source : std::as_const(sources)) {
            if (!cache::compressUz2(source, one + u'/' + QFileInfo(source).fileName() + u".uz2"_s)
                     .ok)
                return 2;
        }
        sequential = std::min(sequential, double(timer.nsecsElapsed()) / 1e9);

        timer.restart();
        platform::FolderIndex folders;
        const cache::RedirectResult r =
            cache::buildRedirect(state, folders, {redirect, false, jobs});
        parallel = std::min(parallel, double(timer.nsecsElapsed()) / 1e9);
        if (!r.ok() || r.compressed.size() != files || r.jobs != jobs) {
            std::fprintf(stderr, "the redirect run failed: %s\n",
                         qPrintable(cache::redirectReport(r).join(u'\n')));
            return 2;
        }
        // The same codec: the same bytes either way.
        for (const QString& name : r.compressed) {
            if (readAll(redirect + u'/' + name) != readAll(one + u'/' + name)) {
                std::fprintf(stderr, "%s differs\n", qPrintable(name));
                return 2;
            }
        }
    }

    const double total = double(files) * double(megabytes);
    const double ratio = sequential / parallel;
    std::printf("%d package-like maps of %lld MB (%.0f MB); load average before the end: %s\n",
                files, static_cast<long long>(megabytes), total, loadAverage().constData());
    std::printf("one after another  %7.2f s  %6.1f MB/s\n", sequential, total / sequential);
    std::printf("redirect, %d jobs   %7.2f s  %6.1f MB/s\n", jobs, parallel, total / parallel);
    std::printf("ratio %.2f (target %.1f) %s\n", ratio, Target,
                ratio >= Target ? "ok" : "TOO SLOW");
    return ratio >= Target ? 0 : 1;
}
