// Scripted stand-ins for the probe, the model query and the poll cycle, linked into the shell
// tests in place of the real ones. Each call is noted in the fake UI's log, so tests can order
// it against the UI calls, and answers as the script says, every time it is called.
#pragma once

#include <string>

namespace scripted {

// The model query: Read returns true with g_model <- modelText; NoSuchName returns false and
// leaves g_state alone; Lost returns false with g_state <- STATE_LOST, as a silent printer does.
enum class Model { Read, NoSuchName, Lost };
// The poll cycle: Answered writes "READY" into IDC_PRIMARY, as a cycle that reads the printer
// does; Lost writes nothing and leaves g_state STATE_LOST.
enum class Poll { Answered, Lost };

struct Script {
    int probe = 0;  // PROBE_REPLY
    Model model = Model::Read;
    std::string modelText = "Scripted Model";
    Poll poll = Poll::Answered;
    int probeCalls = 0, modelCalls = 0, pollCalls = 0;
    int pollMisuses = 0;  // polls outside STATE_OK or with a session open
};

// The one script; reset it with `S() = {}`.
Script& S();

}  // namespace scripted
