#include "bench/snmpmgr/manager_cycle.h"

#include "platform/snmpmgr/mgmtapi.h"
#include "shell/object_text.h"

const std::vector<const char*>& PollOids() {
    static const std::vector<const char*> oids = {
        ".1.3.6.1.4.1.11.2.3.9.1.1.3.0", ".1.3.6.1.2.1.43.16.5.1.2.1.1",
        ".1.3.6.1.2.1.43.16.5.1.2.1.2",  ".1.3.6.1.2.1.43.16.5.1.2.1.3",
        ".1.3.6.1.2.1.43.16.5.1.2.1.4",  ".1.3.6.1.2.1.43.16.5.1.2.1.5",
        ".1.3.6.1.2.1.43.16.5.1.2.1.6",  ".1.3.6.1.2.1.43.16.5.1.2.1.7",
        ".1.3.6.1.2.1.43.16.5.1.2.1.8",  ".1.3.6.1.2.1.43.10.2.1.4.1.1",
        ".1.3.6.1.2.1.43.10.2.1.5.1.1",  ".1.3.6.1.2.1.43.11.1.1.8.1.1",
        ".1.3.6.1.2.1.43.11.1.1.9.1.1",
    };
    return oids;
}

int ManagerCycle(const char* target) {
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(target, "orchid", SNMP_TIMEOUT_MS, SNMP_RETRIES);
    if (session == nullptr) {
        return 0;
    }
    int answered = 0;
    for (const char* text : PollOids()) {
        SnmpVarBindList list{};
        list.list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind)));
        list.len = 1;
        AsnObjectIdentifier oid{};
        SnmpMgrStrToOid(text, &oid);
        SnmpUtilOidCpy(&list.list[0].name, &oid);
        list.list[0].value.asnType = ASN_NULL;
        AsnInteger32 status = 0;
        AsnInteger32 index = 0;
        answered += SnmpMgrRequest(session, SNMP_PDU_GET, &list, &status, &index) != 0;
        SnmpUtilVarBindListFree(&list);
        SnmpUtilOidFree(&oid);
    }
    SnmpMgrClose(session);
    return answered;
}
