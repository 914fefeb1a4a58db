// The health's reasons (health.h) in the words of a person at the printer: "jammed" is
// "paper jam", "supply yellow toner at 5%" is "yellow toner low (5%)". Reasons without words of
// their own stay as the health writes them. The monitoring plugin's line, the details window
// and the notifications all say them so.
#pragma once

#include <string>
#include <string_view>

namespace condition {

// The words of a reason the health rules write as it is (an error bit, the device's status;
// "jammed" is "paper jam"), or null for the others. The exporter's status page says these too.
const char* FixedReasonWords(std::string_view reason);

std::string ReasonWords(const std::string& reason);

}  // namespace condition
