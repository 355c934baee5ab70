// The Markov projection of one transition record.
#include "model/projection.h"

#include "common/numbers.h"

namespace model {

double ModelStart(const TTransit &record, Distribution &p)
{
    double total = 0;
    for (double n : record.RowSum)
        total += n;
    for (std::size_t a = 0; a < 6; ++a)
        p[a] = static_cast<double>(common::checkedDiv(record.RowSum[a], total));
    return ModelAverage(p);
}

} // namespace model
