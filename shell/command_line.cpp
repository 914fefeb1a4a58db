#include "shell/command_line.h"

#include <cstring>

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

namespace {

// Whole seconds as decimal digits, 1 to RETRY_SECONDS_MAX; 0 for anything else.
int RetrySeconds(const char* text) {
    if (text == nullptr || *text == '\0' || std::strlen(text) > 6) {
        return 0;
    }
    int seconds = 0;
    for (const char* digit = text; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return 0;
        }
        seconds = seconds * 10 + (*digit - '0');
    }
    return seconds <= RETRY_SECONDS_MAX ? seconds : 0;
}

// Reads the option at `token`, taking its value from the text when it has one. False when
// `token` is no option: it is then the target.
bool ReadOption(const char* token, char** context, CommandLineTokens* tokens) {
    if (std::strcmp(token, NO_PING_OPTION) == 0) {
        tokens->noPing = true;
        return true;
    }
    const std::size_t retryLength = std::strlen(RETRY_OPTION);
    if (std::strncmp(token, RETRY_OPTION, retryLength) != 0 ||
        (token[retryLength] != '\0' && token[retryLength] != '=')) {
        return false;
    }
    const char* value =
        token[retryLength] == '=' ? token + retryLength + 1 : NextSpaceToken(nullptr, context);
    tokens->retrySeconds = RetrySeconds(value);
    if (tokens->retrySeconds == 0) {
        tokens->optionError = std::string(RETRY_OPTION) + ": '" + (value ? value : "") +
                              "' is not a whole number of seconds from 1 to " +
                              std::to_string(RETRY_SECONDS_MAX);
    }
    return true;
}

}  // namespace

CommandLineTokens SplitCommandLine(const char* commandLine) {
    // The tokenizer terminates tokens in place: it works on a copy.
    std::string text = commandLine != nullptr ? commandLine : "";
    char* context = nullptr;
    CommandLineTokens tokens;
    const char* target = NextSpaceToken(text.data(), &context);
    while (target != nullptr && ReadOption(target, &context, &tokens)) {
        target = NextSpaceToken(nullptr, &context);
    }
    const char* community = target != nullptr ? NextSpaceToken(nullptr, &context) : nullptr;
    tokens.target = target != nullptr ? target : "";
    tokens.community = community != nullptr ? community : DEFAULT_COMMUNITY;
    return tokens;
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
