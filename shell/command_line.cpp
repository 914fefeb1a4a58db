#include "shell/command_line.h"

#include "shell/globals.h"
#include "shell/startup.h"

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

CommandLineTokens SplitCommandLine(const char* commandLine) {
    // The tokenizer terminates tokens in place: it works on a copy.
    std::string text = commandLine != nullptr ? commandLine : "";
    char* context = nullptr;
    const char* target = NextSpaceToken(text.data(), &context);
    const char* community = target != nullptr ? NextSpaceToken(nullptr, &context) : nullptr;
    return {target != nullptr ? target : "", community != nullptr ? community : DEFAULT_COMMUNITY};
}

const char* CommandLineProblem(const CommandLineTokens& tokens) {
    if (tokens.target.size() >= TARGET_CHARS) {
        return "the target is longer than 63 characters";
    }
    if (tokens.community.size() >= COMMUNITY_CHARS) {
        return "the community is longer than 63 characters";
    }
    return nullptr;
}
