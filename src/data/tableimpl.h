// The file behind a Table and the record being appended. Internal to the engine.
#pragma once

#include "data/engine.h"

#include <optional>

namespace data {

struct Table::Impl
{
    explicit Impl(Connection::Impl *engine);
    ~Impl();

    Connection::Impl *engine; // null once the connection is destroyed
    std::shared_ptr<DbfFile> file;
    unsigned layoutVersion = 0;
    std::optional<std::string> pending; // the record being appended: flag and field bytes

    void close();
};

} // namespace data
