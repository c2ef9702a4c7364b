#pragma once
// The console output of Google Benchmark, with each run's real time kept
// by name, so a program can end with the ratios it is about.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    // Coloured only on a terminal, as the library's own reporter is.
    SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred)
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    /// The real time per iteration of the run named `name` (e.g.
    /// "BM_LoadMapLists/300"), in its own time unit; nothing when it did
    /// not run or failed.
    std::optional<double> time(const std::string& name) const {
        const auto it = times_.find(name);
        if (it == times_.end())
            return std::nullopt;
        return it->second;
    }

private:
    std::map<std::string, double> times_;
};
