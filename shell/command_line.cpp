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

// Whole seconds as decimal digits, from `low` to `high`; 0 for anything else.
int Seconds(const char* text, int low, int high) {
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
    return seconds >= low && seconds <= high ? seconds : 0;
}

std::string SecondsError(const char* option, const char* value, int low, int high) {
    return std::string(option) + ": '" + (value ? value : "") +
           "' is not a whole number of seconds from " + std::to_string(low) + " to " +
           std::to_string(high);
}

// The value of the option `name` at `token` ("NAME VALUE" or "NAME=VALUE"), or null when
// `token` is another option or none. `*found` says whether it was this option.
const char* OptionValue(const char* token, const char* name, char** context, bool* found) {
    const std::size_t length = std::strlen(name);
    *found =
        std::strncmp(token, name, length) == 0 && (token[length] == '\0' || token[length] == '=');
    if (!*found) {
        return nullptr;
    }
    return token[length] == '=' ? token + length + 1 : NextSpaceToken(nullptr, context);
}

// Reads the option at `token`, taking its value from the text when it has one. False when
// `token` is no option: it is then the target.
bool ReadOption(const char* token, char** context, bool v3Built, CommandLineTokens* tokens) {
    if (std::strcmp(token, NO_PING_OPTION) == 0) {
        tokens->noPing = true;
        return true;
    }
    if (std::strcmp(token, NO_NOTIFY_OPTION) == 0) {
        tokens->noNotify = true;
        return true;
    }
    bool found = false;
    const char* value = OptionValue(token, RETRY_OPTION, context, &found);
    if (found) {
        tokens->retrySeconds = Seconds(value, 1, RETRY_SECONDS_MAX);
        if (tokens->retrySeconds == 0) {
            tokens->optionError = SecondsError(RETRY_OPTION, value, 1, RETRY_SECONDS_MAX);
        }
        return true;
    }
    value = OptionValue(token, CONDITION_EVERY_OPTION, context, &found);
    if (found) {
        tokens->conditionSeconds = Seconds(value, CONDITION_SECONDS_MIN, CONDITION_SECONDS_MAX);
        if (tokens->conditionSeconds == 0) {
            tokens->optionError = SecondsError(CONDITION_EVERY_OPTION, value, CONDITION_SECONDS_MIN,
                                               CONDITION_SECONDS_MAX);
        }
        return true;
    }
    value = OptionValue(token, CONDITION_VERSION_OPTION, context, &found);
    if (found) {
        const std::string version = value != nullptr ? value : "";
        const std::string option = CONDITION_VERSION_OPTION;
        if (version == "1" || version == "2c" || (version == "3" && v3Built)) {
            tokens->conditionVersion = version == "1"    ? condition::SnmpVersion::V1
                                       : version == "2c" ? condition::SnmpVersion::V2c
                                                         : condition::SnmpVersion::V3;
        } else if (version == "3") {
            tokens->optionError = option + ": " + condition::USM_NOT_BUILT;
        } else {
            tokens->optionError = option + ": '" + version + "' is not 1, 2c or 3";
        }
        return true;
    }
    return false;
}

}  // namespace

CommandLineTokens SplitCommandLine(const char* commandLine, bool v3Built) {
    // The tokenizer terminates tokens in place: it works on a copy.
    std::string text = commandLine != nullptr ? commandLine : "";
    char* context = nullptr;
    CommandLineTokens tokens;
    const char* target = NextSpaceToken(text.data(), &context);
    while (target != nullptr && ReadOption(target, &context, v3Built, &tokens)) {
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
