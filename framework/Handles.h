// Owners for kernel handles and loaded modules.
#pragma once
#include <windows.h>

namespace fw {

// Owns a kernel handle (thread, process, event, mutex, token) and closes it once.
// Both null and INVALID_HANDLE_VALUE count as "no handle".
class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    ~KernelHandle() { Close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    KernelHandle(KernelHandle&& other) noexcept : handle_(other.Detach()) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = other.Detach();
        }
        return *this;
    }

    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        Close();
        handle_ = handle;
    }
    HANDLE Detach() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Close() {
        if (IsValid())
            ::CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// Owns a module loaded with LoadLibrary and frees it once.
class Module {
public:
    Module() = default;
    ~Module() { Free(); }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    HMODULE Get() const { return handle_; }
    bool LoadW(const wchar_t* path) {
        Free();
        handle_ = ::LoadLibraryW(path);
        return handle_ != nullptr;
    }
    // The exported function name, or null without a module or export.
    FARPROC GetProc(const char* name) const { return handle_ ? ::GetProcAddress(handle_, name) : nullptr; }
    void Free() {
        if (handle_)
            ::FreeLibrary(handle_);
        handle_ = nullptr;
    }

private:
    HMODULE handle_ = nullptr;
};

}  // namespace fw
