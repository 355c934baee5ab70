// The settings a model computation and a statistics run read from the main page and the model page.
#pragma once

#include "model/defclass.h"
#include "model/projectionband.h"

#include <optional>

namespace common {
class MessageSink;
}

namespace model {

// The "Max deads %" the window shows at first and the commands take without --max-deads.
inline constexpr double DefaultMaxDeads = 50;

struct ModelSettings
{
    ValueType valueType = ValueType::Percent;
    int interval = 1;         // years between the two years of a transition and between model steps
    double maxDeads =
        DefaultMaxDeads;      // "Max deads %": class-5 share, in per cent, above which a curve turns "model1"
    double prcTreeFactor = 0; // turns the standard deviation into the lower limit; see ComputePrcTreeFactor
    std::optional<BandSettings> band; // the uncertainty band around each model curve; none: no band
};

// |NormalQuantile(share / 100)|: the factor for a share, in per cent, of trees below the lower limit,
// computed in extended precision and rounded once to double. The window and every command compute it
// here from the share as typed, so that they cannot differ in the last bit (0.674189140043316 for 25).
// A share of 0, or of 100 or more, sends "Error of the normal distribution parameter" to sink and gives 0.
double ComputePrcTreeFactor(long double sharePercent, common::MessageSink &sink);

} // namespace model
