// The confirmation dialog's decisions: skipping, keys, the stored answer, long texts.
#include "confirm/ConfirmationRules.h"

#include "common/DwordRegHelper.h"
#include "common/RegistryLayout.h"
#include "common/WideText.h"

#include <gtest/gtest.h>

#include <string>

TEST(SkipRule, OnlyExactlyOneSkipsTheQuestionAndNeverOneThatOnlyInforms) {
    EXPECT_TRUE(ShouldSkipQuestion(1));
    EXPECT_FALSE(ShouldSkipQuestion(1, true));
    const DWORD asks[] = {0, 2, 0x101, 0xFFFFFFFF};
    for (DWORD value : asks)
        EXPECT_FALSE(ShouldSkipQuestion(value)) << value;
}

TEST(KeyTable, EachKeyWithEachFocus) {
    using F = FocusedButton;
    using A = KeyAction;
    struct Row {
        WPARAM key;
        A onOk, onCancel, elsewhere;
    };
    const Row rows[] = {
        {VK_RETURN, A::Ok, A::Cancel, A::None},
        {VK_ESCAPE, A::Cancel, A::Cancel, A::Cancel},
        {VK_LEFT, A::None, A::FocusOk, A::None},
        {VK_NUMPAD4, A::None, A::FocusOk, A::None},
        {VK_RIGHT, A::FocusCancel, A::None, A::None},
        {VK_NUMPAD6, A::FocusCancel, A::None, A::None},
        {VK_SPACE, A::None, A::None, A::None},
        {VK_UP, A::None, A::None, A::None},
        {VK_F1, A::None, A::None, A::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "key " << row.key);
        EXPECT_EQ(row.onOk, ConfirmationKeyAction(row.key, F::Ok));
        EXPECT_EQ(row.onCancel, ConfirmationKeyAction(row.key, F::Cancel));
        EXPECT_EQ(row.elsewhere, ConfirmationKeyAction(row.key, F::Other));
    }
}

TEST(KeyTable, OnlyTheSixDialogKeysAreTakenFromTheControls) {
    const WPARAM taken[] = {VK_RETURN, VK_ESCAPE, VK_LEFT, VK_RIGHT, VK_NUMPAD4, VK_NUMPAD6};
    for (WPARAM key : taken)
        EXPECT_TRUE(IsDialogKey(key)) << key;
    const WPARAM left[] = {VK_SPACE, VK_TAB, VK_UP, VK_DOWN, VK_F1, VK_F4, VK_NUMPAD5, 'A'};
    for (WPARAM key : left)
        EXPECT_FALSE(IsDialogKey(key)) << key;
}

TEST(Answer, WritesSuspendUnderTheSettingsKey) {
    DwordRegHelper reader(kSuspendValue, kConfirmReadFailure);
    const DWORD answers[] = {1, 0, 1};
    for (DWORD answer : answers) {
        WriteSuspendAnswer(answer);
        EXPECT_EQ(answer, reader.Read());
    }
}

TEST(WideText, LongTextsAreConvertedWhole) {
    EXPECT_EQ(L"", WideFromAnsi(nullptr));
    EXPECT_EQ(L"", WideFromAnsi(""));
    std::string narrow;
    for (int i = 0; i < 700; ++i)
        narrow += static_cast<char>('a' + i % 26);
    std::wstring wide = WideFromAnsi(narrow.c_str());
    ASSERT_EQ(700u, wide.size()) << "not cut at the old 260-unit buffer";
    for (size_t i = 0; i < wide.size(); ++i)
        ASSERT_EQ(static_cast<wchar_t>(narrow[i]), wide[i]) << i;
}
