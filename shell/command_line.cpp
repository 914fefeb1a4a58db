#include "shell/command_line.h"

#include <cstring>
#include <string>

#include "shell/globals.h"

char* NextSpaceToken(char* text, char** context) {
    char* cursor = text != nullptr ? text : *context;
    if (cursor == nullptr) {
        return nullptr;
    }
    while (*cursor == ' ') {
        ++cursor;
    }
    if (*cursor == '\0') {
        *context = cursor;
        return nullptr;
    }
    char* token = cursor;
    while (*cursor != '\0' && *cursor != ' ') {
        ++cursor;
    }
    if (*cursor == ' ') {
        *cursor = '\0';
        ++cursor;
    }
    *context = cursor;
    return token;
}

const char* CommandLineProblem(const char* commandLine) {
    std::string text = commandLine != nullptr ? commandLine : "";
    char* context = nullptr;
    char* target = NextSpaceToken(text.data(), &context);
    char* community = target != nullptr ? NextSpaceToken(nullptr, &context) : nullptr;
    if (target != nullptr && std::strlen(target) >= TARGET_CHARS) {
        return "the target is longer than 63 characters";
    }
    if (community != nullptr && std::strlen(community) >= COMMUNITY_CHARS) {
        return "the community is longer than 63 characters";
    }
    return nullptr;
}
