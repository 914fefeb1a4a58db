#include "shell/object_text.h"

#include <string>

#include "shell/find_rows.h"
#include "shell/window_oids.h"
#include "snmp/printer_mib.h"
#include "snmp/value_text.h"
#include "state/monitor_state.h"
#include "state/printer_rows.h"
#include "text/bounded_text.h"

bool GetObjectText(AsnObjectIdentifier* oid, char* text) {
    SnmpVarBindList request{};
    request.list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind)));
    if (request.list == nullptr) {
        // No request was made: nothing is known about the printer, so the state stays.
        return false;
    }
    request.len = 1;
    if (!SnmpUtilOidCpy(&request.list[0].name, oid)) {
        SnmpUtilVarBindListFree(&request);
        return false;
    }
    request.list[0].value.asnType = ASN_NULL;

    AsnInteger32 errorStatus = 0;
    AsnInteger32 errorIndex = 0;
    if (!SnmpMgrRequest(g_session, SNMP_PDU_GET, &request, &errorStatus, &errorIndex)) {
        SnmpUtilVarBindListFree(&request);
        SnmpUtilOidFree(oid);
        g_state = STATE_LOST;
        g_reason = REASON_TIMEOUT;
        return false;
    }

    // The manager may have replaced the array: read the answer from the list as it is now.
    char* rendered = request.len != 0 ? ValueToText(&request.list[0].value) : nullptr;
    BoundedCopy(text, OBJECT_TEXT_CHARS, rendered != nullptr ? rendered : "");
    SnmpUtilVarBindListFree(&request);
    if (rendered != nullptr) {
        SnmpUtilMemFree(rendered);
    }
    return errorStatus != SNMP_ERRORSTATUS_NOSUCHNAME;
}

namespace {

// One GET of the object named by `dotted` into `text`. *lost is set when no answer came.
bool ReadObject(const std::string& dotted, char* text, bool* lost) {
    AsnObjectIdentifier oid{};
    SnmpMgrStrToOid(dotted.c_str(), &oid);
    const bool read = GetObjectText(&oid, text);
    // Only a request without answer releases the caller's identifier.
    *lost = !read && oid.ids == nullptr;
    SnmpUtilOidFree(&oid);
    return read;
}

// The printer device's description; sysDescr.0 when the agent has none (no device table).
bool ReadModel(char* text) {
    bool lost = false;
    if (ReadObject(ModelOidText(g_rows), text, &lost)) {
        return true;
    }
    return !lost && ReadObject(DottedOid(mib::SYS_DESCR), text, &lost);
}

}  // namespace

bool QueryPrinterModel() {
    g_session = g_agent.usable
                    ? SnmpMgrOpenAgent(g_agent.address, g_community, SNMP_TIMEOUT_MS, SNMP_RETRIES)
                    : nullptr;
    if (g_session == nullptr) {
        return false;
    }
    char text[OBJECT_TEXT_CHARS] = "";
    // A walk that lost the printer ends the query: one time-out, as for the model alone.
    const bool read = FindPrinterRows() && ReadModel(text);
    if (read) {
        BoundedCopy(g_model, MODEL_CHARS, text);
    }
    SnmpMgrClose(g_session);
    g_session = nullptr;
    return read;
}
