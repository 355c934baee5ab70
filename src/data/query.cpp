// Query: SQL by lines, named text parameters, a streaming cursor over the result, and live rows.
#include "common/error.h"
#include "common/numbers.h"
#include "common/terminaltext.h"
#include "data/editjournal.h"
#include "data/fieldtext.h"
#include "data/queryimpl.h"

namespace data {

namespace {

std::string cellText(const Cell &value)
{
    switch (value.kind) {
    case Cell::Null:
        return {};
    case Cell::Integer:
        return std::to_string(value.integer);
    case Cell::Real:
        return common::formatGeneral(value.real, 15, 0, '.');
    case Cell::Text:
        return value.text;
    }
    return {};
}

} // namespace

Query::Impl::Impl(Connection::Impl *owner) : engine(owner)
{
    engine->queries.insert(this);
}

Query::Impl::~Impl()
{
    unprepare();
    if (engine) engine->queries.erase(this);
}

void Query::Impl::step()
{
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        atEnd = rc == SQLITE_DONE;
        return;
    }
    std::string message = sqlite3_errmsg(engine->db);
    sqlite3_reset(stmt);
    active = false;
    atEnd = true;
    throw common::DataError(message);
}

void Query::Impl::advance()
{
    step();
    if (!atEnd) ++row;
}

void Query::Impl::restart()
{
    sqlite3_reset(stmt);
    bindValues(stmt);
    row = 0;
    count.reset();
    active = true;
    step();
}

void Query::Impl::open()
{
    ensureCurrent();
    if (!createTable.empty()) throw common::DataError("CREATE TABLE returns no rows: run it with execSql");
    if (columns.empty()) throw common::DataError("The statement returns no rows: run it with execSql");
    restart();
}

void Query::Impl::closeCursor()
{
    if (stmt) sqlite3_reset(stmt);
    active = false;
    atEnd = true;
    row = 0;
    count.reset();
    editing = false;
    edits.clear();
}

void Query::Impl::close()
{
    post();
    closeCursor();
}

void Query::Impl::first()
{
    if (!active) throw common::DataError("The query is not open");
    post();
    restart();
}

void Query::Impl::next()
{
    if (!active) throw common::DataError("The query is not open");
    post();
    if (!atEnd) advance();
}

int Query::Impl::recordCount()
{
    if (!active) return 0;
    if (count) return *count;
    // A second pass over the same statement, so that the cursor keeps its place.
    sqlite3_stmt *counter = nullptr;
    if (sqlite3_prepare_v2(engine->db, sqlite3_sql(stmt), -1, &counter, nullptr) != SQLITE_OK) {
        std::string message = sqlite3_errmsg(engine->db);
        sqlite3_finalize(counter);
        throw common::DataError(message);
    }
    bindValues(counter);
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(counter)) == SQLITE_ROW)
        ++rows;
    std::string message = rc == SQLITE_DONE ? "" : sqlite3_errmsg(engine->db);
    sqlite3_finalize(counter);
    if (!message.empty()) throw common::DataError(message);
    count = rows;
    return rows;
}

bool Query::Impl::locate(int column, const std::string &value)
{
    if (!active) throw common::DataError("The query is not open");
    post();
    int start = row;
    bool wasAtEnd = atEnd;
    restart();
    for (; !atEnd; advance())
        if (text(column) == value) return true;
    restart();
    while (!atEnd && row < start)
        advance();
    if (wasAtEnd) {
        while (!atEnd)
            advance();
    }
    return false;
}

int Query::Impl::columnIndex(const std::string &name) const
{
    auto found = columnLookup.find(lowerAscii(name));
    if (found != columnLookup.end()) return found->second;
    throw common::DataError("Field '" + name + "' not found");
}

Cell Query::Impl::cell(int column) const
{
    Cell result;
    if (!active || atEnd) return result;
    if (editing) {
        auto edited = edits.find(fieldOfColumn[static_cast<std::size_t>(column)]);
        if (edited != edits.end()) {
            file->decodeField(edited->first, edited->second, result);
            return result;
        }
    }
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        result.kind = Cell::Integer;
        result.integer = sqlite3_column_int64(stmt, column);
        break;
    case SQLITE_FLOAT:
        result.kind = Cell::Real;
        result.real = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_NULL:
        break;
    default: {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, column));
        result.kind = Cell::Text;
        result.text.assign(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
    }
    }
    return result;
}

std::string Query::Impl::text(int column) const
{
    return cellText(cell(column));
}

void Query::Impl::requireLive() const
{
    if (!live)
        throw common::DataError(
            "The result of this query cannot be edited: only the rows of SELECT * FROM one "
            "table are live");
}

std::optional<UnreadableValue> Query::Impl::unreadable(int column) const
{
    if (!live || !active || atEnd || sqlite3_column_type(stmt, column) != SQLITE_NULL) return std::nullopt;
    const int field = fieldOfColumn[static_cast<std::size_t>(column)];
    if (!file->fields()[static_cast<std::size_t>(field)].isNumeric()) return std::nullopt;
    if (editing && edits.count(field)) return std::nullopt;
    const auto record =
        static_cast<std::size_t>(sqlite3_column_int64(stmt, static_cast<int>(columns.size())) - 1);
    Cell stored;
    file->readCell(record, field, stored);
    if (stored.kind != Cell::Text) return std::nullopt;
    return UnreadableValue{file->path(), file->fields()[static_cast<std::size_t>(field)].name, record + 1,
                           stored.text};
}

std::string Query::Impl::placeOf(int column) const
{
    if (live && active && !atEnd) {
        const int field = fieldOfColumn[static_cast<std::size_t>(column)];
        const auto record =
            static_cast<std::size_t>(sqlite3_column_int64(stmt, static_cast<int>(columns.size())) - 1);
        return UnreadableValue{file->path(), file->fields()[static_cast<std::size_t>(field)].name, record + 1,
                               ""}
            .place();
    }
    return "Column " + columns[static_cast<std::size_t>(column)];
}

long long Query::Impl::rounded(int column, long double value) const
{
    try {
        return common::roundToEven(value);
    } catch (const common::MathError &) {
        throw common::DataError(placeOf(column) + ": the number " + common::floatToText(value) +
                                " is beyond the whole numbers the program computes with");
    }
}

void Query::Impl::refuseNumber(int column, const std::string &text) const
{
    if (live) {
        const int field = fieldOfColumn[static_cast<std::size_t>(column)];
        const auto record =
            static_cast<std::size_t>(sqlite3_column_int64(stmt, static_cast<int>(columns.size())) - 1);
        throw common::DataError(UnreadableValue{
            file->path(), file->fields()[static_cast<std::size_t>(field)].name, record + 1, text}
                                    .describe());
    }
    throw common::DataError("Column " + columns[static_cast<std::size_t>(column)] + ": '" +
                            common::escapeControls(text) + "' is not a number");
}

void Query::Impl::edit()
{
    if (!active || atEnd) throw common::DataError("There is no current row to edit");
    requireLive();
    if (editing) return;
    if (!file->isWritable()) throw common::DataError("Table " + file->fileName() + " is read-only");
    editRecord = static_cast<std::size_t>(sqlite3_column_int64(stmt, static_cast<int>(columns.size())) - 1);
    editing = true;
    edits.clear();
}

std::string Query::Impl::encode(int column, const std::string &value) const
{
    if (file->layoutVersion() != layoutVersion)
        throw common::DataError("Table " + file->fileName() +
                                " was changed on disk by another program; open the "
                                "query again");
    return file->encodeText(fieldOfColumn[static_cast<std::size_t>(column)], value);
}

void Query::Impl::setField(int column, const std::string &value)
{
    if (!editing) throw common::DataError("The query is not in edit mode");
    edits[fieldOfColumn[static_cast<std::size_t>(column)]] = encode(column, value);
}

void Query::Impl::store(std::size_t record, const std::map<int, std::string> &fields)
{
    if (fields.empty()) return;
    if (journal) journal->aboutToStore(file->path());
    DbfFile::Replaced replaced;
    file->writeFields(record, fields, layoutVersion, journal ? &replaced : nullptr);
    if (journal) journal->stored(file->path(), record, replaced, file->recordBytes(record));
    // The user's only copy of the data: a stored row is on the disk before the program goes on.
    file->flush();
}

void Query::Impl::post()
{
    if (!editing) return;
    store(editRecord, edits);
    editing = false;
    edits.clear();
    count.reset();
}

void Query::Impl::cancelEdit()
{
    editing = false;
    edits.clear();
}

// ---- Query ----

Query::Query(Connection &connection)
    : m_connection(connection), m_impl(std::make_unique<Impl>(&connection.impl()))
{
}

Query::~Query()
{
    try {
        m_impl->close();
    } catch (...) {
        // An edit that cannot be stored is dropped with the query.
        m_impl->cancelEdit();
    }
}

void Query::setSql(const std::vector<std::string> &lines)
{
    close();
    m_impl->unprepare();
    m_lines = lines;
}

void Query::addSql(const std::string &line)
{
    close();
    m_impl->unprepare();
    m_lines.push_back(line);
}

std::string Query::sqlText() const
{
    std::string text;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        text += (i ? "\n" : "") + m_lines[i];
    return text;
}

void Query::prepare()
{
    close();
    m_impl->prepare(sqlText());
}

bool Query::isPrepared() const
{
    return m_impl->isPrepared() && m_impl->preparedText == sqlText();
}

void Query::setParam(const std::string &name, const std::string &value)
{
    if (!isPrepared()) prepare();
    std::string key = lowerAscii(!name.empty() && name[0] == ':' ? name.substr(1) : name);
    if (!m_impl->parameterNames.count(key))
        throw common::DataError("Parameter '" + name + "' not found in the query");
    m_impl->values[key] = value;
}

void Query::open()
{
    close();
    if (!isPrepared()) prepare();
    m_impl->open();
}

void Query::execSql()
{
    close();
    if (!isPrepared()) prepare();
    m_impl->execute();
}

void Query::close()
{
    m_impl->close();
}
bool Query::isActive() const
{
    return m_impl->active;
}
void Query::first()
{
    m_impl->first();
}
void Query::next()
{
    m_impl->next();
}
bool Query::eof() const
{
    return !m_impl->active || m_impl->atEnd;
}
int Query::recordCount()
{
    return m_impl->recordCount();
}
std::vector<std::string> Query::fieldNames() const
{
    return m_impl->columns;
}

std::string Query::asString(const std::string &field) const
{
    return m_impl->text(m_impl->columnIndex(field));
}

std::string Query::valueText(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_impl->columns.size()))
        throw common::DataError("Column " + std::to_string(column) + " not found");
    return m_impl->text(column);
}

bool Query::valueIsNull(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_impl->columns.size()))
        throw common::DataError("Column " + std::to_string(column) + " not found");
    return m_impl->cell(column).kind == Cell::Null;
}

bool Query::isNull(const std::string &field) const
{
    return m_impl->cell(m_impl->columnIndex(field)).kind == Cell::Null;
}

namespace {

// The number of a cell that is not text; nothing for a blank.
std::optional<double> numberOf(const Cell &value)
{
    if (value.kind == Cell::Integer) return static_cast<double>(value.integer);
    if (value.kind == Cell::Real) return value.real;
    return std::nullopt;
}

bool isBlankText(const std::string &text)
{
    return text.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

Cell Query::Impl::numericCell(int column) const
{
    Cell value = cell(column);
    if (value.kind == Cell::Null)
        if (const auto stored = unreadable(column)) throw common::DataError(stored->describe());
    return value;
}

long long Query::asInteger(const std::string &field) const
{
    const Cell value = m_impl->numericCell(m_impl->columnIndex(field));
    if (value.kind == Cell::Integer) return value.integer;
    const int column = m_impl->columnIndex(field);
    if (value.kind != Cell::Text) return m_impl->rounded(column, numberOf(value).value_or(0.0));
    if (isBlankText(value.text)) return 0;
    long double number = 0;
    try {
        number = common::strToFloat(value.text, '.');
    } catch (const common::ConvertError &) {
        throw common::ConvertError("'" + common::escapeControls(value.text) +
                                   "' is not a valid integer value");
    }
    return m_impl->rounded(column, number);
}

double Query::asFloat(const std::string &field) const
{
    const Cell value = m_impl->numericCell(m_impl->columnIndex(field));
    if (value.kind != Cell::Text) return numberOf(value).value_or(0.0);
    if (isBlankText(value.text)) return 0;
    return static_cast<double>(common::strToFloat(value.text, '.'));
}

std::optional<double> Query::numberOrBlank(const std::string &field) const
{
    return numberOrBlank(m_impl->columnIndex(field));
}

std::optional<double> Query::numberOrBlank(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_impl->columns.size()))
        throw common::DataError("Column " + std::to_string(column) + " not found");
    const Cell value = m_impl->numericCell(column);
    if (value.kind != Cell::Text) return numberOf(value);
    if (isBlankText(value.text)) return std::nullopt;
    if (const auto number = parseFieldNumber(value.text)) return number->real;
    m_impl->refuseNumber(column, value.text);
}

std::optional<long long> Query::integerOrBlank(int column) const
{
    const std::optional<double> number = numberOrBlank(column);
    if (!number) return std::nullopt;
    return m_impl->rounded(column, *number);
}

std::optional<long long> Query::integerOrBlank(const std::string &field) const
{
    return integerOrBlank(m_impl->columnIndex(field));
}

bool Query::locate(const std::string &field, const std::string &value)
{
    return m_impl->locate(m_impl->columnIndex(field), value);
}

bool Query::canModify() const
{
    return m_impl->live && m_impl->file && m_impl->file->isWritable();
}
void Query::edit()
{
    m_impl->edit();
}
void Query::setField(const std::string &field, const std::string &text)
{
    m_impl->setField(m_impl->columnIndex(field), text);
}
void Query::post()
{
    m_impl->post();
}
void Query::cancel()
{
    m_impl->cancelEdit();
}
bool Query::isEditing() const
{
    return m_impl->editing;
}

std::string Query::readOnlyReason() const
{
    try {
        m_impl->requireLive();
    } catch (const common::DataError &e) {
        return e.what();
    }
    const std::string refusal = m_impl->file->writeRefusal();
    if (refusal.empty()) return {};
    return "Table " + m_impl->file->fileName() + " cannot be written: " + refusal;
}

void Query::checkValue(const std::string &field, const std::string &text) const
{
    const int column = m_impl->columnIndex(field);
    m_impl->requireLive();
    m_impl->encode(column, text);
}

std::size_t Query::recordNumber() const
{
    m_impl->requireLive();
    if (!m_impl->active || m_impl->atEnd) throw common::DataError("There is no current row");
    return static_cast<std::size_t>(
        sqlite3_column_int64(m_impl->stmt, static_cast<int>(m_impl->columns.size())) - 1);
}

std::vector<std::string> Query::recordTexts(std::size_t record)
{
    m_impl->requireLive();
    DbfFile &file = *m_impl->file;
    if (file.sync() == DbfFile::Change::Gone)
        throw common::DataError("Table " + file.fileName() + " no longer exists");
    if (file.layoutVersion() != m_impl->layoutVersion)
        throw common::DataError("Table " + file.fileName() +
                                " was changed on disk by another program; open the query again");
    if (!file.isLive(record))
        throw common::DataError("Record " + std::to_string(record + 1) + " of table " + file.fileName() +
                                " no longer exists");
    std::vector<std::string> texts;
    Cell cell;
    for (int field : m_impl->fieldOfColumn) {
        file.readCell(record, field, cell);
        texts.push_back(cellText(cell));
    }
    return texts;
}

void Query::storeRecord(std::size_t record, const std::vector<std::pair<std::string, std::string>> &values)
{
    m_impl->requireLive();
    std::map<int, std::string> fields;
    for (const auto &[field, text] : values) {
        const int column = m_impl->columnIndex(field);
        fields[m_impl->fieldOfColumn[static_cast<std::size_t>(column)]] = m_impl->encode(column, text);
    }
    m_impl->store(record, fields);
    m_impl->count.reset();
}

void Query::setJournal(EditJournal *journal)
{
    m_impl->journal = journal;
}

} // namespace data
