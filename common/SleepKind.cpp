#include "SleepKind.h"

#include <stddef.h>

namespace {

static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) == kAoAcOffset + 1, "AoAc before DiskSpinDown");
static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, spare3) == kHiberFileTypeOffset, "HiberFileType first of spare3");

BYTE ByteAt(const SYSTEM_POWER_CAPABILITIES& capabilities, size_t offset) {
    return reinterpret_cast<const BYTE*>(&capabilities)[offset];
}

struct KindName {
    SleepKind kind;
    const wchar_t* argument;
    const char* question;
};
KindName const kKindNames[] = {
    {SleepKind::Hybrid, L"/sleep:hybrid", "After clicking OK, the system will enter the Hybrid Sleep mode."},
    {SleepKind::Sleep, L"/sleep:plain",
     "After clicking OK, the PC will sleep, but not in hybrid sleep: hibernation is off "
     "(powercfg /hibernate on turns it on)."},
    {SleepKind::HybridOff, L"/sleep:hybridoff",
     "After clicking OK, the PC will sleep, but not in hybrid sleep: it is off in the power plan and could not be "
     "switched on."},
    {SleepKind::PolicyOff, L"/sleep:policyoff",
     "After clicking OK, the PC will sleep, but not in hybrid sleep: a policy of your organisation turns it off."},
    {SleepKind::Hibernate, L"/sleep:hibernate", "After clicking OK, the PC will hibernate: it has no hybrid sleep."},
    {SleepKind::None, L"/sleep:none", "This PC offers no sleep that this utility can start."},
    {SleepKind::Unknown, L"/sleep:unknown", "The PC will go to sleep."},
};

const KindName& NameOf(SleepKind kind) {
    for (const KindName& name : kKindNames) {
        if (name.kind == kind)
            return name;
    }
    return kKindNames[ARRAYSIZE(kKindNames) - 1];
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program name: quoted, or up to the first blank.
const wchar_t* SkipProgramName(const wchar_t* at) {
    if (*at == L'"') {
        for (++at; *at && *at != L'"'; ++at) {
        }
        return *at ? at + 1 : at;
    }
    while (*at && !IsBlank(*at))
        ++at;
    return at;
}

// The kind one argument names (its length given), or false when it names none of ours. Its
// first character, "/" or "-", is not compared.
bool KindOfArgument(const wchar_t* argument, int length, SleepKind* kind) {
    for (const KindName& name : kKindNames) {
        if (lstrlenW(name.argument) == length &&
            CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, argument + 1, length - 1, name.argument + 1,
                           length - 1) == CSTR_EQUAL) {
            *kind = name.kind;
            return true;
        }
    }
    return false;
}

}  // namespace

SleepKind SleepKindFromCapabilities(const SYSTEM_POWER_CAPABILITIES& capabilities) {
    bool const sleep = (capabilities.SystemS1 || capabilities.SystemS2 || capabilities.SystemS3) &&
                       !ByteAt(capabilities, kAoAcOffset);
    bool const hibernate = capabilities.SystemS4 && capabilities.HiberFilePresent &&
                           ByteAt(capabilities, kHiberFileTypeOffset) != kHiberFileReduced;
    if (sleep && hibernate)
        return SleepKind::Hybrid;
    if (sleep)
        return SleepKind::Sleep;
    return hibernate ? SleepKind::Hibernate : SleepKind::None;
}

const wchar_t* SleepKindArgument(SleepKind kind) { return NameOf(kind).argument; }

const char* QuestionForSleepKind(SleepKind kind) { return NameOf(kind).question; }

bool QuestionAlwaysShown(SleepKind kind) {
    return kind == SleepKind::None || kind == SleepKind::HybridOff || kind == SleepKind::PolicyOff;
}

SleepKind SleepKindFromCommandLine(const wchar_t* commandLine) {
    if (!commandLine)
        return SleepKind::Unknown;
    bool named = false;
    SleepKind found = SleepKind::Unknown;
    const wchar_t* at = SkipProgramName(commandLine);
    while (*at) {
        while (IsBlank(*at))
            ++at;
        const wchar_t* start = at;
        while (*at && !IsBlank(*at))
            ++at;
        SleepKind kind;
        // Only "/sleep:" and "-sleep:" arguments count; other arguments are ignored.
        if (at - start > 7 && (start[0] == L'/' || start[0] == L'-') &&
            CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, start + 1, 6, L"sleep:", 6) == CSTR_EQUAL) {
            if (!KindOfArgument(start, static_cast<int>(at - start), &kind) || (named && kind != found))
                return SleepKind::Unknown;
            named = true;
            found = kind;
        }
    }
    return found;
}
