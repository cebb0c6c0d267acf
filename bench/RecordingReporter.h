#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
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
            const double t = run.GetAdjustedRealTime();
            s.total += t;
            s.best = s.count == 0 ? t : std::min(s.best, t);
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

    // The best (least) real time of its repetitions; negative when it did not run.
    double bestTime(const std::string &name) const
    {
        const auto it = m_sums.find(name);
        return it == m_sums.end() || it->second.count == 0 ? -1.0 : it->second.best;
    }

    // The same ratio line from the best repetition of each: on a machine shared with other
    // work, noise only ever adds, and the least time is the steadier figure.
    void printBestRatio(const std::string &what, const std::string &measured, const std::string &reference,
                        double goal) const
    {
        const double m = bestTime(measured);
        const double f = bestTime(reference);
        if (m <= 0 || f <= 0) {
            std::printf("ratio %s: not measured\n", what.c_str());
            return;
        }
        std::printf("ratio %s: %.3g (goal <= %g)  [best %.4f ms vs %.4f ms]\n", what.c_str(), m / f, goal, m, f);
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
        double best = 0;
        int count = 0;
    };
    std::map<std::string, Sum> m_sums;
};
