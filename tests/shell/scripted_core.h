// Scripted stand-ins for the probe, the model query and the poll cycle, linked into the shell
// tests in place of the real ones. Each call is noted in the fake UI's log, so tests can order
// it against the UI calls; outcomes come from queues the test fills.
#pragma once

#include <string>
#include <vector>

namespace scripted {

enum class Model {
    Read,        // true; g_model <- the queued text
    NoSuchName,  // false; g_state unchanged
    Lost,        // false; g_state <- STATE_LOST, as a request without answer leaves it
};
enum class Poll {
    Answered,  // writes "READY" into IDC_PRIMARY, as a cycle that reads the printer does
    Lost,      // writes nothing, leaves g_state STATE_LOST
};

void Reset();
// Empty queues give PROBE_REPLY, Model::Read of "Scripted Model" and Poll::Answered.
void QueueProbe(int result);
void QueueModel(Model outcome, const std::string& text = "Scripted Model");
void QueuePoll(Poll outcome);

int ProbeCalls();
int ModelCalls();
int PollCalls();
// Broken preconditions seen by the scripted poll (called outside STATE_OK or with a session).
int PollMisuses();
// g_target as each probe saw it.
std::vector<std::string> ProbedTargets();

}  // namespace scripted
