// Fuzzes what the exporter takes from a request (the target, the version, the scrape-timeout
// header, a network list) and what it writes from a printer's text: every input is either
// refused or understood within bounds, label values and HTML text always come out as valid UTF-8
// without a code point the printable rule names or an unescaped quote, and HTML text never
// carries markup.
//
// Input: fields separated by '\n': target, snmp_version, timeout header, CIDR list, text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/address.h"
#include "exporter/config.h"
#include "exporter/exposition.h"
#include "exporter/server.h"
#include "exporter/status_page.h"
#include "fuzz/fuzz_check.h"
#include "platform/net/net.h"
#include "text/field_text.h"
#include "text/printable_text.h"

namespace {

// Well-formed UTF-8 with nothing the printable rule replaces.
bool IsPrintable(std::string_view utf8) {
    for (std::size_t at = 0, length = 0; at < utf8.size(); at += length) {
        if (Utf8SequenceLength(utf8, at) == 0 || IsNeutralised(DecodeUtf8(utf8, at, length))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields;
    while (fields.size() < 4) {
        std::size_t end = input.find('\n');
        fields.emplace_back(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    std::string why;
    if (auto target = exporter::ParseTarget(fields[0], why)) {
        FuzzCheck(!target->host.empty() && target->host.size() <= exporter::MAX_TARGET_LENGTH);
        FuzzCheck(target->port != 0);
        net::LiteralEndpoint(target->host, target->port);
    } else {
        FuzzCheck(!why.empty());
    }
    condition::SnmpVersion version;
    exporter::ParseSnmpVersion(fields[1], version);
    auto timeout =
        exporter::ReadingTimeout(fields[2].c_str(), std::chrono::milliseconds(10000),
                                 std::chrono::milliseconds(500), std::chrono::milliseconds(30000));
    FuzzCheck(timeout.count() >= 0 && timeout <= std::chrono::seconds(30));
    std::vector<exporter::Cidr> list;
    if (exporter::ParseCidrList(fields[3], list, why)) {
        for (const auto& cidr : list) {
            FuzzCheck(cidr.prefix >= 0 &&
                      cidr.prefix <= static_cast<int>(net::AddressSize(cidr.network.family) * 8));
        }
    }

    std::string label;
    exporter::AppendLabelValue(label, input);
    FuzzCheck(IsPrintable(label));
    for (std::size_t at = label.find('"'); at != std::string::npos; at = label.find('"', at + 1)) {
        std::size_t backslashes = 0;
        while (backslashes < at && label[at - 1 - backslashes] == '\\') {
            ++backslashes;
        }
        FuzzCheck(backslashes % 2 == 1);  // every quote escaped
    }
    std::string html = exporter::HtmlEscape(input);
    FuzzCheck(html.find_first_of("<>\"'") == std::string::npos);
    FuzzCheck(IsPrintable(html));
    return 0;
}
