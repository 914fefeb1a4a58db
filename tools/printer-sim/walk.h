// Which object follows a name in a profile, as GETNEXT and GETBULK answer it: the next one in
// OID order; or, under the `walk` fault and within its subtree, a table that never ends, a step
// back, or no step at all. Pure: reads the profile and the faults.
#pragma once

#include <optional>

#include "tools/printer-sim/sim_state.h"

namespace sim {

// The binding that answers "the object after `after`"; nullopt past the end of the profile.
std::optional<ber::VarBind> NextObject(const Profile& profile, const Oid& after,
                                       const Faults& faults);

// "off", "endless", "backwards", "repeat"; and back (false for an unknown name).
const char* WalkFaultName(WalkFault fault);
bool WalkFaultFromName(const std::string& name, WalkFault& fault);

}  // namespace sim
