// What the PC offers, from its power capabilities, and how the confirmation program is told.
#include "common/SleepKind.h"

#include <gtest/gtest.h>

namespace {

// Capabilities with the named states; aoac and the hibernation file's type go where Windows
// puts them.
SYSTEM_POWER_CAPABILITIES Capabilities(bool s1, bool s3, bool s4, bool hiberFile, bool aoac, BYTE fileType) {
    SYSTEM_POWER_CAPABILITIES capabilities;
    memset(&capabilities, 0xA5, sizeof(capabilities));  // members the rule must not read
    capabilities.SystemS1 = s1;
    capabilities.SystemS2 = FALSE;
    capabilities.SystemS3 = s3;
    capabilities.SystemS4 = s4;
    capabilities.HiberFilePresent = hiberFile;
    reinterpret_cast<BYTE*>(&capabilities)[kAoAcOffset] = aoac;
    reinterpret_cast<BYTE*>(&capabilities)[kHiberFileTypeOffset] = fileType;
    return capabilities;
}

}  // namespace

TEST(SleepKind, FromCapabilities) {
    struct Row {
        const char* pc;
        SYSTEM_POWER_CAPABILITIES capabilities;
        SleepKind expected;
    } const rows[] = {
        {"desktop with a full hibernation file", Capabilities(false, true, true, true, false, 2), SleepKind::Hybrid},
        {"Windows before 10 (file type not reported)", Capabilities(false, true, true, true, false, 0), SleepKind::Hybrid},
        {"Wine 8: S1 and S4", Capabilities(true, false, true, true, false, 0), SleepKind::Hybrid},
        {"hibernation off", Capabilities(false, true, true, false, false, 0), SleepKind::Sleep},
        {"only the reduced file of fast start-up", Capabilities(false, true, true, true, false, 1), SleepKind::Sleep},
        {"no S4", Capabilities(true, true, false, true, false, 2), SleepKind::Sleep},
        {"Modern Standby with hibernation", Capabilities(false, true, true, true, true, 2), SleepKind::Hibernate},
        {"no sleep state", Capabilities(false, false, true, true, false, 2), SleepKind::Hibernate},
        {"Modern Standby without hibernation", Capabilities(false, false, true, false, true, 0), SleepKind::None},
        {"nothing at all", Capabilities(false, false, false, false, false, 0), SleepKind::None},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, SleepKindFromCapabilities(row.capabilities)) << row.pc;
}

TEST(SleepKind, FromTheConfirmationCommandLine) {
    struct Row {
        const wchar_t* commandLine;
        SleepKind expected;
    } const rows[] = {
        {L"Dormnote.exe /sleep:hybrid", SleepKind::Hybrid},
        {L"\"C:\\Program Files\\Korvane\\Dormnote.exe\" /sleep:plain", SleepKind::Sleep},
        {L"Dormnote.exe -SLEEP:Hibernate", SleepKind::Hibernate},
        {L"Dormnote.exe  /x  /sleep:none  ", SleepKind::None},
        {L"Dormnote.exe /sleep:HybridOff", SleepKind::HybridOff},
        {L"Dormnote.exe /sleep:policyoff", SleepKind::PolicyOff},
        {L"Dormnote.exe /sleep:hybrid /sleep:hybrid", SleepKind::Hybrid},
        // Started by hand, or told something it does not know: the careful wording.
        {L"Dormnote.exe", SleepKind::Unknown},
        {L"\"C:\\a /sleep:hybrid\\Dormnote.exe\"", SleepKind::Unknown},
        {L"Dormnote.exe /sleep:", SleepKind::Unknown},
        {L"Dormnote.exe /sleep:hybridx", SleepKind::Unknown},
        {L"Dormnote.exe /sleep:hybrid /sleep:none", SleepKind::Unknown},
        {L"Dormnote.exe /sleep:aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", SleepKind::Unknown},
        {L"Dormnote.exe /sleeping", SleepKind::Unknown},
        {nullptr, SleepKind::Unknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.commandLine ? row.commandLine : L"(null)")));
        EXPECT_EQ(row.expected, SleepKindFromCommandLine(row.commandLine));
    }
    // What the agent passes is what the program reads.
    for (SleepKind kind : {SleepKind::Hybrid, SleepKind::Sleep, SleepKind::HybridOff, SleepKind::PolicyOff,
                           SleepKind::Hibernate, SleepKind::None}) {
        std::wstring line = std::wstring(L"Dormnote.exe ") + SleepKindArgument(kind);
        EXPECT_EQ(kind, SleepKindFromCommandLine(line.c_str())) << testing::PrintToString(line);
    }
}
