// The full poll cycle (open, 13 GETs, deliveries to the recording fake UI, close) against the
// simulated printer on loopback, next to the same 13 GETs made bare through the manager, so
// the cost of rendering and delivering the values can be read off the difference.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/snmpmgr/mgmtapi.h"
#include "shell/globals.h"
#include "shell/object_text.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "state/watched_target.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "tests/support/printer_sim.h"
#include "text/bounded_text.h"

namespace {

// One simulator for the whole run, serving its bundled monochrome laser printer.
const PrinterSim& Sim() {
    static const std::unique_ptr<PrinterSim> sim = std::make_unique<PrinterSim>();
    return *sim;
}

bool Aim(benchmark::State& state) {
    if (!Sim().ok()) {
        state.SkipWithError(Sim().error().c_str());
        return false;
    }
    BoundedCopy(g_target, TARGET_CHARS, Sim().target().c_str());
    SetWatchedTarget(true, true);
    BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
    g_state = STATE_OK;
    g_session = nullptr;
    return true;
}

void BM_PollCycle(benchmark::State& state) {
    if (!Aim(state)) {
        return;
    }
    fakeui::Reset();
    const HWND dialog = fakeui::DialogHandle(IDD_MONITOR);
    for (auto _ : state) {
        PollPrinterStatus(dialog);
    }
    if (g_state != STATE_OK) {
        state.SkipWithError("the printer was lost during the run");
    }
}
BENCHMARK(BM_PollCycle)->Unit(benchmark::kMicrosecond);

// The manager's work alone: the same session, identifiers and requests, no rendering, no
// delivery.
void BM_BareGets(benchmark::State& state) {
    if (!Aim(state)) {
        return;
    }
    int failures = 0;
    for (auto _ : state) {
        LPSNMP_MGR_SESSION session =
            SnmpMgrOpen(g_target, g_community, SNMP_TIMEOUT_MS, SNMP_RETRIES);
        for (int row = 0; row < STATUS_OID_COUNT; ++row) {
            AsnObjectIdentifier oid{0, nullptr};
            SnmpMgrStrToOid(StatusOidTable[row], &oid);
            SnmpVarBindList list{nullptr, 0};
            list.list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind)));
            list.len = 1;
            SnmpUtilOidCpy(&list.list[0].name, &oid);
            list.list[0].value.asnType = ASN_NULL;
            AsnInteger32 errorStatus = 0;
            AsnInteger32 errorIndex = 0;
            if (SnmpMgrRequest(session, SNMP_PDU_GET, &list, &errorStatus, &errorIndex) == 0) {
                ++failures;
            }
            benchmark::DoNotOptimize(list.list[0].value.asnType);
            SnmpUtilVarBindListFree(&list);
            SnmpUtilOidFree(&oid);
        }
        SnmpMgrClose(session);
    }
    if (failures != 0) {
        state.SkipWithError("requests went unanswered");
    }
}
BENCHMARK(BM_BareGets)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
