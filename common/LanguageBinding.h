// Binding to the translation library "KvMultiLang.dll" and its INI language files. Texts are
// looked up by their English wording in the section "Translations"; the English text is also
// the fallback. One binding per process, used from the user-interface thread only.
#pragma once
#include <windows.h>

#include <stddef.h>

// The two programs differ in where the library and the language folder lie, and the
// confirmation program tests that the language file exists before every lookup.
enum class LanguageProgram {
    Agent,         // library in "Images\" beside the program; language folder never tested
    Confirmation,  // library beside the program; language folder must exist; file tested per lookup
};

// Library path for program whose running module is modulePath (a full file path).
// False (and an empty path) when the result does not fit.
bool BuildLanguageLibraryPath(LanguageProgram program, const char* modulePath, char (&libraryPath)[MAX_PATH]);

// Language folder for program whose module lies in moduleFolder (no trailing backslash needed).
// Returns false when the program must not load the binding (confirmation program: no folder).
bool FindLanguageFolderIn(LanguageProgram program, const char* moduleFolder, char (&folder)[MAX_PATH]);
// The same for the running module.
bool FindLanguageFolder(LanguageProgram program, char (&folder)[MAX_PATH]);

// Loads the library that lies where program expects it and asks it for the language.
// 0 when the library was loaded (and asked, if it has the entry point), 1 when it failed to load.
int LoadLanguageLibrary(const char* languageFolder, LanguageProgram program);
// The same with an explicit library path.
int LoadLanguageLibraryFrom(const char* libraryPath, const char* languageFolder, LanguageProgram program);

// Translated text, the key itself when there is none, null for a null key. The result is valid
// until the next lookup or the unload: copy or convert it at once.
const char* TranslateText(const char* key);
const wchar_t* TranslateTextW(const wchar_t* key);

// Copies the language name ("" without one) into destination; returns its length.
size_t GetLanguageName(char (&destination)[MAX_PATH]);

// Frees the lookup buffer and the library; the binding is then as before loading.
void UnloadLanguageLibrary();

// Character set for fonts showing translated text: SHIFTJIS_CHARSET exactly when the language
// name is "Japanese" in any letter case, else DEFAULT_CHARSET.
BYTE LanguageCharSet(const char* languageName);

// Size of the lookup buffer in bytes (grows by doubling); 0 while unloaded.
size_t TranslationBufferSize();
