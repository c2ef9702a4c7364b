// The built-in .uz2 codec against gzip -6 and gunzip on the same 50 MB
// package-like file. The codec must reach at least half their speed in both
// directions; the program prints the figures and exits 1 when it does not.
//
//   uz2_bench [folder] [megabytes]
//
// The folder (default: a temporary one) decides the disk measured; every
// step is timed best of three, files written and flushed the same way.
#include "cache/uz2_codec.h"
#include "package_like.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Runs = 3;

/// Best wall time of `Runs` runs of `step`, in seconds.
double best(const std::function<bool()>& step) {
    double fastest = 1e9;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!step()) {
            std::fprintf(stderr, "step failed\n");
            std::exit(2);
        }
        fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e9);
    }
    return fastest;
}

bool shell(const QString& command) {
    QProcess p;
    p.start(u"sh"_s, {u"-c"_s, command});
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString quoted(const QString& path) {
    return u"'"_s + path + u"'"_s;
}

bool report(const char* what, double ours, double theirs, double megabytes) {
    const double ratio = theirs / ours; // our speed relative to theirs
    std::printf("%-11s  ours %7.1f MB/s (%6.3f s)  gzip %7.1f MB/s (%6.3f s)  ratio %.2f %s\n",
                what, megabytes / ours, ours, megabytes / theirs, theirs, ratio,
                ratio >= 0.5 ? "ok" : "TOO SLOW");
    return ratio >= 0.5;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + u"/uz2_bench-XXXXXX"_s
                                : QString());
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    const qint64 megabytes = argc > 2 ? std::atoll(argv[2]) : 50;
    const QString plain = temp.filePath(u"DM-Bench.ut2"_s);
    {
        QFile f(plain);
        const QByteArray bytes = packageLike(megabytes * 1024 * 1024);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 2;
    }
    const QString uz2 = plain + u".uz2"_s;
    const QString back = temp.filePath(u"back.ut2"_s);
    const QString gz = plain + u".gz"_s;
    const QString gunzipped = temp.filePath(u"gunzipped.ut2"_s);

    const double pack = best([&] { return cache::compressUz2(plain, uz2).ok; });
    const double unpack = best([&] { return cache::decompressUz2(uz2, back).ok; });
    // QSaveFile syncs what it commits; the commands' output is synced too.
    const double gzip = best(
        [&] { return shell(u"gzip -6 -c %1 > %2 && sync %2"_s.arg(quoted(plain), quoted(gz))); });
    const double gunzip = best([&] {
        return shell(u"gunzip -c %1 > %2 && sync %2"_s.arg(quoted(gz), quoted(gunzipped)));
    });

    QFile a(plain), b(back);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) ||
        a.readAll() != b.readAll()) {
        std::fprintf(stderr, "round trip changed the file\n");
        return 2;
    }
    const double mb = double(megabytes);
    std::printf("%lld MB package-like file; .uz2 %.1f%% of it, .gz %.1f%%\n",
                static_cast<long long>(megabytes),
                100.0 * double(QFile(uz2).size()) / double(a.size()),
                100.0 * double(QFile(gz).size()) / double(a.size()));
    const bool packFast = report("compress", pack, gzip, mb);
    const bool unpackFast = report("decompress", unpack, gunzip, mb);
    return packFast && unpackFast ? 0 : 1;
}
