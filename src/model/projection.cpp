// The Markov projection of one transition record.
#include "model/projection.h"

#include "common/numbers.h"

namespace model {

double ModelAverage(const Distribution &p)
{
    if (p[5] >= 0.95) return 100;
    double sum = 0;
    for (std::size_t a = 0; a < ModelClassPercent.size(); ++a)
        sum += ModelClassPercent[a] * p[a];
    return sum / (1 - p[5]);
}

double ModelStart(const TTransit &record, Distribution &p)
{
    double total = 0;
    for (double n : record.RowSum)
        total += n;
    for (std::size_t a = 0; a < 6; ++a)
        p[a] = static_cast<double>(common::checkedDiv(record.RowSum[a], total));
    return ModelAverage(p);
}

double ModelStep(const TTransit &record, Distribution &p)
{
    Distribution next{};
    for (std::size_t b = 0; b < 6; ++b)
        for (std::size_t a = 0; a < 6; ++a)
            next[b] += p[a] * record.T[a][b];
    p = next;
    return ModelAverage(p);
}

} // namespace model
