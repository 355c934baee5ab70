// libFuzzer target: arbitrary bytes opened as a dBASE table and scanned through the engine.
#include "scantable.h"

#include <cstdint>
#include <fstream>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("fenoris-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    {
        std::ofstream out(dir / "FUZZ.DBF", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }
    fuzzing::scanTable(dir, "FUZZ.DBF");
    return 0;
}
