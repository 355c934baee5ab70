// The ascending order of list values.
#include "data/listorder.h"

#include <algorithm>

namespace data {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// -1, 0 or 1 as a comes before, with or after b in list order, bytes aside.
int compareNaturally(const std::string &a, const std::string &b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Two numbers: without leading zeros, the longer is larger, else the first differing digit.
            std::size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
            for (; si < ei; ++si, ++sj)
                if (a[si] != b[sj]) return a[si] < b[sj] ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const auto ca = static_cast<unsigned char>(lower(a[i])), cb = static_cast<unsigned char>(lower(b[j]));
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

} // namespace

bool listsBefore(const std::string &a, const std::string &b)
{
    const int natural = compareNaturally(a, b);
    return natural != 0 ? natural < 0 : a < b;
}

void sortListValues(std::vector<std::string> &values)
{
    std::sort(values.begin(), values.end(), listsBefore);
}

} // namespace data
