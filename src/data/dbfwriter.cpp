// Writing dBASE files through shapelib: creating tables and writing records over the engine's hooks.
#include "data/dbfwriter.h"

#include "common/error.h"
#include "common/fileio.h"
#include "data/codepage.h"
#include "data/fieldtext.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace data {

namespace {

// shapelib's hooks carry no user data: the file being opened is handed over in this variable for the
// length of one DBFOpenLL or DBFCreateLL call.
thread_local HookFile *tl_opening = nullptr;
thread_local std::string tl_error;

HookFile *hookFile(SAFile handle)
{
    return reinterpret_cast<HookFile *>(handle);
}

// shapelib derives "<base>.dbf", "<base>.DBF" and "<base>.cpg" from the name it is given; the engine
// has already chosen the exact file, so every .dbf name opens it and nothing else opens.
SAFile hookOpen(const char *name, const char *access)
{
    HookFile *file = tl_opening;
    std::size_t length = std::strlen(name);
    if (!file || length < 4 || strcasecmp(name + length - 4, ".dbf") != 0) return nullptr;
    if (access[0] == 'w') {
        if (::ftruncate(file->fd, 0) != 0) {
            file->error = errno;
            return nullptr;
        }
    }
    file->position = 0;
    return reinterpret_cast<SAFile>(file);
}

SAOffset hookRead(void *buffer, SAOffset size, SAOffset count, SAFile handle)
{
    HookFile *file = hookFile(handle);
    if (size == 0 || count == 0) return 0;
    char *bytes = static_cast<char *>(buffer);
    std::size_t wanted = size * count;
    const ssize_t length = common::readAt(file->fd, bytes, wanted, static_cast<off_t>(file->position));
    const std::size_t done = length > 0 ? static_cast<std::size_t>(length) : 0;
    file->position += done;
    return done / size;
}

SAOffset hookWrite(void *buffer, SAOffset size, SAOffset count, SAFile handle)
{
    HookFile *file = hookFile(handle);
    if (file->discard) return count;
    if (file->error != 0) return 0;
    const char *bytes = static_cast<const char *>(buffer);
    std::size_t total = size * count;
    if (!common::writeAt(file->fd, bytes, total, static_cast<off_t>(file->position))) {
        file->error = errno;
        return 0;
    }
    file->position += total;
    return count;
}

SAOffset hookSeek(SAFile handle, SAOffset offset, int whence)
{
    HookFile *file = hookFile(handle);
    if (whence == SEEK_SET)
        file->position = offset;
    else if (whence == SEEK_CUR)
        file->position += offset;
    else {
        struct stat status
        {
        };
        if (::fstat(file->fd, &status) != 0) return -1;
        file->position = static_cast<std::size_t>(status.st_size) + offset;
    }
    return 0;
}

SAOffset hookTell(SAFile handle)
{
    return hookFile(handle)->position;
}
int hookFlush(SAFile)
{
    return 0;
}
int hookClose(SAFile)
{
    return 0;
}
int hookRemove(const char *)
{
    return 0;
}
void hookError(const char *message)
{
    tl_error = message ? message : "";
}

double hookAtof(const char *text)
{
    auto number = parseFieldNumber(text ? text : "");
    return number ? number->real : 0.0;
}

SAHooks engineHooks()
{
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = hookOpen;
    hooks.FRead = hookRead;
    hooks.FWrite = hookWrite;
    hooks.FSeek = hookSeek;
    hooks.FTell = hookTell;
    hooks.FFlush = hookFlush;
    hooks.FClose = hookClose;
    hooks.Remove = hookRemove;
    hooks.Error = hookError;
    hooks.Atof = hookAtof;
    return hooks;
}

void stampToday(DBFHandle handle)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    DBFSetLastModifiedDate(handle, local.tm_year, local.tm_mon + 1, local.tm_mday);
}

std::string systemMessage(int error)
{
    return std::strerror(error);
}

} // namespace

DbfFile::Writer::Writer(const std::filesystem::path &filePath, std::size_t headerLength,
                        std::size_t recordLength, std::size_t recordCount,
                        const std::vector<DbfField> &fields)
    : path(filePath)
{
    const std::string name = path.filename().string();
    file.fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (file.fd < 0) {
        int error = errno;
        if (error == EACCES || error == EROFS || error == EPERM)
            throw common::DataError("Table " + name + " is read-only: " + systemMessage(error));
        throw common::DataError("Cannot open table " + name + " for writing: " + systemMessage(error));
    }
    SAHooks hooks = engineHooks();
    tl_opening = &file;
    tl_error.clear();
    handle = DBFOpenLL(path.c_str(), "rb+", &hooks);
    tl_opening = nullptr;
    if (!handle) {
        ::close(file.fd);
        throw common::DataError("Cannot open table " + name + " for writing" +
                                (tl_error.empty() ? std::string() : ": " + tl_error));
    }
    bool same = static_cast<std::size_t>(handle->nHeaderLength) == headerLength &&
                static_cast<std::size_t>(handle->nRecordLength) == recordLength &&
                static_cast<std::size_t>(handle->nRecords) == recordCount &&
                static_cast<std::size_t>(handle->nFields) == fields.size();
    for (std::size_t i = 0; same && i < fields.size(); ++i)
        same = handle->panFieldOffset[i] == fields[i].offset && handle->panFieldSize[i] == fields[i].width &&
               handle->pachFieldType[i] == fields[i].type;
    if (!same) {
        file.discard = true;
        DBFClose(handle);
        ::close(file.fd);
        throw common::DataError("Table " + name +
                                " cannot be written: its header is not one the writer understands");
    }
}

DbfFile::Writer::~Writer()
{
    // Every write already put its record and the header on disk; closing must not write a header
    // that another program may have changed since.
    file.discard = true;
    DBFClose(handle);
    ::close(file.fd);
}

std::size_t DbfFile::Writer::recordCount() const
{
    return static_cast<std::size_t>(handle->nRecords);
}

void DbfFile::Writer::write(std::size_t record, const std::string &bytes, const DbfFile::UpdateDate *date)
{
    const std::string name = path.filename().string();
    if (date)
        DBFSetLastModifiedDate(handle, (*date)[0], (*date)[1], (*date)[2]);
    else
        stampToday(handle);
    // The end-of-file mark belongs after a new last record; rewriting a record leaves the bytes after
    // it as they are, so that a file without the mark is not lengthened by an edit.
    DBFSetWriteEndOfFileChar(handle, static_cast<std::size_t>(handle->nRecords) <= record);
    tl_error.clear();
    if (!DBFWriteTuple(handle, static_cast<int>(record), const_cast<char *>(bytes.data())))
        throw common::DataError("Cannot write record " + std::to_string(record + 1) + " of table " + name +
                                (tl_error.empty() ? std::string() : ": " + tl_error));
    DBFUpdateHeader(handle);
    if (file.error != 0)
        throw common::DataError("Cannot write table " + name + ": " + systemMessage(file.error));
}

DbfFile::UpdateDate DbfFile::Writer::storedDate() const
{
    unsigned char bytes[3] = {0, 0, 0};
    const ssize_t length = common::readAt(file.fd, bytes, sizeof bytes, 1);
    if (length != static_cast<ssize_t>(sizeof bytes))
        throw common::DataError("Cannot read the header of table " + path.filename().string());
    return {bytes[0], bytes[1], bytes[2]};
}

void DbfFile::create(const std::filesystem::path &path, const std::vector<FieldSpec> &fields,
                     bool overEmptyFile)
{
    const std::string name = path.filename().string();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | (overEmptyFile ? 0 : O_EXCL) | O_CLOEXEC, 0666);
    struct stat status
    {
    };
    if (fd >= 0 && overEmptyFile && (::fstat(fd, &status) != 0 || status.st_size != 0)) {
        ::close(fd);
        fd = -1;
        errno = EEXIST;
    }
    if (fd < 0) {
        int error = errno;
        if (error == EEXIST) throw common::DataError("Table " + name + " already exists");
        throw common::DataError("Cannot create table " + name + ": " + systemMessage(error));
    }
    HookFile file;
    file.fd = fd;
    SAHooks hooks = engineHooks();
    const std::string languageDriver = "LDID/" + std::to_string(kDefaultLanguageDriver);

    tl_opening = &file;
    tl_error.clear();
    DBFHandle handle = DBFCreateLL(path.c_str(), languageDriver.c_str(), &hooks);
    tl_opening = nullptr;
    std::string failure;
    if (!handle) {
        failure = tl_error.empty() ? "shapelib cannot create it" : tl_error;
    } else {
        for (const FieldSpec &field : fields) {
            if (DBFAddNativeFieldType(handle, field.name.c_str(), field.type, field.width, field.decimals) <
                0) {
                failure = "cannot add field " + field.name + (tl_error.empty() ? "" : ": " + tl_error);
                break;
            }
        }
        stampToday(handle);
        DBFClose(handle);
        if (failure.empty() && file.error != 0) failure = systemMessage(file.error);
    }
    ::close(fd);
    if (!failure.empty()) {
        ::unlink(path.c_str());
        throw common::DataError("Cannot create table " + name + ": " + failure);
    }
}

} // namespace data
