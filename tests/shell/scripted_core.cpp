#include "tests/shell/scripted_core.h"

#include "platform/ui/fake/fake_ui.h"
#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "snmp/object_text.h"
#include "snmp/poll.h"
#include "text/bounded_text.h"

scripted::Script& scripted::S() {
    static Script script;
    return script;
}

int ProbeTarget() {
    ++scripted::S().probeCalls;
    fakeui::Note("ProbeTarget");
    return scripted::S().probe;
}

bool QueryPrinterModel() {
    auto& s = scripted::S();
    ++s.modelCalls;
    fakeui::Note("QueryPrinterModel");
    if (s.model == scripted::Model::Read) {
        BoundedCopy(g_model, MODEL_CHARS, s.modelText.c_str());
    }
    g_state = s.model == scripted::Model::Lost ? STATE_LOST : g_state;
    return s.model == scripted::Model::Read;
}

void PollPrinterStatus(HWND dialog) {
    auto& s = scripted::S();
    ++s.pollCalls;
    s.pollMisuses += g_state != STATE_OK || g_session != nullptr ? 1 : 0;
    fakeui::Note("PollPrinterStatus");
    if (s.poll == scripted::Poll::Answered) {
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, "READY");
    }
    g_state = s.poll == scripted::Poll::Lost ? STATE_LOST : g_state;
}
