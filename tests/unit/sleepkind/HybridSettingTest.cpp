// Whether hybrid sleep is on, from the plan, the policy and powercfg's runs.
#include "agent/HybridSetting.h"

#include <gtest/gtest.h>

namespace {
HybridReadings const kUnread = {false, 0xdeadbeef, false, 0xdeadbeef};
HybridReadings Plan(DWORD value) { return {true, value, false, 0xdeadbeef}; }
HybridReadings Policy(DWORD value, HybridReadings plan = kUnread) {
    plan.policySet = true;
    plan.policyValue = value;
    return plan;
}
}  // namespace

TEST(HybridSetting, FromPlanPolicyAndRuns) {
    using R = PowercfgOutcome;
    using H = HybridSetting;
    struct Row {
        const char* pc;
        HybridReadings readings;
        R runs;
        H expected;
    } const rows[] = {
        {"on in the plan", Plan(1), R::Failed, H::On},
        {"off in the plan, whatever the runs say", Plan(0), R::Succeeded, H::Off},
        {"policy off over a plan that has it on", Policy(0, Plan(1)), R::Succeeded, H::PolicyOff},
        {"policy off, plan unread", Policy(0), R::Succeeded, H::PolicyOff},
        {"policy on over a plan that has it off", Policy(1, Plan(0)), R::None, H::On},
        {"plan unread, runs ended with 0", kUnread, R::Succeeded, H::On},
        {"plan unread, a run failed", kUnread, R::Failed, H::Unknown},
        {"plan unread, runs still going", kUnread, R::Pending, H::Unknown},
        {"plan unread, no runs", kUnread, R::None, H::Unknown},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, DecideHybridSetting(row.readings, row.runs)) << row.pc;
}
