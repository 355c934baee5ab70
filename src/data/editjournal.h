// Undo of the rows stored into a dBASE table: what each write replaced, kept in steps, and written
// back step by step, the last first.
//
// A live query with a journal (Query::setJournal) tells it every row it stores. Rows stored between
// beginStep() and endStep() make one step, so that a whole run of a tool is undone at once; every
// other row is a step of its own. undo() puts the records of the last step back as they were, with the
// header's date of then, so that undoing every step leaves the file byte for byte as it was.
//
// The history describes the file only as long as nothing else writes it. The journal remembers the
// file as it was after its own last write (inode, size, time of change); when another program has
// changed it since, the history is dropped and takeNote() says so, once.
#pragma once

#include "common/fileio.h"

#include "data/dbffile.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace data {

class Connection;

class EditJournal
{
public:
    explicit EditJournal(Connection &connection);
    EditJournal(const EditJournal &) = delete;
    EditJournal &operator=(const EditJournal &) = delete;

    // Rows stored until the matching endStep() make one step; the calls may nest.
    void beginStep();
    void endStep();
    // beginStep() now, endStep() when it goes out of scope.
    class StepScope
    {
    public:
        explicit StepScope(EditJournal &journal) : m_journal(journal) { m_journal.beginStep(); }
        ~StepScope() { m_journal.endStep(); }
        StepScope(const StepScope &) = delete;
        StepScope &operator=(const StepScope &) = delete;

    private:
        EditJournal &m_journal;
    };

    bool canUndo() const { return !m_steps.empty(); }
    std::size_t stepCount() const { return m_steps.size(); }
    // Drops the history when another program changed the file since the journal's last write; true
    // when it did (takeNote() then tells why).
    bool checkFile();
    // Writes the records of the last step back as they were and returns them (empty when there was
    // nothing to undo or the history had to be dropped). Nothing is written when a record of the
    // step no longer holds what the step wrote. Throws common::DataError when the file refuses a
    // write; the records not yet written back stay in the history then.
    std::vector<std::size_t> undo();
    // Forgets the history (the table is closed).
    void clear();
    // Why the history was dropped, once; empty when it was not.
    std::string takeNote();

    // Told by a live query: a row of file is about to be written, and what the write replaced.
    void aboutToStore(const std::filesystem::path &file);
    void stored(const std::filesystem::path &file, std::size_t record, const DbfFile::Replaced &before,
                const std::string &after);

private:
    struct Change
    {
        std::size_t record = 0;
        std::string before;
        std::string after;
    };
    struct Step
    {
        std::vector<Change> changes;
        DbfFile::UpdateDate dateBefore{};
    };
    // The file as it is now; nothing when it cannot be looked at.
    std::optional<common::FileIdentity> identityNow() const;
    void drop(const std::string &why);

    Connection &m_connection;
    std::filesystem::path m_path;
    std::vector<Step> m_steps;
    std::optional<common::FileIdentity> m_identity;
    int m_depth = 0;
    bool m_stepOpen = false; // the step of the present beginStep() has been started
    std::string m_note;
};

} // namespace data
