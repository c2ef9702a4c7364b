// How long a page show takes to read the record file and build its lists,
// for databases of the size players have (hundreds to a few thousand
// archives, a few megabytes).
#include "core/content_db.h"
#include "core/content_lists.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
        MapLists lists = LoadMapLists(app, u"All"_s);
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
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
