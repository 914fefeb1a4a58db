// The control channel's logic: replies never above 4096 bytes, commands for one printer of a
// fleet or all; the delay queue's byte cap; USR1 and USR2 applied in the order they were
// delivered, made deterministic by holding both pending.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <csignal>

#include "tools/printer-sim/control.h"
#include "tools/printer-sim/delay_queue.h"
#include "tools/printer-sim/signals.h"

namespace sim {
namespace {

const Oid NAME = {1, 3, 6, 1, 2, 1, 1, 5, 0};

SimState Fleet(std::size_t count) {
    SimState state;
    for (std::size_t i = 0; i < count; ++i) {
        Profile profile;
        profile.community = "orchid";
        std::vector<std::string> errors;
        EXPECT_TRUE(
            ParseProfile("1.3.6.1.2.1.1.5.0|4|p" + std::to_string(i), "t", profile, errors));
        state.printers.emplace_back().profiles.push_back(profile);
        state.printers.back().stats.requests = i + 1;
    }
    return state;
}

std::string Repeat(const std::string& line, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += line + "\n";
    }
    return text;
}

TEST(Control, ReplyNeverExceedsTheLimitAndSaysWhatWasLeftOut) {
    const struct {
        std::string datagram;
        std::size_t commands;
        bool cut;
    } cases[] = {
        {Repeat("help", 250), 250, true},      // 1250 bytes once drew 46 KB
        {"get 1.3.6.1.2.1.1.5.0\n", 1, true},  // one reply too long by itself
        {Repeat("stats", 2), 2, false},
        {Repeat("help", 40) + "silence on\n", 41, true},
    };
    for (const auto& c : cases) {
        SimState state = Fleet(1);
        state.printers[0].profiles[0].objects[NAME].bytes.assign(5000, 'x');
        std::string reply = ControlReply(c.datagram, state);
        SCOPED_TRACE(c.datagram.substr(0, 30));
        EXPECT_LE(reply.size(), CONTROL_BYTES);
        std::size_t lines = std::count(reply.begin(), reply.end(), '\n');
        std::size_t last = reply.rfind('\n', reply.size() - 2);
        std::string tail = reply.substr(last == std::string::npos ? 0 : last + 1);
        if (c.cut) {
            std::size_t leftOut = std::stoul(tail.substr(tail.find("bytes, ") + 7));
            EXPECT_EQ(tail.rfind("error: reply cut at 4096 bytes, ", 0), 0u) << tail;
            EXPECT_EQ(lines - 1 + leftOut, c.commands);
        } else {
            EXPECT_EQ(lines, c.commands);
        }
    }
    // Every command runs, answered or not.
    SimState state = Fleet(1);
    ControlReply(Repeat("help", 40) + "silence on\n", state);
    EXPECT_TRUE(state.printers[0].faults.silent);
}

TEST(Control, CommandsReachOnePrinterOrTheWholeFleet) {
    SimState state = Fleet(3);
    const struct {
        const char* command;
        const char* reply;  // its start
        std::vector<unsigned> strays;
    } cases[] = {
        {"stray 2", "ok", {2, 2, 2}},
        {"printer 1 stray 5", "ok", {2, 5, 2}},
        {"printer all stray 1", "ok", {1, 1, 1}},
        {"printer 3 stray 4", "error: expected printer N (0..2)", {1, 1, 1}},
        {"printer 1", "error: empty command", {1, 1, 1}},
        {"get 1.3.6.1.2.1.1.5.0", "error: get needs one printer", {1, 1, 1}},
        {"printer 2 get 1.3.6.1.2.1.1.5.0", "ok STRING \"p2\"", {1, 1, 1}},
        {"stats", "ok requests=6 ", {1, 1, 1}},
        {"printer 1 stats", "ok requests=2 ", {1, 1, 1}},
        {"printers", "ok 3", {1, 1, 1}},
        {"stray 200", "error: printer 0: expected a number", {1, 1, 1}},
        {"printer 0 reset", "ok", {0, 1, 1}},
    };
    for (const auto& c : cases) {
        std::string reply = ExecuteControl(c.command, state);
        EXPECT_EQ(reply.rfind(c.reply, 0), 0u) << c.command << " -> " << reply;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(state.printers[i].faults.stray, c.strays[i]) << c.command << " " << i;
        }
    }
}

TEST(DelayQueue, HoldsAnswersInDueOrderWithinItsByteCap) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    PendingAnswer big;
    big.response.assign(10000, 0x30);
    big.spoof.assign(5000, 0x30);
    const std::size_t cost = DelayQueue::CostOf(big);
    DelayQueue queue(cost * 10 + cost / 2);
    std::size_t accepted = 0;
    for (int i = 0; i < 100; ++i) {
        PendingAnswer answer = big;
        answer.due = now + std::chrono::milliseconds(i % 3 == 0 ? 5 : 1);
        answer.printer = static_cast<std::size_t>(i);
        accepted += queue.Push(std::move(answer)) ? 1 : 0;
    }
    EXPECT_EQ(accepted, 10u);
    EXPECT_EQ(queue.Bytes(), cost * 10);
    EXPECT_EQ(queue.TakeDue(now, 100).size(), 0u);
    std::vector<PendingAnswer> due = queue.TakeDue(now + std::chrono::milliseconds(5), 100);
    std::vector<std::size_t> order;
    for (const PendingAnswer& answer : due) {
        order.push_back(answer.printer);
    }
    // Due at 1 ms: 1 2 4 5 7 8, then due at 5 ms: 0 3 6 9, each group in arrival order.
    EXPECT_EQ(order, (std::vector<std::size_t>{1, 2, 4, 5, 7, 8, 0, 3, 6, 9}));
    EXPECT_EQ(queue.Bytes(), 0u);
}

TEST(Signals, TheSignalDeliveredLastWins) {
    ASSERT_TRUE(InstallSignalHandlers());
    SimState state = Fleet(2);
    sigset_t both;
    sigemptyset(&both);
    sigaddset(&both, SIGUSR1);
    sigaddset(&both, SIGUSR2);
    const struct {
        std::vector<int> raised;  // while both are blocked, then delivered together
        bool silent;
    } cases[] = {
        // Pending together, the kernel delivers USR1 first: USR2 is last and must win,
        // even though its handler could run inside USR1's.
        {{SIGUSR1, SIGUSR2}, false},
        {{SIGUSR1}, true},
        {{SIGUSR2}, false},
    };
    for (int round = 0; round < 20; ++round) {
        for (const auto& c : cases) {
            ASSERT_EQ(sigprocmask(SIG_BLOCK, &both, nullptr), 0);
            for (int number : c.raised) {
                raise(number);
            }
            ASSERT_EQ(sigprocmask(SIG_UNBLOCK, &both, nullptr), 0);
            std::vector<std::string> notes;
            EXPECT_FALSE(ApplySignals(state, notes));
            EXPECT_EQ(notes.size(), c.raised.size());
            EXPECT_EQ(state.printers[0].faults.silent, c.silent) << c.raised.size();
            EXPECT_EQ(state.printers[1].faults.silent, c.silent);
        }
    }
}

}  // namespace
}  // namespace sim
