#include "options/option_parser.h"

#include <algorithm>
#include <charconv>

namespace vmcli {
namespace {

// Thrown by --help and --version as they are read, so that nothing after them is.
struct Stop {
    Outcome outcome;
};

bool LooksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

// CLI11 says "--retries: 1 required INT missing" and "once was given a disallowed flag
// override"; a user reads which option and what it lacks or has too much of.
std::string MismatchText(const std::string& what) {
    std::string name = what.substr(0, what.find_first_of(": "));
    if (!LooksLikeOption(name)) {
        name = (name.size() == 1 ? "-" : "--") + name;
    }
    return name +
           (what.find("flag override") != std::string::npos ? " takes no value" : " needs a value");
}

// The first argument read so far that is no option of ours: one CLI11 set aside, or a text
// argument that looks like an option (CLI11 takes "-5" or "---" for text).
std::string FirstUnknown(CLI::App& app, const CLI::Option* text) {
    const std::vector<std::string> aside = app.remaining();
    if (!aside.empty()) {
        return aside.front();
    }
    if (text != nullptr) {
        for (const std::string& argument : text->results()) {
            if (LooksLikeOption(argument)) {
                return argument;
            }
        }
    }
    return {};
}

std::string Quoted(const std::string& value) {
    return "'" + value + "' is not ";
}

}  // namespace

Parsed Parse(CLI::App& app, const std::vector<std::string>& arguments, bool takesText,
             const UnknownWording& unknown) {
    app.set_help_flag();
    app.allow_extras();
    app.add_flag_callback("-h,--help", [] { throw Stop{Outcome::Help}; });
    app.add_flag_callback("--version", [] { throw Stop{Outcome::Version}; });
    // Options take effect as they are read: in order, a repeated one as often as it is given,
    // and the first bad value is the error.
    for (CLI::Option* option : app.get_options()) {
        option->trigger_on_parse();
        if (option->get_items_expected_max() == 0) {
            option->disable_flag_override();
        }
    }
    std::vector<std::string> textField;
    CLI::Option* text = takesText ? app.add_option("text", textField) : nullptr;

    auto optionsEnd = std::find(arguments.begin(), arguments.end(), std::string("--"));
    if (!takesText) {
        optionsEnd = arguments.end();
    }
    // CLI11 reads "--name=" as "--name" and takes the next argument for the value; it is the
    // empty value.
    std::vector<std::string> reversed;
    for (auto argument = arguments.begin(); argument != optionsEnd; ++argument) {
        const std::size_t equals = argument->find('=');
        const CLI::Option* option = equals + 1 == argument->size() && argument->rfind("--", 0) == 0
                                        ? app.get_option_no_throw(argument->substr(0, equals))
                                        : nullptr;
        if (option != nullptr && option->get_items_expected_max() > 0) {
            reversed.push_back(argument->substr(0, equals));
            reversed.emplace_back();
        } else {
            reversed.push_back(*argument);
        }
    }
    std::reverse(reversed.begin(), reversed.end());
    Parsed parsed;
    try {
        app.parse(reversed);
    } catch (const Stop& stop) {
        parsed.outcome = stop.outcome;
    } catch (const CLI::ArgumentMismatch& error) {
        parsed.outcome = Outcome::UsageError;
        parsed.error = MismatchText(error.what());
    } catch (const CLI::ParseError& error) {
        parsed.outcome = Outcome::UsageError;
        parsed.error = error.what();
    }
    // An unknown argument before the error or the --help says so first.
    const std::string stranger = FirstUnknown(app, text);
    if (parsed.outcome != Outcome::UsageError && !stranger.empty()) {
        parsed.outcome = Outcome::UsageError;
        parsed.error = unknown(stranger);
    }
    if (parsed.outcome == Outcome::Run && text != nullptr) {
        parsed.text = text->results();
        if (optionsEnd != arguments.end()) {
            parsed.text.insert(parsed.text.end(), optionsEnd + 1, arguments.end());
        }
    }
    return parsed;
}

CLI::Validator WholeNumber(long long low, long long high) {
    const std::string what =
        "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [low, high, what](std::string& value) -> std::string {
            long long read = 0;
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, read);
            if (value.empty() || error != std::errc() || stop != end || read < low || read > high) {
                return Quoted(value) + what;
            }
            value = std::to_string(read);
            return {};
        },
        what);
}

CLI::Validator Number(double low, double high) {
    char lowText[32];
    char highText[32];
    *std::to_chars(lowText, lowText + sizeof lowText - 1, low).ptr = '\0';
    *std::to_chars(highText, highText + sizeof highText - 1, high).ptr = '\0';
    const std::string what = std::string("a number from ") + lowText + " to " + highText;
    return CLI::Validator(
        [low, high, what](std::string& value) -> std::string {
            double read = 0;
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, read);
            // Written so that NaN fails.
            if (value.empty() || error != std::errc() || stop != end ||
                !(read >= low && read <= high)) {
                return Quoted(value) + what;
            }
            char canonical[32];
            *std::to_chars(canonical, canonical + sizeof canonical - 1, read).ptr = '\0';
            value = canonical;
            return {};
        },
        what);
}

CLI::Validator OneOf(const std::vector<std::string>& words) {
    std::string what;
    for (std::size_t i = 0; i < words.size(); ++i) {
        what += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    }
    return CLI::Validator(
        [words, what](std::string& value) -> std::string {
            return std::find(words.begin(), words.end(), value) != words.end()
                       ? std::string()
                       : Quoted(value) + what;
        },
        what);
}

CLI::Validator Satisfies(std::function<bool(const std::string&)> valid, const std::string& what) {
    return CLI::Validator(
        [valid = std::move(valid), what](std::string& value) -> std::string {
            return valid(value) ? std::string() : Quoted(value) + what;
        },
        what);
}

void Refuse(const std::string& option, const std::string& value, const std::string& what) {
    throw CLI::ValidationError(option, Quoted(value) + what);
}

}  // namespace vmcli
