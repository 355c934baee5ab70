// A small parser for the commands' "--name value" and "--flag" options.
#pragma once

#include "cli/commands.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace cli {

class Options
{
public:
    // valueOptions take one value, flags none; anything else starting with "--" is refused. A value
    // option may be given more than once: value() is the last, values() all in order.
    Options(const Args &args, const std::set<std::string> &valueOptions, const std::set<std::string> &flags);

    const Args &positional() const { return m_positional; }
    bool has(const std::string &name) const;
    std::string value(const std::string &name, const std::string &fallback = "") const;
    std::vector<std::string> values(const std::string &name) const;
    int intValue(const std::string &name, int fallback) const;
    double floatValue(const std::string &name, double fallback) const;

private:
    Args m_positional;
    std::map<std::string, std::vector<std::string>> m_values;
    std::set<std::string> m_flags;
};

} // namespace cli
