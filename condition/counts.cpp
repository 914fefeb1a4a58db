// The printer's page counts, added up over its markers (condition.h).
#include <cstdint>
#include <optional>

#include "condition/condition.h"

namespace condition {
namespace {

std::optional<std::uint64_t> Sum(const Condition& condition,
                                 std::optional<std::uint32_t> Marker::*count) {
    std::optional<std::uint64_t> sum;
    for (const Marker& marker : condition.markers) {
        if (marker.*count) {
            sum = sum.value_or(0) + *(marker.*count);
        }
    }
    return sum;
}

}  // namespace

std::optional<std::uint64_t> PageCount(const Condition& condition) {
    return Sum(condition, &Marker::lifeCount);
}

std::optional<std::uint64_t> PowerOnCount(const Condition& condition) {
    return Sum(condition, &Marker::powerOnCount);
}

}  // namespace condition
