// The condition as the terminal program shows it: the JSON object `condition` of
// `--once --json`, and the text block `--once` prints under the window. Pure functions.
//
// JSON: health, reasons, complete (everything was read), error (why not, else null),
// device_status, printer_status (MIB names, null when not read or not named), errors (the set
// bits' names, null when not read), serial, supplies (description, colour, type, class, unit,
// capacity, level, percent, level_state), inputs (name, media, capacity, level, level_state,
// status), alerts (severity, group, code, description), markers (life_count, power_on_count).
// Unknown values are null, never a number the MIB does not define. Texts are the condition's UTF-8,
// escaped by the JSON writer.
//
// Text: never a control character from the printer's texts: each C0 or C1 control and DEL
// becomes U+FFFD, so a printer cannot drive the terminal; every line ends with "\n".
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "condition/condition.h"

namespace condition {

nlohmann::ordered_json ConditionToJson(const Condition& condition);
// The same object as compact JSON text, to splice into a larger document.
std::string ConditionJson(const Condition& condition);

std::string ConditionText(const Condition& condition);

}  // namespace condition
