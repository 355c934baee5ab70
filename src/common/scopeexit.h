// A cleanup that runs when a scope ends, however it ends.
#pragma once

#include <utility>

namespace common {

// Calls its function once when it goes out of scope: at a return, at the end of the block and when an
// exception leaves it. The function runs in a destructor, so it must not throw.
//
//     const common::ScopeExit closing([&query] { query.close(); });
template <class Cleanup> class ScopeExit
{
public:
    explicit ScopeExit(Cleanup cleanup) : m_cleanup(std::move(cleanup)) {}
    ~ScopeExit() { m_cleanup(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    Cleanup m_cleanup;
};

} // namespace common
