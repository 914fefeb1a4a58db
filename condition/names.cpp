// The MIB's names of the condition's enumerations (RFC 2790, RFC 3805 and its IANA-PRINTER-MIB
// textual conventions), each list written once.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "condition/condition.h"

namespace condition {
namespace {

struct Named {
    std::int32_t number;
    const char* name;
};

template <std::size_t N>
const char* Lookup(const Named (&table)[N], std::int32_t number) {
    for (const Named& entry : table) {
        if (entry.number == number) {
            return entry.name;
        }
    }
    return "";
}

constexpr Named DEVICE_STATUS[] = {
    {1, "unknown"}, {2, "running"}, {3, "warning"}, {4, "testing"}, {5, "down"},
};

constexpr Named PRINTER_STATUS[] = {
    {1, "other"}, {2, "unknown"}, {3, "idle"}, {4, "printing"}, {5, "warmup"},
};

constexpr Named SUPPLY_TYPE[] = {
    {1, "other"},
    {2, "unknown"},
    {3, "toner"},
    {4, "wasteToner"},
    {5, "ink"},
    {6, "inkCartridge"},
    {7, "inkRibbon"},
    {8, "wasteInk"},
    {9, "opc"},
    {10, "developer"},
    {11, "fuserOil"},
    {12, "solidWax"},
    {13, "ribbonWax"},
    {14, "wasteWax"},
    {15, "fuser"},
    {16, "coronaWire"},
    {17, "fuserOilWick"},
    {18, "cleanerUnit"},
    {19, "fuserCleaningPad"},
    {20, "transferUnit"},
    {21, "tonerCartridge"},
    {22, "fuserOiler"},
    {23, "water"},
    {24, "wasteWater"},
    {25, "glueWaterAdditive"},
    {26, "wastePaper"},
    {27, "bindingSupply"},
    {28, "bandingSupply"},
    {29, "stitchingWire"},
    {30, "shrinkWrap"},
    {31, "paperWrap"},
    {32, "staples"},
    {33, "inserts"},
    {34, "covers"},
    {35, "matteToner"},
    {36, "matteInk"},
};

constexpr Named SUPPLY_CLASS[] = {
    {1, "other"},
    {3, "supplyThatIsConsumed"},
    {4, "receptacleThatIsFilled"},
};

constexpr Named SUPPLY_UNIT[] = {
    {1, "other"},
    {2, "unknown"},
    {3, "tenThousandthsOfInches"},
    {4, "micrometers"},
    {7, "impressions"},
    {8, "sheets"},
    {11, "hours"},
    {12, "thousandthsOfOunces"},
    {13, "tenthsOfGrams"},
    {14, "hundrethsOfFluidOunces"},
    {15, "tenthsOfMilliliters"},
    {16, "feet"},
    {17, "meters"},
    {18, "items"},
    {19, "percent"},
};

constexpr Named ALERT_SEVERITY[] = {
    {1, "other"},
    {3, "critical"},
    {4, "warning"},
    {5, "warningBinaryChangeEvent"},
};

constexpr Named ALERT_GROUP[] = {
    {1, "other"},
    {2, "unknown"},
    {3, "hostResourcesMIBStorageTable"},
    {4, "hostResourcesMIBDeviceTable"},
    {5, "generalPrinter"},
    {6, "cover"},
    {7, "localization"},
    {8, "input"},
    {9, "output"},
    {10, "marker"},
    {11, "markerSupplies"},
    {12, "markerColorant"},
    {13, "mediaPath"},
    {14, "channel"},
    {15, "interpreter"},
    {16, "consoleDisplayBuffer"},
    {17, "consoleLights"},
    {18, "alert"},
    {30, "finDevice"},
    {31, "finSupply"},
    {32, "finSupplyMediaInput"},
    {33, "finAttribute"},
};

// PrtSubUnitStatusTC's availability, its low three bits (7 is not defined).
constexpr Named SUBUNIT_AVAILABILITY[] = {
    {0, "available-idle"}, {2, "available-standby"},      {4, "available-active"},
    {6, "available-busy"}, {1, "unavailable-on-request"}, {3, "unavailable-broken"},
    {5, "unknown"},
};

constexpr Named ALERT_CODE[] = {
    {1, "other"},
    {2, "unknown"},
    {3, "coverOpen"},
    {4, "coverClosed"},
    {5, "interlockOpen"},
    {6, "interlockClosed"},
    {7, "configurationChange"},
    {8, "jam"},
    {9, "subunitMissing"},
    {10, "subunitLifeAlmostOver"},
    {11, "subunitLifeOver"},
    {12, "subunitAlmostEmpty"},
    {13, "subunitEmpty"},
    {14, "subunitAlmostFull"},
    {15, "subunitFull"},
    {16, "subunitNearLimit"},
    {17, "subunitAtLimit"},
    {18, "subunitOpened"},
    {19, "subunitClosed"},
    {20, "subunitTurnedOn"},
    {21, "subunitTurnedOff"},
    {22, "subunitOffline"},
    {23, "subunitPowerSaver"},
    {24, "subunitWarmingUp"},
    {25, "subunitAdded"},
    {26, "subunitRemoved"},
    {27, "subunitResourceAdded"},
    {28, "subunitResourceRemoved"},
    {29, "subunitRecoverableFailure"},
    {30, "subunitUnrecoverableFailure"},
    {31, "subunitRecoverableStorageError"},
    {32, "subunitUnrecoverableStorageError"},
    {33, "subunitMotorFailure"},
    {34, "subunitMemoryExhausted"},
    {35, "subunitUnderTemperature"},
    {36, "subunitOverTemperature"},
    {37, "subunitTimingFailure"},
    {38, "subunitThermistorFailure"},
    {501, "doorOpen"},
    {502, "doorClosed"},
    {503, "powerUp"},
    {504, "powerDown"},
    {505, "printerNMSReset"},
    {506, "printerManualReset"},
    {507, "printerReadyToPrint"},
    {801, "inputMediaTrayMissing"},
    {802, "inputMediaSizeChange"},
    {803, "inputMediaWeightChange"},
    {804, "inputMediaTypeChange"},
    {805, "inputMediaColorChange"},
    {806, "inputMediaFormPartsChange"},
    {807, "inputMediaSupplyLow"},
    {808, "inputMediaSupplyEmpty"},
    {809, "inputMediaChangeRequest"},
    {810, "inputManualInputRequest"},
    {811, "inputTrayPositionFailure"},
    {812, "inputTrayElevationFailure"},
    {813, "inputCannotFeedSizeSelected"},
    {901, "outputMediaTrayMissing"},
    {902, "outputMediaTrayAlmostFull"},
    {903, "outputMediaTrayFull"},
    {904, "outputMailboxSelectFailure"},
    {1001, "markerFuserUnderTemperature"},
    {1002, "markerFuserOverTemperature"},
    {1003, "markerFuserTimingFailure"},
    {1004, "markerFuserThermistorFailure"},
    {1005, "markerAdjustingPrintQuality"},
    {1101, "markerTonerEmpty"},
    {1102, "markerInkEmpty"},
    {1103, "markerPrintRibbonEmpty"},
    {1104, "markerTonerAlmostEmpty"},
    {1105, "markerInkAlmostEmpty"},
    {1106, "markerPrintRibbonAlmostEmpty"},
    {1107, "markerWasteTonerReceptacleAlmostFull"},
    {1108, "markerWasteInkReceptacleAlmostFull"},
    {1109, "markerWasteTonerReceptacleFull"},
    {1110, "markerWasteInkReceptacleFull"},
    {1111, "markerOpcLifeAlmostOver"},
    {1112, "markerOpcLifeOver"},
    {1113, "markerDeveloperAlmostEmpty"},
    {1114, "markerDeveloperEmpty"},
    {1115, "markerTonerCartridgeMissing"},
    {1301, "mediaPathMediaTrayMissing"},
    {1302, "mediaPathMediaTrayAlmostFull"},
    {1303, "mediaPathMediaTrayFull"},
    {1304, "mediaPathCannotDuplexMediaSelected"},
    {1501, "interpreterMemoryIncrease"},
    {1502, "interpreterMemoryDecrease"},
    {1503, "interpreterCartridgeAdded"},
    {1504, "interpreterCartridgeDeleted"},
    {1505, "interpreterResourceAdded"},
    {1506, "interpreterResourceDeleted"},
    {1507, "interpreterResourceUnavailable"},
    {1509, "interpreterComplexPageEncountered"},
    {1801, "alertRemovalOfBinaryChangeEntry"},
};

constexpr const char* ERROR_BIT_NAMES[mib::ERROR_BIT_COUNT] = {
    "lowPaper",
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
    "overduePreventMaint",
};

}  // namespace

const char* HealthName(Health health) {
    switch (health) {
        case Health::Ok:
            return "ok";
        case Health::Warning:
            return "warning";
        case Health::Critical:
            return "critical";
        case Health::Unreachable:
            break;
    }
    return "unreachable";
}

const char* LevelStateName(LevelState state) {
    switch (state) {
        case LevelState::Ok:
            return "ok";
        case LevelState::SomeRemaining:
            return "some-remaining";
        case LevelState::Other:
            return "other";
        case LevelState::Unknown:
            break;
    }
    return "unknown";
}

const char* ReadErrorName(ReadError error) {
    switch (error) {
        case ReadError::Timeout:
            return "timeout";
        case ReadError::Deadline:
            return "deadline";
        case ReadError::RequestCap:
            return "request-cap";
        case ReadError::NotAdvancing:
            return "not-advancing";
        case ReadError::AgentError:
            return "agent-error";
        case ReadError::TooBig:
            return "too-big";
        case ReadError::RowCap:
            return "row-cap";
        case ReadError::NotResolved:
            return "not-resolved";
        case ReadError::Security:
            return "security";
        case ReadError::Internal:
            break;
    }
    return "internal";
}

const char* ErrorBitName(int bit) {
    return bit >= 0 && bit < mib::ERROR_BIT_COUNT ? ERROR_BIT_NAMES[bit] : "";
}

const char* DeviceStatusName(std::int32_t status) {
    return Lookup(DEVICE_STATUS, status);
}
const char* PrinterStatusName(std::int32_t status) {
    return Lookup(PRINTER_STATUS, status);
}
const char* SupplyTypeName(std::int32_t type) {
    return Lookup(SUPPLY_TYPE, type);
}
const char* SupplyClassName(std::int32_t supplyClass) {
    return Lookup(SUPPLY_CLASS, supplyClass);
}
const char* SupplyUnitName(std::int32_t unit) {
    return Lookup(SUPPLY_UNIT, unit);
}
const char* AlertSeverityName(std::int32_t severity) {
    return Lookup(ALERT_SEVERITY, severity);
}
const char* AlertGroupName(std::int32_t group) {
    return Lookup(ALERT_GROUP, group);
}
const char* AlertCodeName(std::int32_t code) {
    return Lookup(ALERT_CODE, code);
}

const char* SubunitAvailabilityName(std::int32_t status) {
    return Lookup(SUBUNIT_AVAILABILITY, status & mib::SUBUNIT_AVAILABILITY_MASK);
}

}  // namespace condition
