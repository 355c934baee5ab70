// Option parsing for fenoris-cli commands.
#include "cli/options.h"

#include "common/error.h"
#include "common/numbers.h"

namespace cli {

Options::Options(const Args &args, const std::set<std::string> &valueOptions, const std::set<std::string> &flags)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::string name = arg.substr(2);
            if (flags.count(name)) {
                m_flags.insert(name);
            } else if (valueOptions.count(name)) {
                if (i + 1 >= args.size()) throw common::Error("Option " + arg + " needs a value");
                m_values[name].push_back(args[++i]);
            } else {
                throw common::Error("Unknown option " + arg);
            }
        } else {
            m_positional.push_back(arg);
        }
    }
}

bool Options::has(const std::string &name) const { return m_flags.count(name) || m_values.count(name); }

std::string Options::value(const std::string &name, const std::string &fallback) const
{
    auto found = m_values.find(name);
    return found == m_values.end() ? fallback : found->second.back();
}

std::vector<std::string> Options::values(const std::string &name) const
{
    auto found = m_values.find(name);
    return found == m_values.end() ? std::vector<std::string>{} : found->second;
}

int Options::intValue(const std::string &name, int fallback) const
{
    auto found = m_values.find(name);
    return found == m_values.end() ? fallback : common::strToInt(found->second.back());
}

double Options::floatValue(const std::string &name, double fallback) const
{
    auto found = m_values.find(name);
    return found == m_values.end() ? fallback : static_cast<double>(common::strToFloat(found->second.back()));
}

} // namespace cli
