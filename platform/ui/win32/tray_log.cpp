#include "platform/ui/win32/tray_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ui {
namespace {

// The record's fixed-size texts need not be terminated: read no further than the field.
template <std::size_t N>
std::string Field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            *out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
            case '\\':
                *out += '\\';
                break;
            case 't':
                *out += '\t';
                break;
            case 'r':
                *out += '\r';
                break;
            case 'n':
                *out += '\n';
                break;
            default:
                return false;
        }
    }
    return true;
}

bool Number(const std::string& text, unsigned long* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    *value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0';
}

}  // namespace

std::string TrayLogLine(DWORD operation, const NOTIFYICONDATAA& record) {
    return std::to_string(operation) + "\t" + std::to_string(record.uID) + "\t" +
           std::to_string(record.uFlags) + "\t" + std::to_string(record.dwInfoFlags) + "\t" +
           std::to_string(record.uTimeout) + "\t" + Escape(Field(record.szInfoTitle)) + "\t" +
           Escape(Field(record.szInfo)) + "\n";
}

bool ParseTrayLogLine(const std::string& line, TrayLogEntry* entry) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    unsigned long numbers[5] = {};
    if (fields.size() != 7) {
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        if (!Number(fields[static_cast<std::size_t>(i)], &numbers[i])) {
            return false;
        }
    }
    entry->operation = static_cast<DWORD>(numbers[0]);
    entry->id = static_cast<UINT>(numbers[1]);
    entry->flags = static_cast<UINT>(numbers[2]);
    entry->infoFlags = static_cast<DWORD>(numbers[3]);
    entry->timeout = static_cast<UINT>(numbers[4]);
    return Unescape(fields[5], &entry->title) && Unescape(fields[6], &entry->text);
}

void LogTrayCall(DWORD operation, const NOTIFYICONDATAA& record) {
    const char* path = std::getenv(TRAY_LOG_VARIABLE);
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    if (std::FILE* file = std::fopen(path, "ab")) {
        const std::string line = TrayLogLine(operation, record);
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

}  // namespace ui
