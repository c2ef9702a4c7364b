// How long Extract takes to unpack an archive of many small files into a
// scratch folder: community packs of textures and sounds hold thousands.
// The archive is built once with libzip; every iteration extracts into a
// fresh folder below QUORVEL_BENCH_DIR (default: the system temp folder),
// so the file system measured is the one the caller chooses.
#include "archive/zip_master.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "summary_reporter.h"

#include <benchmark/benchmark.h>

#include <zip.h>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

QString benchRoot() {
    const QByteArray dir = qgetenv("QUORVEL_BENCH_DIR");
    return dir.isEmpty() ? QDir::tempPath() : QFile::decodeName(dir);
}

/// A zip of `count` small deflated files spread over a few folders, each
/// a few hundred bytes, as texture and sound packs are.
bool makeArchive(const QString& path, int count) {
    int code = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr)
        return false;
    QList<QByteArray> data; // zip_source_buffer does not copy: kept until zip_close
    data.reserve(count);
    static const char* const suffixes[] = {".utx", ".uax", ".ut2", ".int", ".txt"};
    for (int i = 0; i < count; ++i) {
        data.append(QByteArray("entry %1 of the pack ")
                        .replace("%1", QByteArray::number(i))
                        .repeated(1 + i % 20));
        const QByteArray name = "Pack/Sub" + QByteArray::number(i % 16) + "/File" +
                                QByteArray::number(i) + suffixes[i % 5];
        zip_source_t* source = zip_source_buffer(archive, data.last().constData(),
                                                 zip_uint64_t(data.last().size()), 0);
        if (source == nullptr ||
            zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

void extractAll(benchmark::State& state, const QStringList& masks) {
    const int count = int(state.range(0));
    QTemporaryDir dir(benchRoot() + u"/quorvel-bench-XXXXXX"_s);
    const QString archive = dir.path() + u"/pack.zip"_s;
    if (!makeArchive(archive, count)) {
        state.SkipWithError("cannot build the archive");
        return;
    }
    archives::TZipMaster zip;
    zip.Unattended = true;
    zip.setZipFileName(archive);
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = dir.path() + u"/out%1"_s.arg(run++);
        QDir().mkpath(target);
        zip.ExtrBaseDir = target;
        zip.ExtrOptions = archives::TZipMaster::ExtrDirNames;
        zip.FSpecArgs = masks;
        state.ResumeTiming();
        if (zip.Extract() != 0) {
            state.SkipWithError("extraction failed");
            return;
        }
        state.PauseTiming();
        QDir(target).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["files"] = zip.SuccessCount();
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_ExtractAll(benchmark::State& state) {
    extractAll(state, {});
}
BENCHMARK(BM_ExtractAll)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Selected by masks, as the install of one kind of file does: the masks
// are matched against every entry.
void BM_ExtractByMasks(benchmark::State& state) {
    extractAll(state, {u"*.utx"_s, u"*.uax"_s, u"Pack\\Sub1*\\*.ut2"_s});
}
BENCHMARK(BM_ExtractByMasks)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Matching the masks against every entry should cost little beside
    // writing the files.
    const std::optional<double> all = reporter.time("BM_ExtractAll/20000/iterations:1");
    const std::optional<double> masks = reporter.time("BM_ExtractByMasks/20000/iterations:1");
    if (all && masks && *all > 0)
        std::printf("20000 entries: all %.0f ms, by masks %.0f ms; by masks / all = %.2f\n", *all,
                    *masks, *masks / *all);
    benchmark::Shutdown();
    return 0;
}
