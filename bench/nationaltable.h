// What the benchmarks share: the national-size table they run on (100,000 trees, 5,000 plots, 30
// survey years from 1991), generated once into FENORIS_BENCH_DIR (or a folder of the temporary
// directory) and kept there, and a report that ends with the ratio of two benchmarks' times.
#pragma once

#include "data/generator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

inline constexpr int kTrees = 100000, kPlots = 5000, kYears = 30, kFirstYear = 1991;
inline constexpr const char *kTable = "NATIONAL.DBF";

// The folder holding kTable with its side files.
inline std::filesystem::path tableDir()
{
    static const std::filesystem::path dir = [] {
        const char *env = std::getenv("FENORIS_BENCH_DIR");
        std::filesystem::path d = env ? env : std::filesystem::temp_directory_path() / "fenoris-bench";
        std::filesystem::create_directories(d);
        if (!std::filesystem::exists(d / kTable)) {
            data::GeneratorSettings s;
            s.trees = kTrees;
            s.plots = kPlots;
            s.years = kYears;
            s.firstYear = kFirstYear;
            data::generateTable(d / kTable, s);
        }
        return d;
    }();
    return dir;
}

// The console report, then "<text> = <time of one / time of other> (<target>)".
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter(std::string one, std::string other, std::string text, std::string target)
        : m_one(std::move(one)), m_other(std::move(other)), m_text(std::move(text)),
          m_target(std::move(target))
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const auto &run : runs)
            if (run.run_type == Run::RT_Iteration)
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (m_times.count(m_one) && m_times.count(m_other))
            std::cout << m_text << " = " << m_times[m_one] / m_times[m_other] << " (" << m_target << ")\n";
    }

private:
    std::string m_one, m_other, m_text, m_target;
    std::map<std::string, double> m_times;
};

} // namespace bench
