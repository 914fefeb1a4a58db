#include "tests/shell/scripted_core.h"

#include <deque>

#include "platform/ui/fake/fake_ui.h"
#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "snmp/object_text.h"
#include "snmp/poll.h"
#include "text/bounded_text.h"

namespace scripted {
namespace {

struct ModelStep {
    Model outcome;
    std::string text;
};

struct Script {
    std::deque<int> probes;
    std::deque<ModelStep> models;
    std::deque<Poll> polls;
    int probeCalls = 0;
    int modelCalls = 0;
    int pollCalls = 0;
    int pollMisuses = 0;
    std::vector<std::string> probedTargets;
};

Script& S() {
    static Script script;
    return script;
}

}  // namespace

void Reset() {
    S() = Script{};
}
void QueueProbe(int result) {
    S().probes.push_back(result);
}
void QueueModel(Model outcome, const std::string& text) {
    S().models.push_back({outcome, text});
}
void QueuePoll(Poll outcome) {
    S().polls.push_back(outcome);
}
int ProbeCalls() {
    return S().probeCalls;
}
int ModelCalls() {
    return S().modelCalls;
}
int PollCalls() {
    return S().pollCalls;
}
int PollMisuses() {
    return S().pollMisuses;
}
std::vector<std::string> ProbedTargets() {
    return S().probedTargets;
}

}  // namespace scripted

int ProbeTarget() {
    auto& s = scripted::S();
    ++s.probeCalls;
    s.probedTargets.emplace_back(g_target);
    fakeui::Note("ProbeTarget");
    int result = PROBE_REPLY;
    if (!s.probes.empty()) {
        result = s.probes.front();
        s.probes.pop_front();
    }
    return result;
}

bool QueryPrinterModel() {
    auto& s = scripted::S();
    ++s.modelCalls;
    fakeui::Note("QueryPrinterModel");
    scripted::ModelStep step{scripted::Model::Read, "Scripted Model"};
    if (!s.models.empty()) {
        step = s.models.front();
        s.models.pop_front();
    }
    switch (step.outcome) {
        case scripted::Model::Read:
            BoundedCopy(g_model, MODEL_CHARS, step.text.c_str());
            return true;
        case scripted::Model::NoSuchName:
            return false;
        case scripted::Model::Lost:
            g_state = STATE_LOST;
            return false;
    }
    return false;
}

void PollPrinterStatus(HWND dialog) {
    auto& s = scripted::S();
    ++s.pollCalls;
    if (g_state != STATE_OK || g_session != nullptr) {
        ++s.pollMisuses;
    }
    fakeui::Note("PollPrinterStatus");
    scripted::Poll outcome = scripted::Poll::Answered;
    if (!s.polls.empty()) {
        outcome = s.polls.front();
        s.polls.pop_front();
    }
    if (outcome == scripted::Poll::Answered) {
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
    } else {
        g_state = STATE_LOST;
    }
}
