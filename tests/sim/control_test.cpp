// The control channel's commands applied to a SimState, and their replies.
#include <gtest/gtest.h>

#include "tools/printer-sim/control.h"

namespace sim {
namespace {

const Oid kName = {1, 3, 6, 1, 2, 1, 1, 5, 0};

SimState TwoProfiles() {
    SimState state;
    for (const char* community : {"orchid", "public"}) {
        Profile profile;
        profile.community = community;
        std::vector<std::string> errors;
        EXPECT_TRUE(ParseProfile("1.3.6.1.2.1.1.5.0|4|lab\n", "t", profile, errors));
        state.profiles.push_back(profile);
    }
    return state;
}

TEST(Control, FaultCommandsChangeTheFaults) {
    SimState state = TwoProfiles();
    EXPECT_EQ(ExecuteControl("silence on", state), "ok");
    EXPECT_TRUE(state.faults.silent);
    EXPECT_EQ(ExecuteControl("silence off\r\n", state), "ok");
    EXPECT_FALSE(state.faults.silent);
    EXPECT_EQ(ExecuteControl("delay 750", state), "ok");
    EXPECT_EQ(state.faults.delayMs, 750);
    EXPECT_EQ(ExecuteControl("  stray   3 ", state), "ok");
    EXPECT_EQ(state.faults.stray, 3u);
    EXPECT_EQ(ExecuteControl("spoof 2", state), "ok");
    EXPECT_EQ(state.faults.spoof, 2u);
    EXPECT_EQ(ExecuteControl("error .1.3.6.1.2.1.1.5.0 genErr", state), "ok");
    EXPECT_EQ(state.faults.errorStatusByOid.at(kName), kGenErr);
    EXPECT_EQ(ExecuteControl("error 1.3.6.1.2.1.1.5.0 tooBig", state), "ok");
    EXPECT_EQ(state.faults.errorStatusByOid.at(kName), kTooBig);
    EXPECT_EQ(ExecuteControl("error 1.3.6.1.2.1.1.5.0 off", state), "ok");
    EXPECT_TRUE(state.faults.errorStatusByOid.empty());
    EXPECT_EQ(ExecuteControl("log on", state), "ok");
    EXPECT_TRUE(state.log);

    ExecuteControl("silence on", state);
    ExecuteControl("delay 5", state);
    ExecuteControl("error 1.3.6.1.2.1.1.5.0 genErr", state);
    EXPECT_EQ(ExecuteControl("reset", state), "ok");
    EXPECT_FALSE(state.faults.silent);
    EXPECT_EQ(state.faults.delayMs, 0);
    EXPECT_TRUE(state.faults.errorStatusByOid.empty());
}

TEST(Control, SetUnsetAndGetChangeEveryProfile) {
    SimState state = TwoProfiles();
    EXPECT_EQ(ExecuteControl("set 1.3.6.1.2.1.1.5.0 4  two  spaces ", state), "ok");
    EXPECT_EQ(ExecuteControl("get 1.3.6.1.2.1.1.5.0", state), "ok STRING \" two  spaces \"");
    for (const Profile& profile : state.profiles) {
        const auto& bytes = profile.objects.at(kName).bytes;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), " two  spaces ");
    }
    EXPECT_EQ(ExecuteControl("set 1.3.6.1.2.1.43.11.1.1.9.1.1 2 -3", state), "ok");
    EXPECT_EQ(ExecuteControl("get 1.3.6.1.2.1.43.11.1.1.9.1.1", state), "ok INTEGER -3");
    EXPECT_EQ(ExecuteControl("set 1.3.6.1.2.1.1.5.0 4x 00ff", state), "ok");
    EXPECT_EQ(ExecuteControl("get 1.3.6.1.2.1.1.5.0", state), "ok STRING \"\\x00\\xff\"");
    EXPECT_EQ(ExecuteControl("set 1.3.6.1.2.1.1.5.0 4", state), "ok");
    EXPECT_EQ(ExecuteControl("get 1.3.6.1.2.1.1.5.0", state), "ok STRING \"\"");
    EXPECT_EQ(ExecuteControl("unset 1.3.6.1.2.1.1.5.0", state), "ok");
    EXPECT_EQ(state.profiles[0].objects.count(kName), 0u);
    EXPECT_EQ(state.profiles[1].objects.count(kName), 0u);
    EXPECT_EQ(ExecuteControl("unset 1.3.6.1.2.1.1.5.0", state).rfind("error: ", 0), 0u);
}

TEST(Control, BadCommandsGetAnErrorAndChangeNothing) {
    SimState state = TwoProfiles();
    const char* bad[] = {
        "",
        "silence",
        "silence maybe",
        "silence on off",
        "delay",
        "delay -1",
        "delay 600001",
        "delay 10ms",
        "stray 101",
        "spoof -1",
        "error 1.3.6.1.2.1.1.5.0",
        "error 1.3.6.1.2.1.1.5.0 fatal",
        "error nonsense genErr",
        "set 1.3.6.1.2.1.1.5.0",
        "set 1.3.6.1.2.1.1.5.0 2 many",
        "set 1.3.6.1.2.1.1.5.0 70 1",
        "set x 4 y",
        "get 1.3.6.1.2.1.1.6.0",
        "stats now",
        "launch rockets",
    };
    for (const char* line : bad) {
        std::string reply = ExecuteControl(line, state);
        EXPECT_EQ(reply.rfind("error: ", 0), 0u) << "'" << line << "' -> " << reply;
    }
    EXPECT_FALSE(state.faults.silent);
    EXPECT_EQ(state.faults.delayMs, 0);
    EXPECT_EQ(state.faults.stray, 0u);
    EXPECT_EQ(state.faults.spoof, 0u);
    EXPECT_TRUE(state.faults.errorStatusByOid.empty());
    EXPECT_EQ(state.profiles[0].objects.size(), 1u);
    EXPECT_EQ(state.profiles[0].objects.at(kName).bytes.size(), 3u);
}

TEST(Control, StatsReportsTheCounters) {
    SimState state = TwoProfiles();
    state.stats.requests = 12;
    state.stats.answered = 10;
    state.stats.strays = 4;
    std::string reply = ExecuteControl("stats", state);
    EXPECT_EQ(reply.rfind("ok ", 0), 0u);
    EXPECT_NE(reply.find(" requests=12 "), std::string::npos) << reply;
    EXPECT_NE(reply.find(" answered=10 "), std::string::npos) << reply;
    EXPECT_NE(reply.find(" strays=4"), std::string::npos) << reply;
}

}  // namespace
}  // namespace sim
