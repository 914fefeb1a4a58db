// Feeds arbitrary answers to a condition reading in progress: each exchange is answered with
// raw bytes the codec decodes, with an answer built from the request (names stepped forward,
// back, repeated or made up; values of any tag, fit or unfit; any error status), with silence,
// or cut short. Whatever comes, the reading must end within its request bound, and the
// condition it gives must assemble and render.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "condition/plugin_report.h"
#include "condition/render.h"
#include "condition/walk.h"
#include "fuzz/fuzz_check.h"
#include "snmp/asn_types.h"

namespace {

ber::Value AnyValue(FuzzedDataProvider& in) {
    ber::Value value;
    static constexpr std::uint8_t TAGS[] = {
        ASN_INTEGER,          ASN_OCTETSTRING,     ASN_NULL,
        ASN_OBJECTIDENTIFIER, ASN_IPADDRESS,       ASN_COUNTER32,
        ASN_GAUGE32,          ASN_TIMETICKS,       ASN_OPAQUE,
        ASN_COUNTER64,        ber::NO_SUCH_OBJECT, ber::NO_SUCH_INSTANCE,
        ber::END_OF_MIB_VIEW};
    value.tag = in.PickValueInArray(TAGS);
    value.integer = in.ConsumeIntegral<std::int32_t>();
    if (value.tag == ASN_COUNTER32 || value.tag == ASN_GAUGE32 || value.tag == ASN_TIMETICKS) {
        value.integer = in.ConsumeIntegral<std::uint32_t>();
    }
    const std::string bytes = in.ConsumeRandomLengthString(300);
    value.bytes.assign(bytes.begin(), bytes.end());
    if (value.tag == ASN_OBJECTIDENTIFIER) {
        value.oid = {1, 3, 6, 1, 2, 1, 25, 3, 1, in.ConsumeIntegralInRange<std::uint32_t>(1, 6)};
    }
    value.valid = in.ConsumeProbability<float>() > 0.1f;
    return value;
}

std::vector<std::uint32_t> NameNear(FuzzedDataProvider& in, std::vector<std::uint32_t> name) {
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
        case 0:  // the next row
            name.push_back(in.ConsumeIntegralInRange<std::uint32_t>(0, 300));
            break;
        case 1:  // a little further on, the same, or backwards
            if (!name.empty()) {
                name.back() += static_cast<std::uint32_t>(in.ConsumeIntegralInRange<int>(-3, 3));
            }
            break;
        case 2:  // deeper
            name.push_back(in.ConsumeIntegral<std::uint32_t>());
            name.push_back(in.ConsumeIntegral<std::uint32_t>());
            break;
        case 3:  // shorter
            if (name.size() > 2) {
                name.pop_back();
            }
            break;
        default:  // anything
            name.assign(in.ConsumeIntegralInRange<std::size_t>(2, 20), 0);
            for (std::uint32_t& sub : name) {
                sub = in.ConsumeIntegralInRange<std::uint32_t>(0, 50);
            }
            break;
    }
    return name;
}

ber::Message Built(FuzzedDataProvider& in, const ber::Message& request) {
    ber::Message answer = request;
    answer.pduType = SNMP_PDU_RESPONSE;
    answer.errorStatus =
        in.ConsumeProbability<float>() < 0.8f ? 0 : in.ConsumeIntegralInRange<std::int32_t>(-1, 6);
    answer.errorIndex = in.ConsumeIntegralInRange<std::int32_t>(-1, 20);
    const std::size_t rows =
        request.pduType == ber::PDU_GET_BULK ? in.ConsumeIntegralInRange<std::size_t>(0, 40) : 1;
    answer.varbinds.clear();
    for (std::size_t r = 0; r < rows; ++r) {
        for (const ber::VarBind& asked : request.varbinds) {
            answer.varbinds.push_back({NameNear(in, asked.name), AnyValue(in)});
        }
    }
    return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto version =
        in.ConsumeBool() ? condition::SnmpVersion::V1 : condition::SnmpVersion::V2c;
    condition::Walk walk(version);
    ber::Message request;
    while (walk.Next(request)) {
        if (in.remaining_bytes() == 0) {
            walk.Abort("input ended");
            break;
        }
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
            case 0:
                walk.NoAnswer();
                break;
            case 1: {
                const std::string bytes = in.ConsumeRandomLengthString(2000);
                ber::Message decoded;
                if (ber::Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                decoded) == ber::Error::None) {
                    walk.Answer(decoded);
                }
                break;
            }
            default:
                walk.Answer(Built(in, request));
                break;
        }
    }
    FuzzCheck(walk.Finished() && walk.Requests() <= condition::MAX_REQUESTS_PER_READING);
    const condition::Condition read = walk.Take(in.ConsumeFloatingPointInRange<double>(0, 100));
    FuzzCheck(read.supplies.size() <= condition::MAX_ROWS_PER_COLUMN * 8 &&
              read.consoleLines.size() <= 8);
    const std::string json = condition::ConditionJson(read);
    const std::string text = condition::ConditionText(read);
    for (const char c : text) {
        // No control character reaches the terminal text.
        FuzzCheck((static_cast<unsigned char>(c) >= 0x20 || c == '\n') && c != 0x7F);
    }
    // The plugin's line stays one line, with one '|' at most: the start of its perfdata.
    const condition::PluginReport report =
        condition::ReportForPlugin(read, {in.ConsumeFloatingPointInRange<double>(50, 100),
                                          in.ConsumeFloatingPointInRange<double>(0, 50)});
    // (A walk ended by the input's end is our own failure: UNKNOWN is a right answer too.)
    FuzzCheck(!report.line.empty() && report.line.find('\n') == report.line.size() - 1 &&
              std::count(report.line.begin(), report.line.end(), '|') <= 1);
    for (const char c : report.line) {
        FuzzCheck((static_cast<unsigned char>(c) >= 0x20 || c == '\n') && c != 0x7F);
    }
    return json.empty() ? 1 : 0;
}
