#include "condition/walk.h"

#include <algorithm>
#include <string>
#include <utility>

#include "condition/health.h"
#include "snmp/asn_types.h"
#include "snmp/oid.h"

namespace condition {
namespace {

bool IsException(const ber::Value& value) {
    return value.tag == ber::NO_SUCH_OBJECT || value.tag == ber::NO_SUCH_INSTANCE ||
           value.tag == ber::END_OF_MIB_VIEW;
}

bool StartsWith(const std::vector<std::uint32_t>& name, const mib::Oid& prefix) {
    return name.size() > prefix.size() && std::equal(prefix.begin(), prefix.end(), name.begin());
}

// What is kept of a value: all of it, less text past the bound.
ber::Value Kept(const ber::Value& value) {
    ber::Value kept = value;
    if (kept.bytes.size() > MAX_TEXT_BYTES) {
        kept.bytes.resize(MAX_TEXT_BYTES);
    }
    return kept;
}

const char* StatusName(std::int32_t status) {
    switch (status) {
        case SNMP_ERRORSTATUS_TOOBIG:
            return "tooBig";
        case SNMP_ERRORSTATUS_NOSUCHNAME:
            return "noSuchName";
        case SNMP_ERRORSTATUS_BADVALUE:
            return "badValue";
        case SNMP_ERRORSTATUS_READONLY:
            return "readOnly";
        case SNMP_ERRORSTATUS_GENERR:
            return "genErr";
        default:
            return "error";
    }
}

}  // namespace

Walk::Walk(SnmpVersion version) : version_(version) {
    Column devices;
    devices.prefix = mib::HR_DEVICE_TYPE;
    devices.cursor = devices.prefix;
    devices.rows = &deviceTypes_;
    columns_.push_back(std::move(devices));
}

void Walk::Note(ReadError kind, std::string error) {
    if (std::find(errorKinds_.begin(), errorKinds_.end(), kind) == errorKinds_.end()) {
        errorKinds_.push_back(kind);
    }
    constexpr std::size_t MAX_ERRORS = 4;
    if (errors_.size() < MAX_ERRORS &&
        std::find(errors_.begin(), errors_.end(), error) == errors_.end()) {
        errors_.push_back(std::move(error));
    }
}

bool Walk::Next(ber::Message& request) {
    while (phase_ != Phase::Done) {
        const bool more = phase_ == Phase::Scalars ? NextScalars(request) : NextColumns(request);
        if (more) {
            if (requests_ >= MAX_REQUESTS_PER_READING) {
                // Appended, not "text" + string: GCC 12 for MinGW warns falsely on that form.
                std::string why = "more than ";
                why += std::to_string(MAX_REQUESTS_PER_READING);
                why += " requests";
                Abort(why, ReadError::RequestCap);
                return false;
            }
            ++requests_;
            return true;
        }
        NextPhase();
    }
    return false;
}

void Walk::NextPhase() {
    switch (phase_) {
        case Phase::Devices:
            FindPrinter();
            StartScalars();
            phase_ = Phase::Scalars;
            break;
        case Phase::Scalars:
            StartTables();
            phase_ = Phase::Tables;
            break;
        case Phase::Tables:
        case Phase::Done:
            phase_ = Phase::Done;
            break;
    }
}

// The first device whose type is hrDevicePrinter; device 1 when none is.
bool Walk::FindPrinter() {
    for (const auto& [row, value] : deviceTypes_) {
        if (row != 0 && value.valid && value.tag == ASN_OBJECTIDENTIFIER &&
            value.oid == mib::HR_DEVICE_PRINTER) {
            cells_.deviceIndex = row;
            return true;
        }
    }
    return false;
}

void Walk::StartScalars() {
    pendingScalars_.clear();
    for (std::size_t id = 0; id < SCALAR_COUNT; ++id) {
        pendingScalars_.push_back(static_cast<ScalarId>(id));
    }
}

void Walk::StartTables() {
    columns_.clear();
    for (std::size_t id = 0; id < COLUMN_COUNT; ++id) {
        Column column;
        column.prefix = ColumnPrefix(static_cast<ColumnId>(id), cells_.deviceIndex);
        column.cursor = column.prefix;
        column.rows = &cells_.columns[id];
        if (id == COL_CONSOLE_TEXT) {
            column.lastRow = mib::CONSOLE_LINES;
        }
        columns_.push_back(std::move(column));
    }
    columnsPerPdu_ = COLUMNS_PER_PDU;
}

bool Walk::NextScalars(ber::Message& request) {
    if (pendingScalars_.empty()) {
        return false;
    }
    const std::size_t count = std::min(scalarsPerPdu_, pendingScalars_.size());
    asked_.assign(pendingScalars_.begin(),
                  pendingScalars_.begin() + static_cast<std::ptrdiff_t>(count));
    request.pduType = SNMP_PDU_GET;
    request.errorStatus = 0;
    request.errorIndex = 0;
    request.varbinds.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        request.varbinds[i].name = ScalarOid(static_cast<ScalarId>(asked_[i]), cells_.deviceIndex);
        request.varbinds[i].value = ber::Value{};
    }
    return true;
}

bool Walk::NextColumns(ber::Message& request) {
    asked_.clear();
    for (std::size_t i = 0; i < columns_.size() && asked_.size() < columnsPerPdu_; ++i) {
        if (!columns_[i].done) {
            asked_.push_back(i);
        }
    }
    if (asked_.empty()) {
        return false;
    }
    if (version_ == SnmpVersion::V1) {
        request.pduType = SNMP_PDU_GETNEXT;
        request.errorStatus = 0;
        request.errorIndex = 0;
    } else {
        request.pduType = ber::PDU_GET_BULK;
        request.errorStatus = 0;  // non-repeaters
        request.errorIndex = repetitions_;
    }
    request.varbinds.resize(asked_.size());
    for (std::size_t i = 0; i < asked_.size(); ++i) {
        request.varbinds[i].name = columns_[asked_[i]].cursor;
        request.varbinds[i].value = ber::Value{};
    }
    return true;
}

void Walk::Answer(const ber::Message& answer) {
    if (phase_ == Phase::Done) {
        return;
    }
    answered_ = true;
    if (phase_ == Phase::Scalars) {
        AnswerScalars(answer);
    } else {
        AnswerColumns(answer);
    }
}

// An error status names the object it is about (its index from 1): that object is missing
// and the rest is asked again. Without a usable index, or for tooBig, the request is halved;
// a lone object that still fails is missing.
void Walk::AnswerScalars(const ber::Message& answer) {
    const std::size_t count = asked_.size();
    if (answer.errorStatus != SNMP_ERRORSTATUS_NOERROR) {
        const std::int32_t index = answer.errorIndex;
        if (answer.errorStatus != SNMP_ERRORSTATUS_TOOBIG && index >= 1 &&
            static_cast<std::size_t>(index) <= count) {
            pendingScalars_.erase(pendingScalars_.begin() + (index - 1));
        } else if (count > 1) {
            scalarsPerPdu_ = count / 2;
        } else {
            pendingScalars_.erase(pendingScalars_.begin());
        }
        return;
    }
    for (std::size_t i = 0; i < count && i < answer.varbinds.size(); ++i) {
        const auto id = static_cast<ScalarId>(asked_[i]);
        const ber::VarBind& binding = answer.varbinds[i];
        if (!IsException(binding.value) && binding.name == ScalarOid(id, cells_.deviceIndex)) {
            cells_.scalars[id] = Kept(binding.value);
        }
    }
    pendingScalars_.erase(pendingScalars_.begin(),
                          pendingScalars_.begin() + static_cast<std::ptrdiff_t>(count));
}

void Walk::AnswerColumns(const ber::Message& answer) {
    if (answer.errorStatus != SNMP_ERRORSTATUS_NOERROR) {
        ColumnError(answer.errorStatus, answer.errorIndex);
        return;
    }
    // A GETBULK answer is row by row: binding r * n + c is column c's r-th next object.
    const std::size_t count = asked_.size();
    const std::size_t rows =
        version_ == SnmpVersion::V1 ? 1 : static_cast<std::size_t>(repetitions_);
    const std::size_t usable = std::min(answer.varbinds.size(), count * rows);
    bool moved = false;
    for (std::size_t i = 0; i < usable; ++i) {
        Column& column = columns_[asked_[i % count]];
        if (!column.done) {
            moved = Step(column, answer.varbinds[i]) || moved;
        }
    }
    if (!moved) {
        for (const std::size_t i : asked_) {
            Note(ReadError::NotAdvancing, "walk did not advance at " +
                                              snmp::FormatOid(columns_[i].cursor) +
                                              ": empty answer");
            columns_[i].done = true;
        }
    }
    // The first printer found ends the device walk: the rows after it do not matter.
    if (phase_ == Phase::Devices && FindPrinter()) {
        columns_[0].done = true;
    }
}

void Walk::ColumnError(std::int32_t status, std::int32_t index) {
    const std::size_t count = asked_.size();
    if (status == SNMP_ERRORSTATUS_TOOBIG) {
        if (version_ != SnmpVersion::V1 && repetitions_ > 1) {
            repetitions_ /= 2;
        } else if (count > 1) {
            columnsPerPdu_ = count / 2;
        } else {
            Column& column = columns_[asked_[0]];
            Note(ReadError::TooBig, "answer too big at " + snmp::FormatOid(column.cursor));
            column.done = true;
        }
        return;
    }
    if (index >= 1 && static_cast<std::size_t>(index) <= count) {
        Column& column = columns_[asked_[static_cast<std::size_t>(index) - 1]];
        // noSuchName to a GETNEXT: nothing follows, the column has ended.
        if (status != SNMP_ERRORSTATUS_NOSUCHNAME) {
            Note(ReadError::AgentError, std::string("agent error ") + StatusName(status) + " at " +
                                            snmp::FormatOid(column.cursor));
        }
        column.done = true;
    } else if (count > 1) {
        columnsPerPdu_ = count / 2;
    } else {
        Column& column = columns_[asked_[0]];
        if (status != SNMP_ERRORSTATUS_NOSUCHNAME) {
            Note(ReadError::AgentError, std::string("agent error ") + StatusName(status) + " at " +
                                            snmp::FormatOid(column.cursor));
        }
        column.done = true;
    }
}

// Takes one binding for a column; true when the column advanced or ended.
bool Walk::Step(Column& column, const ber::VarBind& binding) {
    if (IsException(binding.value)) {
        column.done = true;  // endOfMibView
        return true;
    }
    // Before the column test: the same name or a smaller one is a fault even outside the
    // column (an agent that answers the column's own prefix, or steps back out of it).
    if (!(column.cursor < binding.name)) {
        Note(ReadError::NotAdvancing, "walk did not advance at " + snmp::FormatOid(binding.name));
        column.done = true;
        return true;
    }
    if (!StartsWith(binding.name, column.prefix)) {
        column.done = true;  // the next object is past the column
        return true;
    }
    column.cursor = binding.name;
    if (++column.visited > MAX_ROWS_PER_COLUMN) {
        std::string why = "more than ";  // appended: see Next
        why += std::to_string(MAX_ROWS_PER_COLUMN);
        why += " rows at ";
        why += snmp::FormatOid(column.prefix);
        Note(ReadError::RowCap, why);
        column.done = true;
        return true;
    }
    // Rows of these tables have one index after the prefix; anything deeper is not a cell.
    if (binding.name.size() == column.prefix.size() + 1) {
        const std::uint32_t row = binding.name.back();
        (*column.rows)[row] = Kept(binding.value);
        if (row >= column.lastRow) {
            column.done = true;
        }
    }
    return true;
}

void Walk::NoAnswer() {
    if (phase_ == Phase::Done) {
        return;
    }
    Note(ReadError::Timeout,
         answered_ ? "timeout after " + std::to_string(requests_ - 1) + " answers" : NO_ANSWER);
    phase_ = Phase::Done;
}

void Walk::Abort(const std::string& why, ReadError kind) {
    if (phase_ == Phase::Done) {
        return;
    }
    // A deadline that passes before any answer is the silence NoAnswer reports, only sooner.
    Note(kind, kind == ReadError::Deadline && !answered_ ? NO_ANSWER_BY_DEADLINE : why);
    phase_ = Phase::Done;
}

Condition Walk::Take(double supplyWarningPercent) {
    Condition condition = Assemble(cells_);
    condition.answered = answered_;
    condition.errorKinds = errorKinds_;
    for (const std::string& error : errors_) {
        condition.error += (condition.error.empty() ? "" : "; ") + error;
    }
    DeriveHealth(condition, supplyWarningPercent);
    return condition;
}

}  // namespace condition
