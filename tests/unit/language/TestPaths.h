// Paths and scratch folders for tests that need files on disk.
#pragma once
#include <windows.h>

#include <string>

// The Windows form of a Unix path given at build time (Wine maps "/" to "Z:\").
std::string WindowsPath(const char* unixPath);

// A fresh folder under the temporary folder, removed with everything in it when destroyed.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Creates folder\relative (and its parents); returns the full path.
    std::string MakeFolder(const std::string& relative) const;
    // Writes bytes to folder\relative; returns the full path.
    std::string WriteFile(const std::string& relative, const std::string& bytes) const;
    std::string CopyIn(const std::string& source, const std::string& relative) const;

private:
    std::string path_;
};

// Text in the system code page as UTF-16.
std::wstring Wide(const std::string& narrow);

// The bytes of a UTF-16LE file with byte-order mark holding text (given as UTF-16).
std::string Utf16File(const std::wstring& text);
