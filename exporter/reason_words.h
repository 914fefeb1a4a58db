// A printer's reasons for its health in words a person reads ("paper jam", "toner low: yellow
// 5%", "drum near end of life"), each with the reasons of the health rules it stands for (the
// MIB's names, for a tooltip). Reasons that say the same merge; a general one ("toner low") gives
// way to a specific one ("toner low: yellow 5%"), and "printer down" to what brought it down.
#pragma once

#include <string>
#include <vector>

#include "condition/condition.h"

namespace exporter {

struct ReasonWords {
    std::string text;  // what a person reads
    std::string mib;   // the health rules' reasons it stands for, "; " between them
};

std::vector<ReasonWords> ReadableReasons(const condition::Condition& condition);

}  // namespace exporter
