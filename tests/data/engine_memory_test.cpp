// Tables larger than the engine's record cache: written without being held in memory, read back in
// blocks through scans, indexes and edits, and refused when another program cuts them short.
#include "enginetestutil.h"

#include "common/error.h"
#include "data/recordcache.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace enginetest;
using testsupport::TempDir;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer keeps freed memory in quarantine, so resident memory says nothing there.
constexpr bool kMeasuresMemory = false;
#else
constexpr bool kMeasuresMemory = true;
#endif

constexpr int kPlots = 100;

// The resident memory of this process in bytes.
long residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) * 1024;
    return -1;
}

// Records of 526 bytes, so that a few thousand of them fill many cache blocks.
void createTrees(data::Connection &connection)
{
    data::Query create(connection);
    create.setSql({"CREATE TABLE \"BIG.DBF\" (PLOT CHAR(10), TREE DECIMAL(6,0), NOTE1 CHAR(254), "
                   "NOTE2 CHAR(254))"});
    create.execSql();
}

// Tree i (from 1) stands on plot P((i - 1) % 100), so every plot has trees all over the file.
void appendTrees(data::Table &table, int count)
{
    for (int i = 1; i <= count; ++i) {
        table.append();
        table.setString("PLOT", "P" + std::to_string((i - 1) % kPlots));
        table.setInteger("TREE", i);
        table.post();
    }
}

std::vector<std::string> plotTotals(data::Connection &connection, const std::string &plot)
{
    return select(connection, {"SELECT Count(*), Sum(TREE) FROM 'BIG.DBF' WHERE PLOT = :Plot"},
                  {{"Plot", plot}});
}

} // namespace

TEST(EngineMemory, TablesLargerThanTheCacheAreWrittenAndReadWithoutBeingHeld)
{
    constexpr int kTrees = 20000;
    static_assert(kTrees * 526L > 2 * static_cast<long>(data::RecordCache::kCacheBytes));
    TempDir dir;
    data::Connection connection;
    connect(connection, dir.path());
    createTrees(connection);
    data::Table table(connection, "BIG.DBF");
    table.open();

    const long before = residentBytes();
    appendTrees(table, kTrees);
    const long afterWriting = residentBytes();
    EXPECT_EQ(table.recordCount(), kTrees);
    EXPECT_EQ(select(connection, {"SELECT Count(*), Sum(TREE) FROM 'BIG.DBF'"}),
              std::vector<std::string>{"20000|200010000"});
    // Trees p+1, p+101, ... p+19901 of plot Pp: from the first block to the last.
    for (int plot : {0, 42, 99})
        EXPECT_EQ(plotTotals(connection, "P" + std::to_string(plot)),
                  std::vector<std::string>{"200|" + std::to_string(200 * (plot + 1) + 1990000)})
            << plot;
    const long afterReading = residentBytes();

    // An edit far into the file, after its block has left the cache and come back.
    data::Query live(connection);
    live.setSql({"SELECT * FROM 'BIG.DBF' WHERE TREE = 15000"});
    live.open();
    live.edit();
    live.setField("PLOT", "P7");
    live.close();
    EXPECT_EQ(plotTotals(connection, "P7"),
              std::vector<std::string>{"201|" + std::to_string(1600 + 1990000 + 15000)});
    EXPECT_EQ(plotTotals(connection, "P99")[0].substr(0, 4), "199|");
    table.close();
    EXPECT_NE(dbfdump(dir / "BIG.DBF").find("\nP7 15000 "), std::string::npos);

    if (kMeasuresMemory) {
        const long table = static_cast<long>(std::filesystem::file_size(dir / "BIG.DBF"));
        EXPECT_LT(afterWriting - before, table / 5) << "written rows are held in memory";
        EXPECT_LT(afterReading - before, static_cast<long>(data::RecordCache::kCacheBytes) + table / 5)
            << "the table is held in memory beyond the cache";
    }
}

TEST(EngineMemory, ATableCutShortWhileItIsReadIsRefused)
{
    TempDir dir;
    data::Connection connection;
    connect(connection, dir.path());
    createTrees(connection);
    {
        data::Table table(connection, "BIG.DBF");
        table.open();
        appendTrees(table, 2000);
    }
    data::Query query(connection);
    query.setSql({"SELECT TREE FROM 'BIG.DBF'"});
    query.open();
    EXPECT_EQ(query.asString("TREE"), "1");
    // Another program keeps the header and the first ten records only.
    const std::string bytes = testsupport::readBytes(dir / "BIG.DBF");
    auto word = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                        static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    std::filesystem::resize_file(dir / "BIG.DBF", word(8) + 10 * word(10)); // header and record length

    int rows = 0;
    try {
        for (; !query.eof(); query.next())
            ++rows;
        ADD_FAILURE() << "read " << rows << " rows of a file cut short";
    } catch (const common::DataError &e) {
        EXPECT_NE(std::string(e.what()).find("cut short"), std::string::npos) << e.what();
    }
    EXPECT_LT(rows, 2000);
    try {
        select(connection, {"SELECT Count(*) FROM 'BIG.DBF'"});
        ADD_FAILURE() << "a file promising more records than it holds was read";
    } catch (const common::DataError &e) {
        EXPECT_NE(std::string(e.what()).find("promises 2000 records, the file holds 10"), std::string::npos)
            << e.what();
    }
}

TEST(EngineMemory, AReaderNeverTakesAGrowingFileForADamagedOne)
{
    TempDir dir;
    data::Connection connection;
    connect(connection, dir.path());
    data::Query create(connection);
    create.setSql({"CREATE TABLE \"GROW.DBF\" (V CHAR(1))"});
    create.execSql();
    {
        data::Table table(connection, "GROW.DBF");
        table.open();
        table.append();
        table.setString("V", "x");
        table.post();
    }
    // Another program appends as dBASE writers do: the record first, then the header's count.
    const std::string bytes = testsupport::readBytes(dir / "GROW.DBF");
    const std::size_t headerLength =
        static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const std::string record = bytes.substr(headerLength, 2);
    std::atomic<bool> stop{false};
    // The reader and the writer on cores of their own where there are two, so that they truly run
    // at once rather than in turns: the race lies in a microsecond of the reader's opening.
    auto pin = [](int cpu) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu % std::max(1u, std::thread::hardware_concurrency()), &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    };
    cpu_set_t formerSet;
    pthread_getaffinity_np(pthread_self(), sizeof formerSet, &formerSet);
    pin(0);
    std::thread writer([&] {
        pin(1);
        const int fd = ::open((dir / "GROW.DBF").c_str(), O_WRONLY);
        for (std::uint32_t count = 2; !stop && count < 1000000; ++count) {
            ::pwrite(fd, record.data(), record.size(), static_cast<off_t>(headerLength + (count - 1) * 2));
            const unsigned char le[4] = {static_cast<unsigned char>(count),
                                         static_cast<unsigned char>(count >> 8),
                                         static_cast<unsigned char>(count >> 16), 0};
            ::pwrite(fd, le, 4, 4);
        }
        ::close(fd);
    });
    // Every statement looks at the changed file and reads its header again.
    int failures = 0;
    std::string message;
    for (int i = 0; i < 10000; ++i) {
        try {
            select(connection, {"SELECT V FROM 'GROW.DBF' LIMIT 1"});
        } catch (const common::DataError &e) {
            ++failures;
            message = e.what();
        }
    }
    stop = true;
    writer.join();
    pthread_setaffinity_np(pthread_self(), sizeof formerSet, &formerSet);
    EXPECT_EQ(failures, 0) << message;
}
