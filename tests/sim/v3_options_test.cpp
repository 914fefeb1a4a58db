// The simulator's --v3-user values: the levels and protocols in every spelling the tools use,
// a privacy password that keeps its colons, and the values that cannot make a user.
#include <gtest/gtest.h>

#include <string>

#include "tools/printer-sim/settings.h"

namespace {

using usm::AuthProtocol;
using usm::PrivProtocol;
using usm::SecurityLevel;

TEST(SimV3Options, UsersFromTheirText) {
    struct Row {
        const char* text;
        bool ok;
        SecurityLevel level;
        AuthProtocol auth;
        PrivProtocol priv;
        const char* privPassword;
    };
    const Row rows[] = {
        {"plain:noAuthNoPriv", true, SecurityLevel::NoAuthNoPriv, AuthProtocol::None,
         PrivProtocol::None, ""},
        {"a:authNoPriv:SHA256:secret", true, SecurityLevel::AuthNoPriv, AuthProtocol::Sha256,
         PrivProtocol::None, ""},
        {"b:priv:MD5:secret:AES192C:p:a:s:s", true, SecurityLevel::AuthPriv, AuthProtocol::Md5,
         PrivProtocol::Aes192C, "p:a:s:s"},
        {"c:authNoPriv:SHA:secret:DES:other", true, SecurityLevel::AuthNoPriv, AuthProtocol::Sha1,
         PrivProtocol::Des, "other"},
        {"d:authPriv:SHA:secret", false, {}, {}, {}, ""},
        {"e:authNoPriv", false, {}, {}, {}, ""},
        {"f:authNoPriv:SHA", false, {}, {}, {}, ""},
        {"g:authNoPriv:SHA:", false, {}, {}, {}, ""},
        {"h:authNoPriv:SHA-3:secret", false, {}, {}, {}, ""},
        {"i:authPriv:SHA:secret:AES", false, {}, {}, {}, ""},
        {"j:superuser", false, {}, {}, {}, ""},
        {":noAuthNoPriv", false, {}, {}, {}, ""},
        {"a-name-of-thirty-three-bytes-long:noAuthNoPriv", false, {}, {}, {}, ""},
    };
    for (const Row& row : rows) {
        usm::AgentUser user;
        std::string error;
        EXPECT_EQ(sim::ParseV3User(row.text, user, error), row.ok) << row.text << ": " << error;
        EXPECT_EQ(error.empty(), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(user.level, row.level) << row.text;
            EXPECT_EQ(user.credentials.auth, row.auth) << row.text;
            EXPECT_EQ(user.credentials.priv, row.priv) << row.text;
            EXPECT_EQ(user.credentials.privPassword, row.privPassword) << row.text;
        }
    }
}

}  // namespace
