#include "shell/window_oids.h"

namespace {

// The marker whose page counts the window shows: printers count pages on their first marker.
constexpr std::uint32_t PAGE_COUNT_MARKER = 1;

}  // namespace

const StatusObject StatusOidTable[STATUS_OID_COUNT] = {
    {&mib::VENDOR_STATUS, StatusInstance::Scalar, 0},          // 0: primary status
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 1},  // 1-8: console lines 1 to 8
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 2},
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 3},
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 4},
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 5},
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 6},
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 7},
    {&mib::PRT_CONSOLE_TEXT, StatusInstance::ConsoleLine, 8},
    {&mib::PRT_MARKER_LIFE_COUNT, StatusInstance::Marker, 0},      // 9: page count
    {&mib::PRT_MARKER_POWER_ON_COUNT, StatusInstance::Marker, 0},  // 10: power-on count
    {&mib::PRT_SUPPLIES_MAX_CAPACITY, StatusInstance::Supply, 0},  // 11: toner bar maximum
    {&mib::PRT_SUPPLIES_LEVEL, StatusInstance::Supply, 0},         // 12: toner bar position
};

std::string DottedOid(const mib::Oid& oid) {
    std::string text;
    for (const std::uint32_t arc : oid) {
        text += '.';
        text += std::to_string(arc);
    }
    return text;
}

std::string StatusOidText(int row, const PrinterRows& rows) {
    const StatusObject& object = StatusOidTable[row];
    switch (object.instance) {
        case StatusInstance::ConsoleLine:
            return DottedOid(mib::Append(*object.object, {rows.device, object.line}));
        case StatusInstance::Marker:
            return DottedOid(mib::Append(*object.object, {rows.device, PAGE_COUNT_MARKER}));
        case StatusInstance::Supply:
            return DottedOid(mib::Append(*object.object, {rows.device, rows.supply}));
        case StatusInstance::Scalar:
        default:
            return DottedOid(*object.object);
    }
}

std::string ModelOidText(const PrinterRows& rows) {
    return DottedOid(mib::Append(mib::HR_DEVICE_DESCR, {rows.device}));
}
