#include "options/usm_options.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

#include "options/option_parser.h"
#include "snmp/usm_session.h"

namespace vmcli {
namespace {

// A password file's first line, without its line end; false when it cannot be read.
bool ReadPasswordFile(const std::string& path, std::string* password) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    *password = line;
    return !in.bad();
}

// The password an option left unset, from its file or else its environment variable.
std::string FillPassword(std::string& password, const std::string& file, const char* option,
                         const char* variable, const Environment& environment) {
    if (!file.empty()) {
        if (!password.empty()) {
            return std::string("give ") + option + " or " + option + "-file, not both";
        }
        if (!ReadPasswordFile(file, &password)) {
            return std::string(option) + "-file: cannot read '" + file + "'";
        }
        return "";
    }
    if (password.empty()) {
        password = environment(variable).value_or("");
    }
    return "";
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

UsmOptions::UsmOptions(CLI::App& app, condition::UsmCredentials& credentials,
                       std::string versionOption)
    : credentials_(credentials), versionOption_(std::move(versionOption)) {
    condition::UsmCredentials& c = credentials_;
    const auto given = [this] { given_ = true; };
    app.add_option("-u,--user", c.user)->each([given](const std::string&) { given(); });
    app.add_option_function<std::string>("-l,--security-level", [this, &c](const std::string& t) {
        given_ = true;
        if (!usm::ParseSecurityLevel(t, &c.level)) {
            Refuse("--security-level", t, "noAuthNoPriv, authNoPriv or authPriv");
        }
    });
    app.add_option_function<std::string>("-a,--auth-protocol", [this, &c](const std::string& t) {
        given_ = true;
        if (!usm::ParseAuthProtocol(t, &c.auth)) {
            Refuse("--auth-protocol", t, "MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512");
        }
    });
    app.add_option_function<std::string>("-x,--priv-protocol", [this, &c](const std::string& t) {
        given_ = true;
        if (!usm::ParsePrivProtocol(t, &c.priv)) {
            Refuse("--priv-protocol", t, "DES, AES, AES-192, AES-256, AES-192-C or AES-256-C");
        }
    });
    app.add_option("-A,--auth-password", c.authPassword)->each([given](const std::string&) {
        given();
    });
    app.add_option("-X,--priv-password", c.privPassword)->each([given](const std::string&) {
        given();
    });
    app.add_option("--auth-password-file", authPasswordFile_)->each([given](const std::string&) {
        given();
    });
    app.add_option("--priv-password-file", privPasswordFile_)->each([given](const std::string&) {
        given();
    });
    app.add_option("-n,--context", c.contextName)->each([given](const std::string&) { given(); });
}

std::string UsmOptions::Finish(bool v3, const Environment& environment) {
    if (!v3) {
        return given_ ? "the SNMPv3 options need " + versionOption_ + " 3" : "";
    }
    condition::UsmCredentials& c = credentials_;
    std::string error = FillPassword(c.authPassword, authPasswordFile_, "--auth-password",
                                     AUTH_PASSWORD_VARIABLE, environment);
    if (error.empty()) {
        error = FillPassword(c.privPassword, privPasswordFile_, "--priv-password",
                             PRIV_PASSWORD_VARIABLE, environment);
    }
    if (error.empty() && c.user.empty()) {
        error = versionOption_ + " 3 needs --user (-u)";
    }
    if (error.empty()) {
        usm::User user;
        user.name = c.user;
        user.level = c.level;
        user.credentials = {c.auth, c.authPassword, c.priv, c.privPassword};
        user.contextName = c.contextName;
        error = usm::CheckUser(user);
    }
    return error;
}

std::string UsmHelp(const std::string& versionOption) {
    return "SNMPv3 (with " + versionOption + R"( 3), in net-snmp's letters:
  -u, --user NAME               the USM user
  -l, --security-level LEVEL    noAuthNoPriv (default), authNoPriv or authPriv
  -a, --auth-protocol PROTOCOL  MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512
  -A, --auth-password PASSWORD  or --auth-password-file FILE, or the
                                environment's VELLUMARK_AUTH_PASSWORD
  -x, --priv-protocol PROTOCOL  DES, AES, AES-192, AES-256, AES-192-C or
                                AES-256-C (SHA256, AES192C and the like too)
  -X, --priv-password PASSWORD  or --priv-password-file FILE, or the
                                environment's VELLUMARK_PRIV_PASSWORD
  -n, --context NAME            the context name (default none)
  A password on the command line is visible to every user of this machine (ps):
  prefer the file (its first line) or the environment variable.
)";
}

}  // namespace vmcli
