// Setting the watched target: g_target is parsed into host and port and resolved once, when it
// is set (start-up, Update Target), and the result kept in g_agent for the probe and every SNMP
// session. No tick resolves a name again, and the lookup's wait is bounded.
#pragma once

// Works out g_agent from g_target. `fits` is false when the target or community given did not
// fit its buffer: such a text is never used cut, so the agent is left unusable and nothing is
// sent anywhere. On failure g_reason says why (target or community too long, not resolved);
// g_state is not touched.
void SetWatchedTarget(bool targetFits, bool communityFits);
