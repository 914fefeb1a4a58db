#include "tools/printer-sim/conditions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <vector>

#include "snmp/printer_mib.h"

namespace sim {
namespace {

using Objects = std::map<Oid, ber::Value>;

// One thing wrong with the printer: its alert row, its error bits, and whether it stops
// printing (hrDeviceStatus down) or only warns.
struct Problem {
    int severity = mib::SEVERITY_WARNING;
    int training = mib::TRAINING_UNTRAINED;
    int group = 0;
    int groupIndex = 0;
    int code = 0;
    std::string description;
    std::uint32_t bits = 0;  // 1u << ErrorBit
    bool down = false;
};

// How each kind of supply says it runs out (PrtMarkerSuppliesTypeTC -> PrtAlertCodeTC).
struct SupplyKind {
    std::array<int, 2> types;  // 0: none
    const char* word;
    const char* lowText;
    const char* emptyText;
    int lowCode;
    int emptyCode;
    bool tonerBits;  // lowToner / noToner
    int training;
};
const SupplyKind SUPPLY_KINDS[] = {
    {{3, 21}, "toner", "low", "empty", 1104, 1101, true, mib::TRAINING_UNTRAINED},
    {{5, 6}, "ink", "low", "empty", 1105, 1102, true, mib::TRAINING_UNTRAINED},
    {{9, 0},
     "drum",
     "near end of life",
     "at end of life",
     1111,
     1112,
     false,
     mib::TRAINING_TRAINED},
    {{10, 0}, "developer", "low", "empty", 1113, 1114, false, mib::TRAINING_TRAINED},
    {{4, 0}, "waste toner", "almost full", "full", 1107, 1109, false, mib::TRAINING_UNTRAINED},
    {{8, 0}, "waste ink", "almost full", "full", 1108, 1110, false, mib::TRAINING_UNTRAINED},
};
// Any other supply: subunitAlmostEmpty/Empty, or subunitAlmostFull/Full for receptacles.
const SupplyKind OTHER_CONSUMED = {{0, 0}, "supply", "low", "empty", 12, 13, false, 3};
const SupplyKind OTHER_RECEPTACLE = {{0, 0}, "receptacle", "almost full", "full", 14, 15, false, 3};

const ber::Value* Find(const Objects& objects, const Oid& oid) {
    auto at = objects.find(oid);
    return at == objects.end() ? nullptr : &at->second;
}

std::optional<std::int64_t> IntegerAt(const Objects& objects, const Oid& oid) {
    const ber::Value* value = Find(objects, oid);
    if (value == nullptr || value->tag != ASN_INTEGER) {
        return std::nullopt;
    }
    return value->integer;
}

std::string TextAt(const Objects& objects, const Oid& oid) {
    const ber::Value* value = Find(objects, oid);
    if (value == nullptr || value->tag != ASN_OCTETSTRING) {
        return {};
    }
    return std::string(value->bytes.begin(), value->bytes.end());
}

ber::Value Integer(std::int64_t number) {
    ber::Value value;
    value.tag = ASN_INTEGER;
    value.integer = number;
    return value;
}

ber::Value Text(const std::string& text) {
    ber::Value value;
    value.tag = ASN_OCTETSTRING;
    value.bytes.assign(text.begin(), text.end());
    return value;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The printer's hrDeviceIndex: the row whose hrDeviceType is hrDevicePrinter, else 1.
std::uint32_t DeviceIndex(const Objects& objects) {
    for (auto at = objects.lower_bound(mib::HR_DEVICE_TYPE);
         at != objects.end() && mib::InSubtree(at->first, mib::HR_DEVICE_TYPE); ++at) {
        if (at->second.tag == ASN_OBJECTIDENTIFIER && at->second.oid == mib::HR_DEVICE_PRINTER &&
            at->first.size() == mib::HR_DEVICE_TYPE.size() + 1) {
            return at->first.back();
        }
    }
    return 1;
}

// The row indexes of a Printer MIB table (ENTRY.column.device.index) for `device`.
std::set<std::uint32_t> RowsOf(const Objects& objects, const Oid& entry, std::uint32_t device) {
    std::set<std::uint32_t> rows;
    for (auto at = objects.lower_bound(entry);
         at != objects.end() && mib::InSubtree(at->first, entry); ++at) {
        if (at->first.size() == entry.size() + 3 && at->first[entry.size() + 1] == device) {
            rows.insert(at->first.back());
        }
    }
    return rows;
}

const SupplyKind& KindOf(int type, bool receptacle) {
    for (const SupplyKind& kind : SUPPLY_KINDS) {
        if (type != 0 &&
            std::find(kind.types.begin(), kind.types.end(), type) != kind.types.end()) {
            return kind;
        }
    }
    return receptacle ? OTHER_RECEPTACLE : OTHER_CONSUMED;
}

// The supply's problem, if its level (or the percentage `toner` gave it) calls for one.
std::optional<Problem> SupplyProblem(const Objects& objects, std::uint32_t device,
                                     std::uint32_t supply, const Conditions& conditions) {
    auto column = [&](const Oid& oid) { return mib::Append(oid, {device, supply}); };
    std::optional<std::int64_t> capacity =
        IntegerAt(objects, column(mib::PRT_SUPPLIES_MAX_CAPACITY));
    std::optional<std::int64_t> level = IntegerAt(objects, column(mib::PRT_SUPPLIES_LEVEL));
    auto given = conditions.supplyPercent.find(supply);
    double percent = 0;
    if (capacity && level && *capacity > 0 && *level >= 0) {
        percent = 100.0 * static_cast<double>(*level) / static_cast<double>(*capacity);
    } else if (given != conditions.supplyPercent.end()) {
        percent = given->second;
    } else if (!level || *level != 0) {
        return std::nullopt;  // -1, -2, -3 or no level: nothing to say
    }
    const bool receptacle =
        IntegerAt(objects, column(mib::PRT_SUPPLIES_CLASS)) == mib::SUPPLY_CLASS_RECEPTACLE;
    const bool out = receptacle ? percent >= 100 : percent <= 0;
    const bool near =
        receptacle ? percent >= RECEPTACLE_NEAR_FULL_PERCENT : percent <= SUPPLY_LOW_PERCENT;
    if (!out && !near) {
        return std::nullopt;
    }
    const SupplyKind& kind =
        KindOf(static_cast<int>(IntegerAt(objects, column(mib::PRT_SUPPLIES_TYPE)).value_or(0)),
               receptacle);
    std::string colour;
    std::optional<std::int64_t> colorant =
        IntegerAt(objects, column(mib::PRT_SUPPLIES_COLORANT_INDEX));
    if (colorant && *colorant > 0) {
        colour = TextAt(objects, mib::Append(mib::PRT_COLORANT_VALUE,
                                             {device, static_cast<std::uint32_t>(*colorant)}));
    }
    Problem problem;
    problem.severity = out ? mib::SEVERITY_CRITICAL : mib::SEVERITY_WARNING;
    problem.training = kind.training;
    problem.group = mib::GROUP_MARKER_SUPPLIES;
    problem.groupIndex = static_cast<int>(supply);
    problem.code = out ? kind.emptyCode : kind.lowCode;
    problem.description = (colour.empty() ? "" : colour + " ") + kind.word + " " +
                          (out ? kind.emptyText : kind.lowText);
    problem.description[0] =
        static_cast<char>(std::toupper(static_cast<unsigned char>(problem.description[0])));
    if (kind.tonerBits) {
        problem.bits = 1u << (out ? mib::ERROR_NO_TONER : mib::ERROR_LOW_TONER);
    }
    problem.down = out;
    return problem;
}

std::vector<Problem> ProblemsOf(const Objects& objects, std::uint32_t device,
                                const Conditions& conditions) {
    std::vector<Problem> problems;
    if (conditions.jam) {
        problems.push_back({mib::SEVERITY_CRITICAL, mib::TRAINING_UNTRAINED, mib::GROUP_MEDIA_PATH,
                            1, mib::CODE_JAM, "Paper jam", 1u << mib::ERROR_JAMMED, true});
    }
    if (conditions.doorOpen) {
        problems.push_back({mib::SEVERITY_CRITICAL, mib::TRAINING_UNTRAINED, mib::GROUP_COVER, 1,
                            mib::CODE_DOOR_OPEN, "Door open", 1u << mib::ERROR_DOOR_OPEN, true});
    }
    // Trays: one empty tray is a warning while another has paper; with all empty it is
    // critical and the printer has no paper at all.
    const std::set<std::uint32_t> inputs = RowsOf(objects, mib::PRT_INPUT_ENTRY, device);
    const bool allEmpty = std::all_of(inputs.begin(), inputs.end(), [&](std::uint32_t input) {
        return conditions.paperOut.count(input) != 0;
    });
    for (std::uint32_t input : conditions.paperOut) {
        if (inputs.count(input) == 0) {
            continue;
        }
        std::string name = TextAt(objects, mib::Append(mib::PRT_INPUT_NAME, {device, input}));
        Problem problem;
        problem.severity = allEmpty ? mib::SEVERITY_CRITICAL : mib::SEVERITY_WARNING;
        problem.group = mib::GROUP_INPUT;
        problem.groupIndex = static_cast<int>(input);
        problem.code = mib::CODE_INPUT_MEDIA_SUPPLY_EMPTY;
        problem.description = (name.empty() ? "Tray " + std::to_string(input) : name) + " empty";
        problem.bits =
            (1u << mib::ERROR_INPUT_TRAY_EMPTY) | (allEmpty ? 1u << mib::ERROR_NO_PAPER : 0u);
        problem.down = allEmpty;
        problems.push_back(problem);
    }
    for (std::uint32_t supply : RowsOf(objects, mib::PRT_MARKER_SUPPLIES_ENTRY, device)) {
        if (std::optional<Problem> problem = SupplyProblem(objects, device, supply, conditions)) {
            problems.push_back(*problem);
        }
    }
    return problems;
}

// Keeps the index and time of alerts that go on, numbers new ones after every earlier one.
void UpdateAlerts(const std::vector<Problem>& problems, std::uint32_t now,
                  ConditionMemory& memory) {
    std::vector<ActiveAlert> alerts;
    for (const Problem& problem : problems) {
        auto same = std::find_if(memory.alerts.begin(), memory.alerts.end(), [&](const auto& a) {
            return a.group == problem.group && a.groupIndex == problem.groupIndex &&
                   a.code == problem.code;
        });
        ActiveAlert alert = same != memory.alerts.end()
                                ? *same
                                : ActiveAlert{memory.nextAlertIndex++, 0, 0, 0, 0, 0, "", now};
        alert.severity = problem.severity;
        alert.training = problem.training;
        alert.group = problem.group;
        alert.groupIndex = problem.groupIndex;
        alert.code = problem.code;
        alert.description = problem.description;
        alerts.push_back(alert);
    }
    memory.alerts = std::move(alerts);
}

// hrPrinterDetectedErrorState as octets: at least as many as the printer sent at rest.
ber::Value ErrorState(std::uint32_t bits, std::size_t octets) {
    ber::Value value;
    value.tag = ASN_OCTETSTRING;
    octets = std::max<std::size_t>(octets, bits >= 0x100u ? 2 : 1);
    for (std::size_t i = 0; i < octets; ++i) {
        std::uint8_t byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (bits & (1u << (i * 8 + static_cast<std::size_t>(bit)))) {
                byte = static_cast<std::uint8_t>(byte | (0x80u >> bit));
            }
        }
        value.bytes.push_back(byte);
    }
    return value;
}

std::uint32_t ErrorBitsOf(const ber::Value* value) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; value != nullptr && i < value->bytes.size() && i < 4; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            if (value->bytes[i] & (0x80u >> bit)) {
                bits |= 1u << (i * 8 + static_cast<std::size_t>(bit));
            }
        }
    }
    return bits;
}

void ApplyToProfile(Profile& profile, const Conditions& conditions, ConditionMemory& memory) {
    Objects& objects = profile.objects;
    const std::uint32_t device = DeviceIndex(objects);
    auto remember = [&](const Oid& oid) {
        if (memory.rest.count(oid) == 0) {
            const ber::Value* value = Find(objects, oid);
            memory.rest[oid] = value ? std::optional<ber::Value>(*value) : std::nullopt;
        }
    };
    // What the printer showed before the first condition.
    auto rest = [&](const Oid& oid) -> const ber::Value* {
        remember(oid);
        const std::optional<ber::Value>& value = memory.rest[oid];
        return value ? &*value : nullptr;
    };
    const Oid consoleColumn = mib::Append(mib::PRT_CONSOLE_TEXT, {device});
    for (auto at = objects.lower_bound(consoleColumn);
         at != objects.end() && mib::InSubtree(at->first, consoleColumn); ++at) {
        remember(at->first);
    }
    if (memory.nextAlertIndex == 0) {
        memory.nextAlertIndex = 1;
        for (std::uint32_t row : RowsOf(objects, mib::PRT_ALERT_ENTRY, device)) {
            memory.nextAlertIndex = std::max(memory.nextAlertIndex, row + 1);
        }
    }

    std::vector<Problem> problems = ProblemsOf(objects, device, conditions);
    const ber::Value* uptime = Find(objects, mib::SYS_UP_TIME);
    UpdateAlerts(
        problems,
        uptime && uptime->tag == ASN_TIMETICKS ? static_cast<std::uint32_t>(uptime->integer) : 0,
        memory);

    std::map<Oid, ber::Value> writes;
    const bool down = std::any_of(problems.begin(), problems.end(), [](auto& p) { return p.down; });
    const Oid deviceStatus = mib::Append(mib::HR_DEVICE_STATUS, {device});
    const Oid printerStatus = mib::Append(mib::HR_PRINTER_STATUS, {device});
    const Oid errorState = mib::Append(mib::HR_PRINTER_DETECTED_ERROR_STATE, {device});
    if (!problems.empty()) {
        writes[deviceStatus] = Integer(down ? mib::DEVICE_DOWN : mib::DEVICE_WARNING);
    }
    if (down) {
        writes[printerStatus] = Integer(mib::PRINTER_OTHER);
    }
    std::uint32_t bits = ErrorBitsOf(rest(errorState));
    for (const Problem& problem : problems) {
        bits |= problem.bits;
    }
    if (const ber::Value* restState = rest(errorState); restState != nullptr || bits != 0) {
        writes[errorState] = ErrorState(bits, restState ? restState->bytes.size() : 2);
    }

    for (const ActiveAlert& alert : memory.alerts) {
        auto cell = [&](std::uint32_t column) {
            return mib::Append(mib::PRT_ALERT_ENTRY, {column, device, alert.index});
        };
        writes[cell(mib::ALERT_SEVERITY_LEVEL)] = Integer(alert.severity);
        writes[cell(mib::ALERT_TRAINING_LEVEL)] = Integer(alert.training);
        writes[cell(mib::ALERT_GROUP)] = Integer(alert.group);
        writes[cell(mib::ALERT_GROUP_INDEX)] = Integer(alert.groupIndex);
        writes[cell(mib::ALERT_LOCATION)] = Integer(mib::LOCATION_UNKNOWN);
        writes[cell(mib::ALERT_CODE)] = Integer(alert.code);
        writes[cell(mib::ALERT_DESCRIPTION)] = Text(alert.description);
        ber::Value time;
        time.tag = ASN_TIMETICKS;
        time.integer = alert.time;
        writes[cell(mib::ALERT_TIME)] = time;
    }

    // The console and the maker's status show the worst problems first.
    std::vector<const ActiveAlert*> shown;
    for (const ActiveAlert& alert : memory.alerts) {
        shown.push_back(&alert);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const auto* a, const auto* b) {
        return a->severity < b->severity;  // critical (3) before warning (4)
    });
    if (!shown.empty()) {
        std::uint32_t lines = 0;
        for (const auto& [oid, value] : memory.rest) {
            lines += mib::InSubtree(oid, consoleColumn) && value ? 1 : 0;
        }
        for (std::uint32_t line = 1; line <= std::max<std::uint32_t>(lines, 1); ++line) {
            writes[mib::Append(consoleColumn, {line})] =
                Text(line <= shown.size() ? Upper(shown[line - 1]->description) : "");
        }
        if (rest(mib::VENDOR_STATUS) != nullptr) {
            writes[mib::VENDOR_STATUS] = Text(Upper(shown.front()->description));
        }
    }

    for (std::uint32_t input : conditions.paperOut) {
        const Oid level = mib::Append(mib::PRT_INPUT_CURRENT_LEVEL, {device, input});
        const Oid status = mib::Append(mib::PRT_INPUT_STATUS, {device, input});
        if (rest(level) != nullptr) {
            writes[level] = Integer(0);
        }
        if (const ber::Value* before = rest(status); before && before->tag == ASN_INTEGER) {
            auto alert = std::find_if(memory.alerts.begin(), memory.alerts.end(), [&](auto& a) {
                return a.group == mib::GROUP_INPUT && a.groupIndex == static_cast<int>(input);
            });
            int bit = alert != memory.alerts.end() && alert->severity == mib::SEVERITY_CRITICAL
                          ? mib::SUBUNIT_CRITICAL_ALERT
                          : mib::SUBUNIT_NON_CRITICAL_ALERT;
            writes[status] = Integer((before->integer & 7) | bit);
        }
    }

    // Everything ever written starts from its rest value; the writes go on top.
    for (const auto& [oid, value] : writes) {
        remember(oid);
    }
    for (const auto& [oid, value] : memory.rest) {
        auto write = writes.find(oid);
        if (write != writes.end()) {
            objects[oid] = write->second;
        } else if (value) {
            objects[oid] = *value;
        } else {
            objects.erase(oid);
        }
    }
}

bool HasRow(const Printer& printer, const Oid& entry, std::uint32_t index) {
    return std::any_of(printer.profiles.begin(), printer.profiles.end(), [&](const Profile& p) {
        return RowsOf(p.objects, entry, DeviceIndex(p.objects)).count(index) != 0;
    });
}

std::string Engage(Printer& printer) {
    printer.conditions.engaged = true;
    ApplyConditions(printer);
    return {};
}

}  // namespace

std::string SetJam(Printer& printer, bool on) {
    printer.conditions.jam = on;
    return Engage(printer);
}

std::string SetDoorOpen(Printer& printer, bool on) {
    printer.conditions.doorOpen = on;
    return Engage(printer);
}

std::string SetPaperOut(Printer& printer, std::uint32_t input, bool on) {
    if (!HasRow(printer, mib::PRT_INPUT_ENTRY, input)) {
        return "no input " + std::to_string(input) + " in prtInputTable";
    }
    if (on) {
        printer.conditions.paperOut.insert(input);
    } else {
        printer.conditions.paperOut.erase(input);
    }
    return Engage(printer);
}

std::string SetSupplyPercent(Printer& printer, std::uint32_t supply, int percent) {
    if (percent < 0 || percent > 100) {
        return "percent must be 0..100";
    }
    if (!HasRow(printer, mib::PRT_MARKER_SUPPLIES_ENTRY, supply)) {
        return "no supply " + std::to_string(supply) + " in prtMarkerSuppliesTable";
    }
    bool withoutCapacity = false;
    for (Profile& profile : printer.profiles) {
        const std::uint32_t device = DeviceIndex(profile.objects);
        const Oid level = mib::Append(mib::PRT_SUPPLIES_LEVEL, {device, supply});
        auto current = profile.objects.find(level);
        if (current == profile.objects.end()) {
            continue;
        }
        ConditionMemory& memory = printer.conditions.memory[profile.community];
        memory.levelsBeforeToner.try_emplace(supply, current->second);
        std::int64_t capacity =
            IntegerAt(profile.objects,
                      mib::Append(mib::PRT_SUPPLIES_MAX_CAPACITY, {device, supply}))
                .value_or(-2);
        if (capacity > 0) {
            current->second = Integer(capacity * percent / 100);
        } else {
            current->second = Integer(percent == 0 ? 0 : -3);
            withoutCapacity = true;
        }
    }
    if (withoutCapacity) {
        printer.conditions.supplyPercent[supply] = percent;
    } else {
        printer.conditions.supplyPercent.erase(supply);
    }
    return Engage(printer);
}

void ClearConditions(Printer& printer) {
    for (Profile& profile : printer.profiles) {
        auto memory = printer.conditions.memory.find(profile.community);
        if (memory == printer.conditions.memory.end()) {
            continue;
        }
        for (const auto& [oid, value] : memory->second.rest) {
            if (value) {
                profile.objects[oid] = *value;
            } else {
                profile.objects.erase(oid);
            }
        }
        const std::uint32_t device = DeviceIndex(profile.objects);
        for (const auto& [supply, level] : memory->second.levelsBeforeToner) {
            profile.objects[mib::Append(mib::PRT_SUPPLIES_LEVEL, {device, supply})] = level;
        }
    }
    printer.conditions = Conditions{};
}

void ApplyConditions(Printer& printer) {
    if (!printer.conditions.engaged) {
        return;
    }
    for (Profile& profile : printer.profiles) {
        ApplyToProfile(profile, printer.conditions, printer.conditions.memory[profile.community]);
    }
}

}  // namespace sim
