// What the PC offers when the hotkey asks for sleep, and how the agent tells the confirmation
// program which case it is asking about (on its command line).
#pragma once
#include <windows.h>

enum class SleepKind {
    Hybrid,     // sleep with the memory also kept on disk
    Sleep,      // sleep only: hibernation is off, or its file is the reduced one
    HybridOff,  // sleep only: the PC could, but hybrid sleep is off in the active power plan
    PolicyOff,  // sleep only: the PC could, but an organisation's policy turns hybrid sleep off
    Hibernate,  // hibernation only: Modern Standby, or no sleep state at all
    None,       // neither: nothing this utility can start
    Unknown,    // the capabilities could not be read (or the question was started by hand)
};

// MinGW's SYSTEM_POWER_CAPABILITIES predates two members that Windows fills in: AoAc (Windows 8)
// and HiberFileType (Windows 10, 1 reduced, 2 full, 0 not reported). They sit in what that
// header calls spare2[2] and spare3[0].
size_t const kAoAcOffset = 0x14;
size_t const kHiberFileTypeOffset = 0x16;
BYTE const kHiberFileReduced = 1;

// Sleep = any of S1 to S3, and not Modern Standby (AoAc: S0 low-power idle instead).
// Hibernate = S4 with a hibernation file present that is not the reduced one fast start-up keeps.
SleepKind SleepKindFromCapabilities(const SYSTEM_POWER_CAPABILITIES& capabilities);

// The argument the agent passes to the confirmation program ("/sleep:hybrid" ...).
const wchar_t* SleepKindArgument(SleepKind kind);

// The case named on a command line (program name first, as GetCommandLineW gives it). Unknown
// when none is named, when it is not one of ours, or when two disagree.
SleepKind SleepKindFromCommandLine(const wchar_t* commandLine);

// The question's sentence for the case: the English text, which is also its translation key.
const char* QuestionForSleepKind(SleepKind kind);

// "Do not show next time" does not skip the question: where nothing can be confirmed, and where
// the PC could hybrid-sleep but will not (the user who ticked the box agreed to hybrid sleep).
bool QuestionAlwaysShown(SleepKind kind);
