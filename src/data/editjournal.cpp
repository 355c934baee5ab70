// Undo of stored rows: the steps, the look at the file, and the records written back.
#include "data/editjournal.h"

#include "common/error.h"
#include "data/engine.h"

namespace data {

EditJournal::EditJournal(Connection &connection) : m_connection(connection) {}

void EditJournal::beginStep()
{
    if (m_depth++ == 0) m_stepOpen = false;
}

void EditJournal::endStep()
{
    if (m_depth > 0 && --m_depth == 0) m_stepOpen = false;
}

std::optional<common::FileIdentity> EditJournal::identityNow() const
{
    return common::fileIdentity(m_path.string());
}

void EditJournal::drop(const std::string &why)
{
    m_steps.clear();
    m_stepOpen = false;
    m_note = why;
}

bool EditJournal::checkFile()
{
    // A change of the file's entry alone (chmod, a new link) leaves the undo history as it is.
    const auto now = identityNow();
    const bool same = now && m_identity ? now->sameContent(*m_identity) : !now && !m_identity;
    if (m_steps.empty() || same) return false;
    drop("Table " + m_path.filename().string() +
         " was changed by another program after your last change here: the changes made before "
         "cannot be undone any more.");
    return true;
}

void EditJournal::aboutToStore(const std::filesystem::path &file)
{
    if (file != m_path) {
        clear();
        m_path = file;
        return;
    }
    checkFile();
}

void EditJournal::stored(const std::filesystem::path &file, std::size_t record,
                         const DbfFile::Replaced &before, const std::string &after)
{
    if (file != m_path) {
        clear();
        m_path = file;
    }
    if (!(m_depth > 0 && m_stepOpen)) {
        m_steps.push_back({{}, before.date});
        m_stepOpen = m_depth > 0;
    }
    m_steps.back().changes.push_back({record, before.bytes, after});
    m_identity = identityNow();
}

std::vector<std::size_t> EditJournal::undo()
{
    if (m_steps.empty() || checkFile()) return {};
    auto file = m_connection.impl().sharedFile(m_path);
    Step &step = m_steps.back();
    // Every record must still hold what the step left in it; the last change of a record is checked.
    std::map<std::size_t, const std::string *> expected;
    for (const Change &change : step.changes)
        expected[change.record] = &change.after;
    for (const auto &[record, bytes] : expected) {
        if (record >= file->recordCount() || file->recordBytes(record) != *bytes) {
            drop("Record " + std::to_string(record + 1) + " of table " + m_path.filename().string() +
                 " was changed by another program after your last change here: the changes made "
                 "before cannot be undone any more.");
            return {};
        }
    }
    std::vector<std::size_t> written;
    const DbfFile::UpdateDate date = step.dateBefore;
    try {
        while (!step.changes.empty()) {
            const Change &change = step.changes.back();
            file->restoreRecord(change.record, change.after, {change.before, date});
            written.push_back(change.record);
            step.changes.pop_back();
        }
        m_steps.pop_back();
        m_stepOpen = false;
        m_identity = identityNow();
        file->flush();
    } catch (...) {
        m_identity = identityNow();
        throw;
    }
    return written;
}

void EditJournal::clear()
{
    m_steps.clear();
    m_stepOpen = false;
    m_note.clear();
}

std::string EditJournal::takeNote()
{
    std::string note;
    note.swap(m_note);
    return note;
}

} // namespace data
