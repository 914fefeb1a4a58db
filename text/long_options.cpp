#include "text/long_options.h"

bool LongOptions::Next() {
    if (++at_ >= argc_) {
        return false;
    }
    name_ = argv_[at_];
    const std::size_t equals = name_.find('=');
    hasInlineValue_ = name_.rfind("--", 0) == 0 && equals != std::string::npos;
    inlineValue_ = hasInlineValue_ ? name_.substr(equals + 1) : std::string();
    if (hasInlineValue_) {
        name_.resize(equals);
    }
    return true;
}

bool LongOptions::Value(std::string& value, std::string& error) {
    if (hasInlineValue_) {
        value = inlineValue_;
        return true;
    }
    if (at_ + 1 >= argc_) {
        error = name_ + " needs a value";
        return false;
    }
    value = argv_[++at_];
    return true;
}

bool LongOptions::NoValue(std::string& error) const {
    if (hasInlineValue_) {
        error = name_ + " takes no value";
    }
    return !hasInlineValue_;
}
