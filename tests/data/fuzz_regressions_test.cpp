// Inputs the fuzzer once found faults with: each must now be read or refused cleanly.
#include "../../fuzz/scantable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

TEST(FuzzRegressions, DamagedFilesAreReadOrRefused)
{
    const auto dir = std::filesystem::path(FENORIS_FIXTURES).parent_path().parent_path() / "fuzz" / "regressions";
    int inputs = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        testsupport::TempDir tmp;
        std::filesystem::copy_file(entry.path(), tmp / "FUZZ.DBF");
        SCOPED_TRACE(entry.path().filename().string());
        fuzzing::scanTable(tmp.path(), "FUZZ.DBF");
        ++inputs;
    }
    SUCCEED() << inputs << " inputs";
}
