#pragma once

#include <benchmark/benchmark.h>

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

private:
    struct Sum
    {
        double total = 0;
        int count = 0;
    };
    std::map<std::string, Sum> m_sums;
};
