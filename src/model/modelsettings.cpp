// The share factor of the lower defoliation limit.
#include "model/modelsettings.h"

#include "stats/distributions.h"

#include <cmath>

namespace model {

double ComputePrcTreeFactor(long double sharePercent, common::MessageSink &sink)
{
    return static_cast<double>(std::fabs(stats::NormalQuantile(sharePercent / 100, sink)));
}

} // namespace model
