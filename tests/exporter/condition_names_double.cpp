// A stand-in for the condition library's name functions, linked only while that library is
// not part of the build, so the exporter's tests can run without it. The MIB's names.
#include "condition/condition.h"

namespace condition {
namespace {

template <std::size_t N>
const char* Pick(const char* const (&names)[N], long long index) {
    return index >= 0 && index < static_cast<long long>(N) ? names[index] : "";
}

}  // namespace

const char* HealthName(Health health) {
    static const char* const kNames[] = {"ok", "warning", "critical", "unreachable"};
    return Pick(kNames, static_cast<int>(health));
}
const char* LevelStateName(LevelState state) {
    static const char* const kNames[] = {"ok", "unknown", "some-remaining", "other"};
    return Pick(kNames, static_cast<int>(state));
}
const char* ErrorBitName(int bit) {
    static const char* const kNames[] = {"lowPaper",
                                         "noPaper",
                                         "lowToner",
                                         "noToner",
                                         "doorOpen",
                                         "jammed",
                                         "offline",
                                         "serviceRequested",
                                         "inputTrayMissing",
                                         "outputTrayMissing",
                                         "markerSupplyMissing",
                                         "outputNearFull",
                                         "outputFull",
                                         "inputTrayEmpty",
                                         "overduePreventMaint"};
    return Pick(kNames, bit);
}
const char* DeviceStatusName(std::int32_t status) {
    static const char* const kNames[] = {"", "unknown", "running", "warning", "testing", "down"};
    return Pick(kNames, status);
}
const char* PrinterStatusName(std::int32_t status) {
    static const char* const kNames[] = {"", "other", "unknown", "idle", "printing", "warmup"};
    return Pick(kNames, status);
}
const char* SupplyTypeName(std::int32_t type) {
    static const char* const kNames[] = {"",           "other", "unknown",      "toner",
                                         "wasteToner", "ink",   "inkCartridge", "inkRibbon",
                                         "wasteInk",   "opc"};
    return Pick(kNames, type);
}
const char* SupplyClassName(std::int32_t supplyClass) {
    static const char* const kNames[] = {"", "other", "", "supplyThatIsConsumed",
                                         "receptacleThatIsFilled"};
    return Pick(kNames, supplyClass);
}
const char* SupplyUnitName(std::int32_t unit) {
    if (unit == 7) {
        return "impressions";
    }
    if (unit == 19) {
        return "percent";
    }
    return "";
}
const char* AlertSeverityName(std::int32_t severity) {
    static const char* const kNames[] = {"",         "other",   "",
                                         "critical", "warning", "warningBinaryChangeEvent"};
    return Pick(kNames, severity);
}
const char* AlertGroupName(std::int32_t group) {
    static const char* const kNames[] = {"",
                                         "other",
                                         "",
                                         "hostResourcesMIBStorageTable",
                                         "hostResourcesMIBDeviceTable",
                                         "generalPrinter",
                                         "cover",
                                         "localization",
                                         "input",
                                         "output",
                                         "marker",
                                         "markerSupplies",
                                         "markerColorant",
                                         "mediaPath"};
    return Pick(kNames, group);
}
const char* AlertCodeName(std::int32_t code) {
    switch (code) {
        case 8:
            return "jam";
        case 501:
            return "doorOpen";
        case 808:
            return "inputMediaSupplyEmpty";
        case 1104:
            return "markerSupplyEmpty";
        default:
            return "";
    }
}

}  // namespace condition
