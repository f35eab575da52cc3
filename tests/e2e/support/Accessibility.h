// What a screen reader hears, read as one does: through oleacc (AccessibleObjectFromWindow and
// get_accName), from outside the program.
#pragma once
#include "Screenshot.h"

#include <windows.h>
#include <objbase.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

// The accessible name of window's client object; "<no object>" when oleacc gives none.
// COM must be initialised on the calling thread (ComScope).
std::wstring AccessibleNameOf(HWND window);

// Whether this platform keeps a name given by Dynamic Annotation: tried on a window of the
// test's own (Wine 8 answers E_NOTIMPL).
bool PlatformAnnotatesNames();

// The words a user of the running language reads for an English key: the install's Japanese
// file for a Japanese user (LANG=ja_JP.UTF-8), the key itself otherwise and where the file lacks it.
std::wstring InRunningLanguage(const std::wstring& install, const wchar_t* key);
// One run of a names test: with the language file complete (untranslated null), or with the
// translation of one key taken out of it, which must then give the English name.
struct TranslationCase {
    const char* name;
    const wchar_t* untranslated;
};
// Takes the case's translation out of the install's Japanese language file.
void PrepareTranslationCase(const std::wstring& install, const TranslationCase& translation);
// The name a user of the running language hears for key in that case.
std::wstring ExpectedName(const std::wstring& install, const TranslationCase& translation, const wchar_t* key);

// The control holding the keyboard focus in window's thread.
HWND KeyboardFocusOf(HWND window);

// Each named control's text is cleared and the window repainted: the pixels must not change,
// since the window paints every word itself. The texts are put back afterwards.
void ExpectNamesAddNoPixel(HWND window, std::initializer_list<int> namedIds);

// One stop of a window's Tab order: the control, and the label whose text the window paints for
// it (0: none), where a check box's focus cue appears.
struct FocusStop {
    int id;
    int labelId;
};
// Walks a window's Tab order from the look it opened with (taken at construction).
class TabWalk {
public:
    TabWalk(HWND window, std::vector<FocusStop> order);
    // Presses Tab (Shift+Tab when backwards) steps times. After each press the focus must be on
    // the stop after the previous one (the first stop when it was elsewhere), the pixels of that
    // stop (and its label) must differ from those before the press (and, for the stop focused at
    // opening, from the opening look, which has no cue), and the stop the focus left must look as
    // it did when the window opened (unless it had the focus then).
    void Steps(int steps, bool backwards = false);

private:
    HWND window_;
    std::vector<FocusStop> order_;
    HWND openingFocus_;
    Screenshot opening_;
};

class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

}  // namespace e2e
