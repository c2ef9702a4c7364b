// How long a page show takes to read the record file and build its lists,
// for databases of the size players have (hundreds to a few thousand
// archives, a few megabytes).
#include "core/content_db.h"
#include "core/content_lists.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include "summary_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QString makeDatabase(const QTemporaryDir& dir, int records) {
    const QString path = dir.path() + u"/mapdata.dat"_s;
    static const QStringList prefixes = {u"DM"_s, u"CTF"_s, u"ONS"_s, u"BR"_s, u"AS"_s};
    QList<TContentRecord> all;
    all.reserve(records);
    for (int i = 0; i < records; ++i) {
        TContentRecord r;
        r.ArchiveName = prefixes[i % prefixes.size()] + u"-Map%1.zip"_s.arg(records - i);
        r.ArchiveDir = u"/home/player/maps/"_s;
        r.DisplayName = r.ArchiveName.chopped(4);
        r.Installed = i % 3 == 0;
        r.AddedDate = u"2026-12-08"_s;
        for (int f = 0; f < 12; ++f)
            r.Files.append(u"File%1.utx"_s.arg(f));
        r.FileCount = int(r.Files.size());
        all.append(r);
    }
    content_db::WriteAll(path, all);
    return path;
}

void BM_LoadMapLists(benchmark::State& state) {
    QTemporaryDir dir;
    makeDatabase(dir, int(state.range(0)));
    AppState app;
    app.ProgramDir = dir.path();
    for (auto _ : state) {
        KindLists lists = LoadKindLists(app, catalogue::ContentKind::Maps, u"All"_s);
        benchmark::DoNotOptimize(lists);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadMapLists)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_ReadWriteAll(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir, int(state.range(0)));
    for (auto _ : state) {
        QList<TContentRecord> all = content_db::ReadAll(path);
        content_db::WriteAll(path, all);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * TContentRecord::RecordSize);
}
BENCHMARK(BM_ReadWriteAll)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Ten times the records should take about ten times as long: the time
    // per record of the large database against the small one's.
    for (const std::string bench : {"BM_LoadMapLists", "BM_ReadWriteAll"}) {
        const std::optional<double> small = reporter.time(bench + "/300");
        const std::optional<double> large = reporter.time(bench + "/3000");
        if (small && large && *small > 0)
            std::printf("%s: 300 records %.2f ms, 3000 records %.2f ms; time per record at "
                        "3000 / at 300 = %.2f (1.00 is linear)\n",
                        bench.c_str(), *small, *large, (*large / 3000) / (*small / 300));
    }
    benchmark::Shutdown();
    return 0;
}
