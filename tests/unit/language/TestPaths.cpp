#include "TestPaths.h"

#include <shellapi.h>
#include <stdio.h>

std::string WindowsPath(const char* unixPath) {
    std::string path = "Z:";
    path += unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static LONG counter = 0;
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%sdormello-%lu-%ld", temp, GetCurrentProcessId(), InterlockedIncrement(&counter));
    path_ = name;
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    // SHFileOperation wants a double-terminated list.
    std::string list = path_ + '\0';
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

std::string ScratchFolder::MakeFolder(const std::string& relative) const {
    std::string full = path_;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos)
            end = relative.size();
        full += "\\" + relative.substr(start, end - start);
        CreateDirectoryA(full.c_str(), nullptr);
        start = end + 1;
    }
    return full;
}

std::string ScratchFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    std::string full = path_ + "\\" + relative;
    HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    return full;
}

std::string ScratchFolder::CopyIn(const std::string& source, const std::string& relative) const {
    std::string full = path_ + "\\" + relative;
    CopyFileA(source.c_str(), full.c_str(), FALSE);
    return full;
}

std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring Wide(const std::string& narrow) {
    wchar_t wide[2 * MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, wide, ARRAYSIZE(wide));
    return wide;
}
