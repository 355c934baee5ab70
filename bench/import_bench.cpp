// Import benchmark: seven yearly census files of about 16 MB together (85,000 stem rows of 47
// columns, quoted text, NA, repeats), made into a data table as fenoris-cli import does.
//
//   bench_import_bench [--benchmark_repetitions=3]
//
// The files are generated in the shape of a published tree census. FENORIS_CENSUS_DIR, when set,
// names a folder of such files (mortality_*.csv) imported as a second case.
#include "common/messagesink.h"
#include "data/csvimport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char *kSpecies[] = {"acru", "caca", "fagr", "litu", "nysy", "qual", "quru", "ulru", "cagl", "havi"};
const char *kStatus[] = {"A", "A", "A", "A", "AU", "DS", "DC", "PD", "A", "DN"};

// 47 columns: the roles the import reads among many it passes over, as in the published census.
std::string header()
{
    std::string line =
        "\"survey_year\",\"tag\",\"StemTag\",\"sp\",\"genus\",\"species\",\"quadrat\","
        "\"gx\",\"gy\",\"last_main_census_dbh\",\"current_year_status\",\"percent_of_crown_living\"";
    for (int i = 0; i < 34; ++i)
        line += ",\"extra" + std::to_string(i) + "\"";
    return line + ",\"comment\"\n";
}

// One file per survey year, about 12,000 stems each: trees keep their tag, species and quadrat
// from year to year; about one stem in a hundred has a second row in the same year.
fs::path generateCensus()
{
    const fs::path dir = fs::temp_directory_path() / "fenoris-import-bench";
    fs::create_directories(dir);
    std::mt19937_64 random(7);
    for (int year : {2014, 2015, 2016, 2017, 2018, 2019, 2021}) {
        std::ofstream out(dir / ("mortality_" + std::to_string(year) + ".csv"), std::ios::binary);
        out << header();
        for (int tree = 0; tree < 12000; ++tree) {
            const int copies = random() % 100 == 0 ? 2 : 1;
            for (int copy = 0; copy < copies; ++copy) {
                const int tag = 10001 + tree;
                std::string row =
                    std::to_string(year) + "," + std::to_string(tag) + "," + (tree % 7 == 0 ? "2" : "1") +
                    ",\"" + kSpecies[tag % 10] + "\",\"Genus\",\"sp\",\"" +
                    std::to_string(10000 + tag % 640).substr(1) + "\"," +
                    std::to_string(random() % 4000 / 10.0) + "," + std::to_string(random() % 6400 / 10.0) +
                    "," + std::to_string(100 + random() % 6000 / 10.0) + ",\"" + kStatus[random() % 10] +
                    "\"," + (year == 2021 ? std::to_string(random() % 101) : "NA");
                for (int i = 0; i < 34; ++i)
                    row += i % 3 ? ",NA" : ",\"\"";
                row += random() % 20 ? ",\"\"\n" : ",\"leaning, \"\"split\"\" crown\"\n";
                out << row;
            }
        }
    }
    return dir;
}

data::ImportSettings censusImport(const fs::path &dir)
{
    data::ImportSettings s;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".csv") s.files.push_back(entry.path());
    std::sort(s.files.begin(), s.files.end());
    s.table = fs::temp_directory_path() / "fenoris-import-bench-out" / "CENSUS.DBF";
    fs::create_directories(s.table.parent_path());
    s.condition = "StemTag = '1'";
    s.plot = "quadrat";
    s.tree = "tag";
    s.species = "upper(sp)";
    s.year = "survey_year";
    s.value = "CASE WHEN current_year_status LIKE 'D%' OR current_year_status = 'PD' THEN 100 "
              "WHEN current_year_status IN ('A','AU') THEN 100 - percent_of_crown_living END";
    s.dbh = "last_main_census_dbh / 10.0";
    s.duplicates = data::Duplicates::Agree;
    s.replace = true;
    return s;
}

void run(benchmark::State &state, const fs::path &dir)
{
    const data::ImportSettings settings = censusImport(dir);
    std::uintmax_t bytes = 0;
    for (const auto &file : settings.files)
        bytes += fs::file_size(file);
    common::NullSink sink;
    for (auto _ : state) {
        const data::ImportSummary summary = data::importCsv(settings, sink);
        benchmark::DoNotOptimize(summary.trees);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
}

void ImportGeneratedCensus(benchmark::State &state)
{
    static const fs::path dir = generateCensus();
    run(state, dir);
}

void ImportCensusFiles(benchmark::State &state)
{
    const char *dir = std::getenv("FENORIS_CENSUS_DIR");
    if (!dir) {
        state.SkipWithError("FENORIS_CENSUS_DIR is not set");
        return;
    }
    run(state, dir);
}

} // namespace

BENCHMARK(ImportGeneratedCensus)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(ImportCensusFiles)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
