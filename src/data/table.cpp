// Table: one dBASE file opened by name for reading its columns and appending rows.
#include "common/error.h"
#include "data/tableimpl.h"

namespace data {

Table::Impl::Impl(Connection::Impl *owner) : engine(owner)
{
    engine->tables.insert(this);
}

Table::Impl::~Impl()
{
    if (engine) engine->tables.erase(this);
}

void Table::Impl::close()
{
    if (pending && file) file->appendRecord(*pending, layoutVersion);
    pending.reset();
    file.reset();
}

Table::Table(Connection &connection, const std::string &fileName)
    : m_connection(connection), m_fileName(fileName), m_impl(std::make_unique<Impl>(&connection.impl()))
{
}

Table::~Table()
{
    try {
        m_impl->close();
    } catch (...) {
        // A row that cannot be stored is dropped with the table.
    }
}

namespace {

DbfFile &openFile(const Table::Impl &impl, const std::string &fileName)
{
    if (!impl.file) throw common::DataError("Table " + fileName + " is not open");
    if (impl.file->layoutVersion() != impl.layoutVersion)
        throw common::DataError("Table " + fileName +
                                " was changed on disk by another program; open it again");
    return *impl.file;
}

} // namespace

void requireTableFileType(const std::filesystem::path &path)
{
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory)
        throw common::FileError("Cannot open table " + path.string() + ": it is a folder");
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none &&
        type != std::filesystem::file_type::regular)
        throw common::FileError("Cannot open table " + path.string() + ": it is not a regular file");
}

void Table::open()
{
    close();
    if (!m_impl->engine) throw common::DataError("The table's database connection no longer exists");
    m_impl->engine->requireOpen();
    auto path = m_connection.findFile(m_fileName);
    if (!path) requireTableFileType(m_connection.directory() / m_fileName);
    if (!path)
        throw common::DataError("Table " + m_fileName + " does not exist in " +
                                m_connection.directory().string());
    m_impl->file = m_impl->engine->sharedFile(*path);
    m_impl->layoutVersion = m_impl->file->layoutVersion();
}

void Table::close()
{
    m_impl->close();
}

bool Table::isOpen() const
{
    return m_impl->file != nullptr;
}

std::vector<std::string> Table::fieldNames() const
{
    std::vector<std::string> names;
    for (const DbfField &field : openFile(*m_impl, m_fileName).fields())
        names.push_back(field.name);
    return names;
}

void Table::append()
{
    DbfFile &file = openFile(*m_impl, m_fileName);
    post();
    if (!file.isWritable()) throw common::DataError("Table " + file.fileName() + " is read-only");
    m_impl->pending = file.blankRecord();
}

namespace {

template <typename Encode>
void setField(Table::Impl &impl, const std::string &fileName, const std::string &name, Encode encode)
{
    DbfFile &file = openFile(impl, fileName);
    if (!impl.pending) throw common::DataError("Table " + fileName + " has no new row: call append first");
    int field = file.fieldIndex(name);
    if (field < 0) throw common::DataError("Field '" + name + "' not found in table " + file.fileName());
    std::string bytes = encode(file, field);
    const DbfField &f = file.fields()[static_cast<std::size_t>(field)];
    impl.pending->replace(static_cast<std::size_t>(f.offset), bytes.size(), bytes);
}

} // namespace

void Table::setString(const std::string &field, const std::string &text)
{
    setField(*m_impl, m_fileName, field,
             [&](DbfFile &file, int index) { return file.encodeText(index, text); });
}

void Table::setInteger(const std::string &field, long long value)
{
    setField(*m_impl, m_fileName, field,
             [&](DbfFile &file, int index) { return file.encodeInteger(index, value); });
}

void Table::setFloat(const std::string &field, double value)
{
    setField(*m_impl, m_fileName, field,
             [&](DbfFile &file, int index) { return file.encodeFloat(index, value); });
}

void Table::setNull(const std::string &field)
{
    setField(*m_impl, m_fileName, field, [&](DbfFile &file, int index) { return file.blankField(index); });
}

void Table::post()
{
    if (!m_impl->pending) return;
    DbfFile &file = openFile(*m_impl, m_fileName);
    file.appendRecord(*m_impl->pending, m_impl->layoutVersion);
    m_impl->pending.reset();
}

bool Table::fits(const std::string &field, double value) const
{
    DbfFile &file = openFile(*m_impl, m_fileName);
    int index = file.fieldIndex(field);
    if (index < 0) throw common::DataError("Field '" + field + "' not found in table " + file.fileName());
    return file.fits(index, value);
}

void Table::cancel()
{
    m_impl->pending.reset();
}

int Table::recordCount() const
{
    return static_cast<int>(openFile(*m_impl, m_fileName).liveRecordCount());
}

} // namespace data
