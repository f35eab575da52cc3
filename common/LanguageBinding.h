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

// Every path is built and every module loaded wide: a narrow path in a folder that the
// system code page cannot hold names another folder.

// Library path for program whose running module is modulePath (a full file path).
// False (and an empty path) when the result does not fit.
bool BuildLanguageLibraryPath(LanguageProgram program, const wchar_t* modulePath, wchar_t (&libraryPath)[MAX_PATH]);

// Language folder for program whose module lies in moduleFolder (no trailing backslash needed).
// Returns false when the program must not load the binding (confirmation program: no folder).
bool FindLanguageFolderIn(LanguageProgram program, const wchar_t* moduleFolder, wchar_t (&folder)[MAX_PATH]);
// The same for the running module.
bool FindLanguageFolder(LanguageProgram program, wchar_t (&folder)[MAX_PATH]);

// The folder as the translation library's narrow argument: in the system code page when it
// converts without loss, else its short (8.3) form when that converts, else empty (false).
bool NarrowFolderForLibrary(const wchar_t* folder, char (&narrow)[MAX_PATH]);

// Loads the library that lies where program expects it and asks it for the language.
// 0 when the library was loaded (and asked, if it has the entry point), 1 when it failed to load.
int LoadLanguageLibrary(const wchar_t* languageFolder, LanguageProgram program);
// The same with an explicit library path, which must be a full path.
int LoadLanguageLibraryFrom(const wchar_t* libraryPath, const wchar_t* languageFolder, LanguageProgram program);

// Translated text, the key itself when there is none or it is empty, null for a null key. The result is valid
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
