// The control channel's logic: replies never above 4096 bytes, commands for one printer of a
// fleet or all, the served data changed; the delay queue's byte cap and order; USR1 and USR2
// applied in the order they were delivered, made deterministic by holding both pending.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "tests/sim/printers.h"
#include "tools/printer-sim/delay_queue.h"
#include "tools/printer-sim/signals.h"

namespace sim {
namespace {

TEST(SimControl, ReplyNeverExceedsTheLimitAndSaysWhatWasLeftOut) {
    std::string helps;  // 200 bytes drawing 4.6 KB of replies
    for (int i = 0; i < 40; ++i) {
        helps += "help\n";
    }
    const struct {
        std::string datagram;
        std::size_t lines;  // in the reply
        const char* last;   // the reply's last line, its start
    } cases[] = {
        {helps + "silence on\n", 11, "error: reply cut at 4096 bytes, 31 replies left out"},
        // 4053 bytes: within 4096, but not with room left for the line that says what is cut.
        {"get 1.3.6.1.2.1.1.5.0\nget 1.3.6.1.2.1.1.5.0\n", 1,
         "error: reply cut at 4096 bytes, 2 replies left out"},
        {"stats\nstats\n", 2, "ok requests=0 "},
    };
    for (const auto& c : cases) {
        SimState state = Loaded("1.3.6.1.2.1.1.5.0|4|" + std::string(4040, 'x'));
        const std::string reply = ControlReply(c.datagram, state);
        EXPECT_LE(reply.size(), CONTROL_BYTES);
        EXPECT_EQ(std::count(reply.begin(), reply.end(), '\n'), c.lines);
        EXPECT_EQ(reply.rfind(c.last), reply.rfind('\n', reply.size() - 2) + 1) << reply;
        // Every command runs, answered or not.
        EXPECT_EQ(state.printers[0].faults.silent, c.datagram.find("silence") != std::string::npos);
    }
}

TEST(SimControl, CommandsReachOnePrinterOrTheWholeFleetAndChangeWhatItServes) {
    SimState state = Loaded("1.3.6.1.2.1.1.5.0|4|lab", 3);
    for (std::size_t i = 0; i < 3; ++i) {
        state.printers[i].stats.requests = i + 1;
    }
    const struct {
        const char* command;
        const char* reply;  // its start
        std::vector<unsigned> strays;
    } cases[] = {
        {"stray 2", "ok", {2, 2, 2}},
        {"printer all stray 1", "ok", {1, 1, 1}},
        {"printer 3 stray 4", "error: expected printer N (0..2)", {1, 1, 1}},
        {"printer 1", "error: empty command", {1, 1, 1}},
        {"stray 200", "error: printer 0: expected a number", {1, 1, 1}},
        {"printer 0 reset", "ok", {0, 1, 1}},
        {"stats", "ok requests=6 ", {0, 1, 1}},
        {"printers", "ok 3", {0, 1, 1}},
        // The value is the rest of the line after one space, spaces and all.
        {"printer 2 set 1.3.6.1.2.1.1.5.0 4  PAPER JAM", "ok", {0, 1, 1}},
        {"get 1.3.6.1.2.1.1.5.0", "error: get needs one printer", {0, 1, 1}},
        {"printer 2 get 1.3.6.1.2.1.1.5.0", "ok STRING \" PAPER JAM\"", {0, 1, 1}},
        {"printer 1 get 1.3.6.1.2.1.1.5.0", "ok STRING \"lab\"", {0, 1, 1}},
        {"printer 2 unset 1.3.6.1.2.1.1.5.0", "ok", {0, 1, 1}},
        {"printer 2 get 1.3.6.1.2.1.1.5.0", "error: no such object", {0, 1, 1}},
    };
    for (const auto& c : cases) {
        const std::string reply = ExecuteControl(c.command, state);
        EXPECT_EQ(reply.rfind(c.reply, 0), 0u) << c.command << " -> " << reply;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(state.printers[i].faults.stray, c.strays[i]) << c.command << " " << i;
        }
    }
}

TEST(SimDelayQueue, HoldsAnswersInDueOrderWithinItsByteCap) {
    const auto now = std::chrono::steady_clock::now();
    PendingAnswer answer;
    answer.response.assign(10000, 0x30);
    answer.spoof.assign(5000, 0x30);
    EXPECT_GT(DelayQueue::CostOf(answer), 15000u);  // both payloads
    DelayQueue queue(DelayQueue::CostOf(answer) * 9 / 2);
    std::string accepted;
    for (std::size_t i = 0; i < 5; ++i) {  // due at 5, 1, 1, 5 ms; the fifth does not fit
        answer.due = now + std::chrono::milliseconds(i % 3 == 0 ? 5 : 1);
        answer.printer = i;
        accepted += queue.Push(answer) ? std::to_string(i) : "";
    }
    EXPECT_EQ(accepted, "0123");
    EXPECT_EQ(queue.Bytes(), DelayQueue::CostOf(answer) * 4);
    EXPECT_TRUE(queue.TakeDue(now, 9).empty());
    std::string order;
    for (const PendingAnswer& due : queue.TakeDue(now + std::chrono::milliseconds(5), 9)) {
        order += std::to_string(due.printer);
    }
    EXPECT_EQ(order, "1203");  // by due time, equal times in arrival order
    EXPECT_EQ(queue.Bytes(), 0u);
}

TEST(SimSignals, TheSignalDeliveredLastWins) {
    ASSERT_TRUE(InstallSignalHandlers());
    SimState state = Loaded("1.3.6.1.2.1.1.5.0|4|lab", 2);
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
    };
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

}  // namespace
}  // namespace sim
