// The objects the window reads, as the manager seam takes them: dotted text from the root
// (".1.3.6.1..."), made from printer_mib.h's objects and the printer's rows (g_rows). For a
// printer whose rows are 1 these are the identifiers the window has always asked for.
#pragma once

#include <cstdint>
#include <string>

#include "snmp/printer_mib.h"
#include "state/printer_rows.h"

inline constexpr int STATUS_OID_COUNT = 13;

// Which row of the printer a status object is read at.
enum class StatusInstance {
    Scalar,       // the object as it stands (it ends in .0)
    ConsoleLine,  // device, line
    Marker,       // device, marker 1
    Supply,       // device, the toner's supply row
};

struct StatusObject {
    const mib::Oid* object;
    StatusInstance instance;
    std::uint32_t line;  // ConsoleLine only
};

// The poll cycle's objects in request order; a row's position also says where its value goes.
extern const StatusObject StatusOidTable[STATUS_OID_COUNT];

// `oid` as dotted text with a leading period, as SnmpMgrStrToOid reads it.
std::string DottedOid(const mib::Oid& oid);

// Row `row` of StatusOidTable at the printer's rows.
std::string StatusOidText(int row, const PrinterRows& rows);

// The printer device's description, the model the title shows.
std::string ModelOidText(const PrinterRows& rows);
