// Capturing a new hotkey: the hook procedure called as the system calls it, key-downs and
// key-ups alike, on a thread without the settings window.
#include "agent/Capture.h"
#include "agent/KeyNames.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

LPARAM const kKeyUp = static_cast<LPARAM>(0xC0000001);
LPARAM const kKeyDown = 1;
LPARAM const kRepeat = 0x40000001;

void Event(WPARAM key, LPARAM data, int code = HC_ACTION) {
    KeyboardCaptureProc(code, key, data);
}

// A key pressed and released.
void Tap(std::initializer_list<WPARAM> keys) {
    for (WPARAM key : keys) {
        Event(key, kKeyDown);
        Event(key, kKeyUp);
    }
}

class CaptureHook : public ::testing::Test {
protected:
    void SetUp() override {
        PendingKey1 = PendingKey2 = 0;
        CaptureStep = 0;
        wcscpy(Key1Text, L"stale1");
        wcscpy(Key2Text, L"stale2");
    }
};

}  // namespace

TEST_F(CaptureHook, AltThenF2GivesAltPlusF2) {
    Event(VK_MENU, kKeyDown);
    Event(VK_MENU, kRepeat);
    Event(VK_F2, kKeyDown);
    Event(VK_F2, kKeyUp);
    Event(VK_MENU, kKeyUp);
    EXPECT_EQ(18u, PendingKey1);
    EXPECT_EQ(113u, PendingKey2);
    EXPECT_STREQ(L"ALT", Key1Text);
    EXPECT_STREQ(L"F2", Key2Text);
    EXPECT_EQ(0u, CaptureStep);
}

TEST_F(CaptureHook, SlotsFillAlternately) {
    Tap({'A', 'B', 'C'});
    EXPECT_EQ(static_cast<DWORD>('C'), PendingKey1);
    EXPECT_EQ(static_cast<DWORD>('B'), PendingKey2);
    EXPECT_STREQ(L"Key-C", Key1Text);
    EXPECT_STREQ(L"Key-B", Key2Text);
    EXPECT_EQ(1u, CaptureStep);
}

TEST_F(CaptureHook, OneKeyAloneFillsOnlyTheFirstSlot) {
    Tap({VK_F1});
    EXPECT_EQ(112u, PendingKey1);
    EXPECT_EQ(0u, PendingKey2) << "its key-up is the pending key and is passed over";
    EXPECT_STREQ(L"F1", Key1Text);
    EXPECT_STREQ(L"stale2", Key2Text);
}

TEST_F(CaptureHook, WindowKeysUnnamedKeysAndHighCodesChangeNothing) {
    const WPARAM ignored[] = {VK_ESCAPE, VK_RETURN, VK_BACK, VK_SPACE, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN,
                              0x92,      0x96,      0xA0,    0xA6,     0xAD,    0xBA,     0xFE};
    for (WPARAM key : ignored)
        Tap({key});
    EXPECT_EQ(0u, PendingKey1);
    EXPECT_EQ(0u, PendingKey2);
    EXPECT_EQ(0u, CaptureStep);
    EXPECT_STREQ(L"stale1", Key1Text);
}

TEST_F(CaptureHook, NoRemoveAndNegativeCodesAreNotCaptured) {
    Event('Q', kKeyDown, HC_NOREMOVE);
    Event('Q', kKeyDown, -1);
    EXPECT_EQ(0u, PendingKey1);
    Event('Q', kKeyDown, HC_ACTION);
    EXPECT_EQ(static_cast<DWORD>('Q'), PendingKey1);
}

TEST_F(CaptureHook, KeysOfThePendingPairArePassedOverUntilDisplaced) {
    // After a cancelled redefinition the pending pair is the stored hotkey.
    PendingKey1 = VK_MENU;
    PendingKey2 = VK_F1;
    Tap({VK_MENU, VK_F1});
    EXPECT_EQ(0u, CaptureStep);
    EXPECT_STREQ(L"stale1", Key1Text);
    Tap({VK_F5});
    EXPECT_EQ(116u, PendingKey1);
    Tap({VK_MENU});
    EXPECT_EQ(18u, PendingKey2) << "Alt is free again once F5 displaced it";
    EXPECT_STREQ(L"ALT", Key2Text);
}
