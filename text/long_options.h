// A program's long options as its command line gives them, "--name value" or "--name=value",
// read one at a time; what each option means stays with the program.
#pragma once

#include <string>

class LongOptions {
  public:
    LongOptions(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

    // Moves to the next argument; false when none is left.
    bool Next();
    // The argument, less an "=value" after a leading "--".
    const std::string& Name() const { return name_; }
    // The option's value: what followed '=', or else the next argument (which is used up).
    // False, with `error` saying so, when there is none.
    bool Value(std::string& value, std::string& error);
    // For an option that takes no value: false, with `error` saying so, when "=value" came.
    bool NoValue(std::string& error) const;

  private:
    int argc_;
    const char* const* argv_;
    int at_ = 0;
    std::string name_;
    std::string inlineValue_;
    bool hasInlineValue_ = false;
};
