// Reading records of a dBASE file in cached blocks.
#include "data/recordcache.h"

#include "common/error.h"
#include "common/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace data {

RecordCache::~RecordCache()
{
    closeFile();
}

RecordCache::RecordCache(RecordCache &&other) noexcept
{
    *this = std::move(other);
}

RecordCache &RecordCache::operator=(RecordCache &&other) noexcept
{
    if (this == &other) return *this;
    closeFile();
    m_fd = std::exchange(other.m_fd, -1);
    m_headerLength = other.m_headerLength;
    m_recordLength = other.m_recordLength;
    m_recordsPerBlock = other.m_recordsPerBlock;
    m_maxBlocks = other.m_maxBlocks;
    m_fileName = std::move(other.m_fileName);
    m_blocks = std::move(other.m_blocks);
    m_last = std::exchange(other.m_last, nullptr);
    m_clock = other.m_clock;
    other.m_blocks.clear();
    return *this;
}

void RecordCache::closeFile()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

void RecordCache::open(int fd, std::string fileName)
{
    clear();
    closeFile();
    m_fd = fd;
    m_fileName = std::move(fileName);
}

void RecordCache::setLayout(std::size_t headerLength, std::size_t recordLength)
{
    clear();
    m_headerLength = headerLength;
    m_recordLength = std::max<std::size_t>(1, recordLength);
    m_recordsPerBlock = std::max<std::size_t>(1, kBlockBytes / m_recordLength);
    m_maxBlocks = std::max<std::size_t>(4, kCacheBytes / (m_recordsPerBlock * m_recordLength));
}

void RecordCache::clear()
{
    m_blocks.clear();
    m_last = nullptr;
}

const char *RecordCache::record(std::size_t record, std::size_t recordCount)
{
    Block *block = m_last;
    if (!block || record < block->first || record - block->first >= block->count) {
        block = &load(record / m_recordsPerBlock, recordCount);
        if (record - block->first >= block->count)
            throw common::DataError("Record " + std::to_string(record + 1) + " of table " + m_fileName +
                                    " is beyond its end");
        m_last = block;
    }
    block->used = ++m_clock;
    return block->bytes.data() + (record - block->first) * m_recordLength;
}

RecordCache::Block &RecordCache::load(std::size_t number, std::size_t recordCount)
{
    const std::size_t first = number * m_recordsPerBlock;
    const std::size_t count = first < recordCount ? std::min(m_recordsPerBlock, recordCount - first) : 0;
    auto found = m_blocks.find(number);
    // A block read before records were appended to it is read again.
    if (found != m_blocks.end() && found->second.count >= count) return found->second;
    if (found == m_blocks.end() && m_blocks.size() >= m_maxBlocks) {
        auto oldest = std::min_element(m_blocks.begin(), m_blocks.end(), [](const auto &a, const auto &b) {
            return a.second.used < b.second.used;
        });
        if (&oldest->second == m_last) m_last = nullptr;
        m_blocks.erase(oldest);
    }
    std::string bytes(count * m_recordLength, '\0');
    const off_t offset = static_cast<off_t>(m_headerLength + first * m_recordLength);
    const ssize_t length = common::readAt(m_fd, bytes.data(), bytes.size(), offset);
    if (length < 0) throw common::DataError("Cannot read table " + m_fileName + ": " + std::strerror(errno));
    if (static_cast<std::size_t>(length) < bytes.size())
        throw common::DataError("Table " + m_fileName +
                                " was cut short on disk by another program while it was read");
    Block &block = m_blocks[number];
    block.first = first;
    block.count = count;
    block.bytes = std::move(bytes);
    return block;
}

void RecordCache::store(std::size_t record, const std::string &bytes)
{
    auto found = m_blocks.find(record / m_recordsPerBlock);
    if (found == m_blocks.end()) return;
    Block &block = found->second;
    if (record - block.first < block.count && bytes.size() == m_recordLength)
        std::memcpy(block.bytes.data() + (record - block.first) * m_recordLength, bytes.data(), bytes.size());
}

} // namespace data
