#include "bench/snmpmgr/netsnmp_cycle.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <cstdlib>

struct NetSnmpCycle {
    std::string target;
    std::string community;
    struct Name {
        oid ids[MAX_OID_LEN];
        size_t length;
    };
    std::vector<Name> names;
};

NetSnmpCycle* NetSnmpCycleCreate(const std::string& target, const std::string& community,
                                 const std::vector<const char*>& oids) {
    // No MIB files: the identifiers are numeric, and loading MIBs only adds noise.
    setenv("MIBS", "", 1);
    setenv("MIBDIRS", "/nonexistent", 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    init_snmp("vellumark-bench");
    auto* cycle = new NetSnmpCycle{target, community, {}};
    for (const char* text : oids) {
        NetSnmpCycle::Name name{};
        name.length = MAX_OID_LEN;
        if (read_objid(text, name.ids, &name.length) == 0) {
            delete cycle;
            return nullptr;
        }
        cycle->names.push_back(name);
    }
    return cycle;
}

int NetSnmpCycleRun(NetSnmpCycle* cycle) {
    netsnmp_session settings;
    snmp_sess_init(&settings);
    settings.version = SNMP_VERSION_1;
    settings.peername = const_cast<char*>(cycle->target.c_str());
    settings.community = reinterpret_cast<u_char*>(const_cast<char*>(cycle->community.c_str()));
    settings.community_len = cycle->community.size();
    settings.timeout = 500000;  // microseconds
    settings.retries = 0;
    void* session = snmp_sess_open(&settings);
    if (session == nullptr) {
        return 0;
    }
    int answered = 0;
    for (const NetSnmpCycle::Name& name : cycle->names) {
        netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GET);
        snmp_add_null_var(request, name.ids, name.length);
        netsnmp_pdu* response = nullptr;
        if (snmp_sess_synch_response(session, request, &response) == STAT_SUCCESS) {
            ++answered;
        }
        if (response != nullptr) {
            snmp_free_pdu(response);
        }
    }
    snmp_sess_close(session);
    return answered;
}

void NetSnmpCycleDestroy(NetSnmpCycle* cycle) {
    delete cycle;
}
