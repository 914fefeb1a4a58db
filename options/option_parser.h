// How every program here reads its command line, with CLI11 underneath. An option is
// "--name VALUE" or "--name=VALUE" anywhere among the other arguments; options take effect in
// the order given (a repeated one: the last wins, unless it collects). "--" ends the options:
// every later argument is text, even "-x" or another "--". Before it, an argument that starts
// with "-" and names no option is an unknown option, never text. --help (-h) and --version act
// where they stand: nothing after them is read. A usage error is one line that names the option.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace vmcli {

enum class Outcome { Run, Help, Version, UsageError };

struct Parsed {
    Outcome outcome = Outcome::Run;
    std::vector<std::string> text;  // the arguments that are no option, in order
    std::string error;              // UsageError: what is wrong, in one line
};

// How a program words an argument it does not know: each keeps the words its users know.
using UnknownWording = std::function<std::string(const std::string& argument)>;

// Parses `arguments` (those after the program's name) with the options `app` holds, after
// adding -h/--help and --version. A program that takes no text (`takesText` false) treats every
// text argument, "--" included, as unknown.
Parsed Parse(CLI::App& app, const std::vector<std::string>& arguments, bool takesText,
             const UnknownWording& unknown);

// Typed values, checked on the text as given (before CLI11 converts it) and handed on in one
// canonical form, so that "010" is ten, not the eight a C conversion makes of it. A value that
// fails is the usage error "--NAME: 'VALUE' is not WHAT".
CLI::Validator WholeNumber(long long low, long long high);  // decimal digits, no sign or space
CLI::Validator Number(double low, double high);             // a decimal such as 12.5
CLI::Validator OneOf(const std::vector<std::string>& words);
CLI::Validator Satisfies(std::function<bool(const std::string&)> valid, const std::string& what);

// For an option's callback that reads its value itself: the same usage error as above.
[[noreturn]] void Refuse(const std::string& option, const std::string& value,
                         const std::string& what);

}  // namespace vmcli
