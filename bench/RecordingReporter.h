#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Shows the usual console output and keeps each benchmark's mean real time, so that a
// benchmark program can print its ratios against a floor measured in the same run.
class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            Sum &s = m_sums[run.run_name.function_name];
            s.total += run.GetAdjustedRealTime();
            ++s.count;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Mean real time in the benchmark's unit; negative when it did not run.
    double realTime(const std::string &name) const
    {
        const auto it = m_sums.find(name);
        return it == m_sums.end() || it->second.count == 0 ? -1.0 : it->second.total / it->second.count;
    }

    // Prints "ratio WHAT: X (goal <= GOAL)" for measured / reference, both benchmarks of this
    // run; with atLeast, reference / measured against a lower bound.
    void printRatio(const std::string &what, const std::string &measured, const std::string &reference,
                    double goal, bool atLeast = false) const
    {
        const double m = realTime(measured);
        const double f = realTime(reference);
        if (m <= 0 || f <= 0) {
            std::printf("ratio %s: not measured\n", what.c_str());
            return;
        }
        std::printf("ratio %s: %.3g (goal %s %g)  [%.4f ms vs %.4f ms]\n", what.c_str(), atLeast ? f / m : m / f,
                    atLeast ? ">=" : "<=", goal, m, f);
    }

private:
    struct Sum
    {
        double total = 0;
        int count = 0;
    };
    std::map<std::string, Sum> m_sums;
};
