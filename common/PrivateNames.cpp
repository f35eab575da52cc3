#include "PrivateNames.h"

#include "RegistryLayout.h"

#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <stdio.h>

namespace {

// How long a copy that is still starting may take to show its window, and to answer.
DWORD const kCopyWaitMs = 3000;
DWORD const kCopyPollMs = 100;
UINT const kCopyAnswerMs = 1000;

wchar_t const kWhyOtherKind[] = L"another kind of object has this name";
wchar_t const kWhyOtherOwner[] = L"an object of this name belongs to another account";
wchar_t const kWhyNoAnswer[] = L"an object of this name exists, but no copy of the program answers";
wchar_t const kWhyEventTaken[] = L"an event of this name was made first by another program";

// True when the owner is the account this program runs as.
bool IsOwnAccount(PSID owner) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    union {
        TOKEN_USER user;
        BYTE room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD size = 0;
    bool const same =
        GetTokenInformation(token, TokenUser, &info, sizeof(info), &size) && EqualSid(owner, info.user.User.Sid);
    CloseHandle(token);
    return same;
}

// An elevated program's objects belong to Administrators (or, where a policy says so, to the
// account that made them; to SYSTEM for a service): a copy of ours may own such an object, and
// its window decides. Anyone else's object is not a copy's. Also true where no owner can be read
// (Wine keeps none).
bool OwnerMayBeOurs(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return true;
    bool const ours = !owner || IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                      IsWellKnownSid(owner, WinLocalSystemSid) || IsOwnAccount(owner);
    LocalFree(descriptor);
    return ours;
}

// Our programs run elevated; a window of a program that does not is someone else's.
bool ProcessIsElevated(DWORD processId) {
    fw::KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    if (!process.IsValid() || !OpenProcessToken(process.Get(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool const elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
                          elevation.TokenIsElevated;
    CloseHandle(token);
    return elevated;
}

// A window of that class and title, of an elevated program, that answers; null when none does.
// A hung window, or a fake one, does not hold the caller up for long.
HWND AnsweringCopy(const wchar_t* windowClass, const wchar_t* title) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, windowClass, title)) != nullptr;) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        DWORD_PTR answer = 0;
        if (ProcessIsElevated(processId) &&
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kCopyAnswerMs, &answer))
            return window;
    }
    return nullptr;
}

// The name under which the list keeps name's private stand-in in this session.
std::wstring ListedAs(const wchar_t* name) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return std::wstring(name) + L" (session " + std::to_wstring(session) + L")";
}

// Records why name was passed over, when, and what stands in for it (a private name, or words
// for an unnamed object), where an administrator finds it: regedit, or reg query.
void RecordTakenName(const wchar_t* name, const std::wstring& standIn, const wchar_t* why) {
    OutputDebugStringW(why);
    HKEY list = OpenAdminOnlyKey(kPrivateNamesKeyPath, KEY_SET_VALUE);
    if (!list)
        return;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t when[32] = {};
    swprintf(when, ARRAYSIZE(when), L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    std::wstring data(why);
    data.append(1, L'\0').append(when).append(1, L'\0').append(standIn).append(2, L'\0');
    RegSetValueExW(list, ListedAs(name).c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    RegCloseKey(list);
}

// True when a copy of this program runs in this session under name's recorded stand-in.
bool CopyRunsUnderStandIn(const wchar_t* name) {
    HKEY list = OpenAdminOnlyKey(kPrivateNamesKeyPath, KEY_QUERY_VALUE);
    if (!list)
        return false;
    wchar_t record[3 * MAX_PATH] = {};
    DWORD size = sizeof(record) - 2 * sizeof(wchar_t);  // stays terminated whatever is stored
    DWORD type = 0;
    LONG const read = RegQueryValueExW(list, ListedAs(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(record),
                                       &size);
    RegCloseKey(list);
    if (read != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return false;
    const wchar_t* standIn = record;
    for (int skip = 0; skip < 2 && *standIn; ++skip)  // past why and when
        standIn += wcslen(standIn) + 1;
    fw::KernelHandle mutex(*standIn ? OpenMutexW(SYNCHRONIZE, FALSE, standIn) : nullptr);
    return mutex.IsValid();
}

}  // namespace

// Wine ignores the security passed to RegCreateKeyExW: a key made here gets it set again.
HKEY OpenAdminOnlyKey(const wchar_t* path, REGSAM rights) {
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyKeySecurity, SDDL_REVISION_1,
                                                              &security.lpSecurityDescriptor, nullptr))
        return nullptr;
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  rights | WRITE_DAC | kRegistryView, &security, &key, &disposition);
    if (result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY)
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security.lpSecurityDescriptor);
    LocalFree(security.lpSecurityDescriptor);
    if (result != ERROR_SUCCESS && key) {
        RegCloseKey(key);
        key = nullptr;
    }
    return key;
}

std::wstring RandomName(const wchar_t* prefix) {
    BYTE bits[16] = {};
    if (!RtlGenRandom(bits, sizeof(bits)))
        return {};
    std::wstring name(prefix);
    for (BYTE b : bits) {
        wchar_t digits[3] = {};
        swprintf(digits, ARRAYSIZE(digits), L"%02X", b);
        name += digits;
    }
    return name;
}

bool InstanceName::Take(const wchar_t* name, const wchar_t* windowClass, const wchar_t* title, HWND* copy) {
    *copy = nullptr;
    DWORD const start = GetTickCount();
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        HANDLE const mutex = CreateMutexW(nullptr, FALSE, name);
        DWORD const error = GetLastError();
        mutex_.Reset(mutex);
        if (mutex_.IsValid() && error != ERROR_ALREADY_EXISTS)
            return true;
        if (!mutex_.IsValid() && error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_HANDLE)
            return true;  // no mutex at all: the program runs without one, as it always has
        bool const otherOwner = mutex_.IsValid() && !OwnerMayBeOurs(mutex_.Get());
        mutex_.Close();  // a copy's, or someone else's: not held
        if (CopyRunsUnderStandIn(name)) {
            *copy = AnsweringCopy(windowClass, title);
            return false;
        }
        if (error == ERROR_INVALID_HANDLE)
            return TakePrivateName(name, kWhyOtherKind);
        if (otherOwner)
            return TakePrivateName(name, kWhyOtherOwner);
        if ((*copy = AnsweringCopy(windowClass, title)) != nullptr)
            return false;
        // A copy that is still starting shows its window soon; one that is ending lets go of the
        // name soon.
        if (GetTickCount() - start >= kCopyWaitMs)
            return TakePrivateName(name, kWhyNoAnswer);
        Sleep(kCopyPollMs);
    }
}

// The program runs even when no stand-in can be made: being silenced is worse than a second copy.
bool InstanceName::TakePrivateName(const wchar_t* name, const wchar_t* why) {
    std::wstring standIn = RandomName((std::wstring(name) + L" ").c_str());
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, FALSE};
    if (!standIn.empty() && ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                kAdminOnlyObjectSecurity, SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr)) {
        mutex_.Reset(CreateMutexW(&security, FALSE, standIn.c_str()));
        LocalFree(security.lpSecurityDescriptor);
    }
    if (!mutex_.IsValid())
        standIn = L"none";
    RecordTakenName(name, standIn, why);
    return true;
}

HANDLE CreateOwnNamedEvent(const wchar_t* name) {
    SetLastError(ERROR_SUCCESS);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name);
    if (event && GetLastError() != ERROR_ALREADY_EXISTS)
        return event;
    bool const madeFirst = event != nullptr;
    if (event)
        CloseHandle(event);  // someone else's: whoever holds it could set or reset it
    RecordTakenName(name, L"an unnamed event", madeFirst ? kWhyEventTaken : kWhyOtherKind);
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}
