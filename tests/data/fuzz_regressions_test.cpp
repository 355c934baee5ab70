// The fuzzer's seed corpus and the inputs it once found faults with: each must be read or refused
// cleanly, and the seeds, which are sound tables, must be read.
#include "../../fuzz/scantable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

// Replays every file of fuzz/<folder> but its README; returns how many were replayed.
int replay(const std::string &folder, bool mustRead)
{
    const auto dir = std::filesystem::path(FENORIS_FIXTURES).parent_path().parent_path() / "fuzz" / folder;
    int inputs = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        testsupport::TempDir tmp;
        std::filesystem::copy_file(entry.path(), tmp / "FUZZ.DBF");
        SCOPED_TRACE(entry.path().filename().string());
        const long values = fuzzing::scanTable(tmp.path(), "FUZZ.DBF");
        if (mustRead) {
            EXPECT_GT(values, 0);
        }
        ++inputs;
    }
    return inputs;
}

} // namespace

// fuzz/regressions may be empty while the fuzzer has found nothing; the seeds keep the test from
// passing on no input at all.
TEST(FuzzRegressions, SeedsAreReadAndDamagedFilesReadOrRefused)
{
    EXPECT_GE(replay("corpus", true), 1) << "fuzz/corpus holds no input";
    replay("regressions", false);
}
