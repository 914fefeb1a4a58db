#include "platform/ui/posix/kernel_copy.h"

char* KernelCopyN(char* destination, const char* source, int count) {
    if (destination == nullptr || source == nullptr) {
        return nullptr;
    }
    // The count is taken as unsigned, as the kernel does.
    auto left = static_cast<unsigned int>(count);
    char* out = destination;
    while (left > 1 && *source != '\0') {
        *out++ = *source++;
        --left;
    }
    if (left != 0) {
        *out = '\0';
    }
    return destination;
}
