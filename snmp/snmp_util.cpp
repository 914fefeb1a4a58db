// The SNMP utility calls: storage with the API's zero-fill and resize rules, identifier and
// value release that leaves things empty.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "snmp/asn_types.h"

namespace {

// Every block carries its size in front, so a resize can zero the part it adds.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

BlockHeader* HeaderOf(void* block) {
    return static_cast<BlockHeader*>(block) - 1;
}

bool IsStringType(std::uint8_t tag) {
    return tag == ASN_OCTETSTRING || tag == ASN_IPADDRESS || tag == ASN_OPAQUE;
}

}  // namespace

void* SnmpUtilMemAlloc(std::size_t bytes) {
    if (bytes > static_cast<std::size_t>(-1) - sizeof(BlockHeader)) {
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(std::calloc(1, sizeof(BlockHeader) + bytes));
    if (header == nullptr) {
        return nullptr;
    }
    header->size = bytes;
    return header + 1;
}

void SnmpUtilMemFree(void* block) {
    if (block != nullptr) {
        std::free(HeaderOf(block));
    }
}

void* SnmpUtilMemReAlloc(void* block, std::size_t bytes) {
    if (block == nullptr) {
        return SnmpUtilMemAlloc(bytes);
    }
    if (bytes > static_cast<std::size_t>(-1) - sizeof(BlockHeader)) {
        return nullptr;
    }
    const std::size_t oldSize = HeaderOf(block)->size;
    auto* header =
        static_cast<BlockHeader*>(std::realloc(HeaderOf(block), sizeof(BlockHeader) + bytes));
    if (header == nullptr) {
        return nullptr;
    }
    if (bytes > oldSize) {
        std::memset(reinterpret_cast<unsigned char*>(header + 1) + oldSize, 0, bytes - oldSize);
    }
    header->size = bytes;
    return header + 1;
}

int SnmpUtilOidCpy(AsnObjectIdentifier* destination, const AsnObjectIdentifier* source) {
    if (destination == nullptr) {
        return 0;
    }
    destination->idLength = 0;
    destination->ids = nullptr;
    if (source == nullptr) {
        return 0;
    }
    if (source->idLength == 0 || source->ids == nullptr) {
        return 1;
    }
    auto* ids = static_cast<std::uint32_t*>(
        SnmpUtilMemAlloc(static_cast<std::size_t>(source->idLength) * sizeof(std::uint32_t)));
    if (ids == nullptr) {
        return 0;
    }
    std::memcpy(ids, source->ids, source->idLength * sizeof(std::uint32_t));
    destination->ids = ids;
    destination->idLength = source->idLength;
    return 1;
}

void SnmpUtilOidFree(AsnObjectIdentifier* oid) {
    if (oid == nullptr) {
        return;
    }
    SnmpUtilMemFree(oid->ids);
    oid->ids = nullptr;
    oid->idLength = 0;
}

void SnmpUtilAsnAnyFree(AsnAny* value) {
    if (value == nullptr) {
        return;
    }
    if (IsStringType(value->asnType)) {
        if (value->asnValue.string.dynamic) {
            SnmpUtilMemFree(value->asnValue.string.stream);
        }
    } else if (value->asnType == ASN_OBJECTIDENTIFIER) {
        SnmpUtilOidFree(&value->asnValue.object);
    }
    std::memset(&value->asnValue, 0, sizeof value->asnValue);
    value->asnType = ASN_NULL;
}

void SnmpUtilVarBindListFree(SnmpVarBindList* list) {
    if (list == nullptr) {
        return;
    }
    if (list->list != nullptr) {
        for (std::uint32_t i = 0; i < list->len; ++i) {
            SnmpUtilOidFree(&list->list[i].name);
            SnmpUtilAsnAnyFree(&list->list[i].value);
        }
        SnmpUtilMemFree(list->list);
    }
    list->list = nullptr;
    list->len = 0;
}
