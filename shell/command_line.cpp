#include "shell/command_line.h"

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
