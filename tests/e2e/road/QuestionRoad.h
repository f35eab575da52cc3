// The hotkey road with the real confirmation program: the question is waited for, raised and
// answered as a user does.
#pragma once
#include "RoadFixture.h"

#include <cstdio>

namespace road {

wchar_t const kQuestionTitle[] = L"Korvane Dormello Message";

class QuestionRoad : public RoadTest {
protected:
    void SetUp() override {
        e2e::EndStrayConfirmations();
        RoadTest::SetUp();
    }
    void TearDown() override {
        e2e::EndStrayConfirmations();
        RoadTest::TearDown();
    }

    static void PressAltF1() {
        HeldKeys keys;
        keys.Down(VK_MENU);
        keys.Down(VK_F1);
        Sleep(100);
    }
    // The question, shown. It is brought to the front here as a user would click it: Wine's
    // stand-alone notification area, shown for the agent's icon, can take the activation
    // from it a moment later (the confirmation tests check its own raising).
    static HWND WaitForQuestion() {
        HWND question = nullptr;
        bool shown = e2e::WaitUntil(
            [&] {
                question = FindWindowW(L"#32770", kQuestionTitle);
                return question && IsWindowVisible(question);
            },
            kTriggerTimeoutMs * 2);
        if (!shown || !e2e::BringToForeground(question))
            return nullptr;
        return question;
    }
    // Clicks the button as a user does and waits until the question has gone. A loaded machine once
    // left the question up after a click on OK (cause not found); a user would click again, so a
    // question still up a while later is raised and clicked again, and the log says so.
    static bool ClickAnswer(HWND question, int button) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0) {
                std::printf("answer clicked again (attempt %d): the question was still up\n", attempt + 1);
                e2e::BringToForeground(question);
            }
            e2e::ClickAt(e2e::CentreOf(GetDlgItem(question, button)));
            if (e2e::WaitUntil([&] { return !IsWindowVisible(question); }, 2000))
                return WaitForQuestionEnd(question);
        }
        return false;
    }
    // Waits until the process that showed the question has ended; the agent decides right after.
    static bool WaitForQuestionEnd(HWND question) {
        DWORD processId = 0;
        GetWindowThreadProcessId(question, &processId);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        if (!process)
            return !IsWindow(question);
        bool ended = WaitForSingleObject(process, kTriggerTimeoutMs) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }
};

}  // namespace road
