#include "shell/find_rows.h"

#include <optional>
#include <utility>

#include "platform/snmpmgr/mgmtapi.h"
#include "shell/window_oids.h"
#include "snmp/printer_mib.h"
#include "state/monitor_state.h"
#include "state/printer_rows.h"

namespace {

// What one GETNEXT brought: the next row of the walked column, or its end, or no answer.
enum class Step { Row, End, Lost };

struct Cell {
    std::uint32_t row = 0;
    const AsnAny* value = nullptr;
};

// One GETNEXT after `cursor` (advanced to the answer's name). The answer counts as the column's
// next row only when it is a cell of `column` (column + one index); an error status, another
// column or an answer that does not advance ends the walk.
class ColumnWalk {
  public:
    explicit ColumnWalk(mib::Oid column) : column_(std::move(column)), cursor_(column_) {}
    ~ColumnWalk() { SnmpUtilVarBindListFree(&list_); }
    ColumnWalk(const ColumnWalk&) = delete;
    ColumnWalk& operator=(const ColumnWalk&) = delete;

    Step Next(Cell* cell) {
        SnmpUtilVarBindListFree(&list_);
        list_.list = static_cast<SnmpVarBind*>(SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind)));
        if (list_.list == nullptr) {
            return Step::End;  // nothing was asked, so nothing is known about the printer
        }
        list_.len = 1;
        list_.list[0].value.asnType = ASN_NULL;
        SnmpMgrStrToOid(DottedOid(cursor_).c_str(), &list_.list[0].name);
        AsnInteger32 errorStatus = 0;
        AsnInteger32 errorIndex = 0;
        if (!SnmpMgrRequest(g_session, SNMP_PDU_GETNEXT, &list_, &errorStatus, &errorIndex)) {
            g_state = STATE_LOST;
            g_reason = REASON_TIMEOUT;
            return Step::Lost;
        }
        if (errorStatus != SNMP_ERRORSTATUS_NOERROR || list_.len != 1) {
            return Step::End;
        }
        const AsnObjectIdentifier& name = list_.list[0].name;
        const mib::Oid next(name.ids, name.ids + name.idLength);
        if (next.size() != column_.size() + 1 || !mib::InSubtree(next, column_) ||
            next <= cursor_ || next.back() == 0) {
            return Step::End;
        }
        cursor_ = next;
        cell->row = next.back();
        cell->value = &list_.list[0].value;
        return Step::Row;
    }

  private:
    mib::Oid column_;
    mib::Oid cursor_;
    SnmpVarBindList list_{nullptr, 0};
};

bool IsPrinterDevice(const AsnAny& value) {
    return value.asnType == ASN_OBJECTIDENTIFIER &&
           mib::Oid(value.asnValue.object.ids,
                    value.asnValue.object.ids + value.asnValue.object.idLength) ==
               mib::HR_DEVICE_PRINTER;
}

bool IsToner(const AsnAny& value) {
    return value.asnType == ASN_INTEGER && value.asnValue.number == mib::SUPPLY_TYPE_TONER;
}

// The first device whose type is hrDevicePrinter; none when the table has none within reach.
Step FindDevice(std::optional<std::uint32_t>* device) {
    ColumnWalk walk(mib::HR_DEVICE_TYPE);
    Cell cell;
    for (int read = 0; read < MAX_DEVICE_ROWS; ++read) {
        const Step step = walk.Next(&cell);
        if (step != Step::Row) {
            return step;
        }
        if (IsPrinterDevice(*cell.value)) {
            *device = cell.row;
            return Step::Row;
        }
    }
    return Step::End;
}

// The device's first toner row, else its first supply row; none when it lists no types.
Step FindSupplyByType(std::uint32_t device, std::optional<std::uint32_t>* supply) {
    ColumnWalk walk(mib::Append(mib::PRT_SUPPLIES_TYPE, {device}));
    Cell cell;
    for (int read = 0; read < MAX_SUPPLY_ROWS; ++read) {
        const Step step = walk.Next(&cell);
        if (step == Step::Lost) {
            return step;
        }
        if (step == Step::End) {
            break;
        }
        if (!supply->has_value()) {
            *supply = cell.row;
        }
        if (IsToner(*cell.value)) {
            *supply = cell.row;
            break;
        }
    }
    return Step::Row;
}

// The device's first supply level: an agent that keeps no types may still keep levels.
Step FindSupplyByLevel(std::uint32_t device, std::optional<std::uint32_t>* supply) {
    ColumnWalk walk(mib::Append(mib::PRT_SUPPLIES_LEVEL, {device}));
    Cell cell;
    const Step step = walk.Next(&cell);
    if (step == Step::Row) {
        *supply = cell.row;
    }
    return step;
}

}  // namespace

bool FindPrinterRows() {
    std::optional<std::uint32_t> device;
    std::optional<std::uint32_t> supply;
    PrinterRows found;
    if (FindDevice(&device) == Step::Lost) {
        return false;
    }
    found.device = device.value_or(found.device);
    if (FindSupplyByType(found.device, &supply) == Step::Lost) {
        return false;
    }
    if (!supply.has_value() && FindSupplyByLevel(found.device, &supply) == Step::Lost) {
        return false;
    }
    found.hasSupply = supply.has_value();
    found.supply = supply.value_or(found.supply);
    g_rows = found;
    return true;
}
