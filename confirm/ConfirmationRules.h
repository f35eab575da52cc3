// The confirmation dialog's decisions, apart from the window: when the question is skipped,
// what each key does, and how the answer is stored.
#pragma once
#include <windows.h>

// ShowMessageBox exactly 1: answer "sleep" at once, without asking, unless the question is one
// that is always shown (QuestionAlwaysShown).
bool ShouldSkipQuestion(DWORD showMessageBox, bool alwaysShown = false);

// Keys that reach the dialog itself, whichever control they were meant for.
bool IsDialogKey(WPARAM virtualKey);

enum class FocusedButton { Ok, Cancel, Other };
enum class KeyAction { None, Ok, Cancel, FocusOk, FocusCancel };

// What a key press does with the focus where it is: Escape always cancels, Enter acts on the
// focused button, Left/Right (and numeric-pad 4/6) move between OK and Cancel.
KeyAction ConfirmationKeyAction(WPARAM virtualKey, FocusedButton focus);

// The answer the agent reads after the program has ended: 1 sleep, 0 do not.
void WriteSuspendAnswer(DWORD answer);
