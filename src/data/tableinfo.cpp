// Describing a data table: fields, records and the code page its text is read in.
#include "data/tableinfo.h"

#include "common/error.h"
#include "data/engine.h"

#include <algorithm>

namespace data {

TableInfo describeTable(Connection &connection, const std::string &fileName)
{
    connection.impl().requireOpen();
    const auto path = connection.findFile(fileName);
    if (!path)
        throw common::DataError("Table " + fileName + " does not exist in " +
                                connection.directory().string());
    const std::shared_ptr<DbfFile> file = connection.impl().sharedFile(*path);
    TableInfo info;
    info.fileName = file->fileName();
    info.fields = file->fields();
    info.records = file->liveRecordCount();
    info.deleted = file->recordCount() - info.records;
    info.codePage = file->codePageChoice();
    return info;
}

std::string formatTableInfo(const TableInfo &info)
{
    std::string text = "Table: " + info.fileName + "\n";
    text += "Records: " + std::to_string(info.records);
    if (info.deleted > 0) text += ", and " + std::to_string(info.deleted) + " marked deleted";
    text += "\nCode page: " + describeCodePage(info.codePage) + "\n";
    text += "Fields: " + std::to_string(info.fields.size()) + "\n";
    std::size_t nameWidth = 0;
    for (const DbfField &field : info.fields)
        nameWidth = std::max(nameWidth, field.name.size());
    for (const DbfField &field : info.fields) {
        std::string size = std::to_string(field.width);
        if (field.isNumeric()) size += "," + std::to_string(field.decimals);
        text += "  " + field.name + std::string(nameWidth - field.name.size() + 2, ' ') + field.type + "(" +
                size + ")\n";
    }
    return text;
}

} // namespace data
