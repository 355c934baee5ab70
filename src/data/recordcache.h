// Records of one dBASE file read on demand through a few cached blocks. Internal to the engine.
//
// A table is never held in memory whole: a statistics run reads a national table and writes result
// tables several times its size, and a copy of each would multiply the program's memory by the sum
// of all their sizes. Blocks of whole records are read with pread from a descriptor kept open on the
// file as it was looked at last, and the least recently used block goes when the cache is full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace data {

class RecordCache
{
public:
    // Bytes of records read at once, and all blocks of one file together (at least a few blocks).
    static constexpr std::size_t kBlockBytes = 16 * 1024;
    static constexpr std::size_t kCacheBytes = 4 * 1024 * 1024;

    RecordCache() = default;
    ~RecordCache();
    RecordCache(RecordCache &&other) noexcept;
    RecordCache &operator=(RecordCache &&other) noexcept;
    RecordCache(const RecordCache &) = delete;
    RecordCache &operator=(const RecordCache &) = delete;

    // Takes over fd, a descriptor open for reading on the file; fileName names it in messages.
    void open(int fd, std::string fileName);
    // Where the records are: recordLength bytes each from headerLength on.
    void setLayout(std::size_t headerLength, std::size_t recordLength);

    // The bytes of record (deletion flag and fields), one of the recordCount the file holds now. The
    // pointer is valid until the next call. Throws common::DataError when the file no longer holds the
    // record (another program cut it short since it was looked at) or cannot be read.
    const char *record(std::size_t record, std::size_t recordCount);
    // Keeps a cached copy of record in step with bytes just written to the file.
    void store(std::size_t record, const std::string &bytes);
    void clear();

private:
    struct Block
    {
        std::size_t first = 0; // the block's first record
        std::size_t count = 0; // records read, fewer than a block holds at the end of the file
        std::uint64_t used = 0;
        std::string bytes;
    };

    Block &load(std::size_t number, std::size_t recordCount);
    void closeFile();

    int m_fd = -1;
    std::size_t m_headerLength = 0;
    std::size_t m_recordLength = 1;
    std::size_t m_recordsPerBlock = 1;
    std::size_t m_maxBlocks = 1;
    std::string m_fileName;
    std::unordered_map<std::size_t, Block> m_blocks; // by block number
    Block *m_last = nullptr;                         // the block of the last record asked for
    std::uint64_t m_clock = 0;
};

} // namespace data
