; Setup of Korvane Dormello: one program for both architectures. On native x64 Windows it
; installs the x86_64 build into the 64-bit Program Files, elsewhere (Arm included) the i686 build
; (Decisions.nsh). Built by
; tools/package.sh, which passes:
;   VERSION   the project version ("1.0.0")
;   DIST      the folder holding the staged builds (i686\ and x86_64\)
;   LAYOUT    the generated list of installed files (Layout.nsh)
;   OUTFILE   the setup to write
;   AMD64     (optional) build a 64-bit setup, for machines that run no 32-bit programs
; Exit codes (the same for the uninstaller): see the constants below and the README.

!ifdef AMD64
  Target amd64-unicode
!else
  Unicode true
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include "${LAYOUT}"
!include Decisions.nsh

!define PRODUCT "Korvane Dormello"
!define PUBLISHER "Korvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define RUNONCE_VALUE "${PRODUCT} removal"
; Where Windows keeps what it deletes or renames at the next restart.
!define SESSION_MANAGER_KEY "System\CurrentControlSet\Control\Session Manager"
!define PENDING_VALUE "PendingFileRenameOperations"
!define HKLM_HANDLE -2147483646  ; HKEY_LOCAL_MACHINE as System::Call passes it, sign-extended on 64-bit
!define SETTINGS_KEY "SOFTWARE\Korvane\Korvane Dormello"
!define CHANGE_KEY "SOFTWARE\Korvane\Korvane Change"
!define TASK_NAME "${PRODUCT}"
!define AGENT "Dormkey.exe"
; The shortcut's program: it needs no elevation, so opening the settings window of a running
; agent shows no prompt.
!define OPENER "Dormopen.exe"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; One setup or uninstall at a time on the machine, in every session and whatever their folders:
; a file held open without sharing, which only SYSTEM and Administrators may open, in a folder of
; $WINDIR (where a standard user may make nothing) that only they may read or write. No standard
; user can make the file first or keep a handle of any kind on it (which would keep the file
; deleted at the setup's end alive, and the next setup out).
!define SETUP_LOCK_FOLDER "$WINDIR\Korvane Dormello Setup"
!define SETUP_LOCK "${SETUP_LOCK_FOLDER}\Setup.lock"
!define SETUP_LOCK_FOLDER_SECURITY "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
!define SETUP_LOCK_SECURITY "D:P(A;;FA;;;SY)(A;;FA;;;BA)"
!ifdef AMD64
  !define SECURITY_ATTRIBUTES_SIZE 24
!else
  !define SECURITY_ATTRIBUTES_SIZE 12
!endif
; What setups before the lock took as "a setup is running". Any program may make this name
; first, so it means nothing to this setup; it is still made for the older ones.
!define OLD_SETUP_MUTEX "Global\Korvane Dormello Setup"
; Every agent waits on an event of its own and ends when it is set; the events' names are listed
; under this key, which only SYSTEM and Administrators can read (common/AgentIdentity.h).
!define QUIT_LIST_KEY "SOFTWARE\Korvane\Korvane Dormello Quit"
; The private names the programs run under where another program took their own (common/PrivateNames.h).
!define NAMES_KEY "SOFTWARE\Korvane\Korvane Dormello Names"
; The one event that agents of earlier versions wait on.
!define QUIT_EVENT "Global\Korvane Dormello Quit"
!define QUESTION "Dormnote.exe"
!define AGENT_QUIT_MS 10000  ; how long an agent may take to end when asked
!define TASK_ATTEMPTS 3      ; registrations of the sign-in task before the setup gives up
!define PENDING_ATTEMPTS 5   ; reads of the restart's list before the setup leaves it alone
; The longest installed path must stay below MAX_PATH - 1: the programs build their file paths
; in 260-unit buffers.
!define MAX_INSTALLED_PATH 258

; Exit codes. 1 is NSIS's own "cancelled by the user".
!define EXIT_FAILED 2          ; a step failed; the message says which
!define EXIT_SETUP_RUNNING 3   ; another setup or uninstall is running
!define EXIT_BAD_FOLDER 4      ; the folder is refused (path too long)
!define EXIT_NOT_ADMIN 740     ; not run with administrator rights
!define EXIT_RESTART 3010      ; uninstall: files in use go at the next restart (ERROR_SUCCESS_REBOOT_REQUIRED)

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!ifdef SIGN
  ; The uninstaller the setup writes is signed too, before it goes into the setup.
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif
AllowSkipFiles off
ManifestDPIAware true
; Every Windows from Vista on, like the programs (NSIS leaves Vista out by default).
ManifestSupportedOS all
ShowInstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

Var StartAfterInstall  ; 1: start the agent at the end (silent mode without /NOSTART)
Var Purge              ; 1: the uninstaller also removes the settings
Var AgentWasRunning    ; 1: the setup ended a running agent
Var FailureText        ; what failed, for the log; empty when NSIS itself aborted (a file in use)
Var Build              ; the build this Windows gets: x86_64 or i686
Var LogFolder          ; where the run's log goes
Var CanStart           ; 1 when there is a user to start the agent for (not SYSTEM, not session 0)
Var LogStarted         ; 1 once this run has written its log
Var OwnFileLeft        ; 1 when the uninstaller, run in place, could not delete its own file
Var SetupLock          ; the lock's file, open until this process ends

; The product's own moon and colours (tools/make_artwork.sh), never the stock pictures. makensis
; works in the script's folder. The setup is DPI-aware and the wizard stretches its welcome
; picture over its page: the picture drawn for 200 % is scaled down, never a small one up. MUI
; packs that picture as a file with its modification time: tools/package.sh hands in a copy of
; res/installer/wizard_200.bmp that carries the commit's time.
!ifndef WIZARD_BITMAP
  !error "WIZARD_BITMAP: the welcome picture with the release's file time (tools/package.sh makes it)"
!endif
!define MUI_ICON "../res/icons/window.ico"
!define MUI_UNICON "../res/icons/confirm.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartAgent
!define MUI_PAGE_CUSTOMFUNCTION_SHOW HideStartWithoutUser
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: it is the language of every user whose language is not one of these.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "SimpChinese"
!include "Languages.nsh"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; The uninstall entry lives in the native view; the programs' keys in the 32-bit view
; (common/RegistryLayout.h), which SetRegView 32 selects.
!macro NativeRegView
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

!macro CommonChecks
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "$(NeedsAdmin)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
  !insertmacro NativeRegView
!macroend

; $0 = 1 when the setup runs as SYSTEM, $1 = the session it runs in.
!macro ReadAccount un
Function ${un}ReadAccount
  StrCpy $0 0
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r2) i .r3'  ; TOKEN_QUERY
  ${If} $3 <> 0
    System::Alloc 256
    Pop $4
    System::Call 'advapi32::GetTokenInformation(p r2, i 1, p r4, i 256, *i .r5) i .r3'  ; TokenUser
    ${If} $3 <> 0
      System::Call '*$4(p .r5)'  ; the user's SID
      System::Call 'advapi32::IsWellKnownSid(p r5, i 22) i .r3'  ; WinLocalSystemSid
      ${If} $3 <> 0
        StrCpy $0 1
      ${EndIf}
    ${EndIf}
    System::Free $4
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  StrCpy $1 1
  System::Call 'kernel32::GetCurrentProcessId() i .r2'
  System::Call 'kernel32::ProcessIdToSessionId(i r2, *i .r1)'
FunctionEnd
!macroend
!insertmacro ReadAccount ""
!insertmacro ReadAccount "un."

; Ends every program running from the install folder, in every session: this session's agent
; through its window (so that an agent of an older version, which knows no quit event, ends
; cleanly too), every agent through the quit event it waits on. An agent asked to end closes its
; question first. Then waits for each agent, question and opener process up to the bound and
; ends any still running by force, with a line in the log. Sets $R9 to 1 when one could not be
; ended.
!macro EndAgents un
Function ${un}EndAgents
  StrCpy $R9 0
  FindWindow $0 "#32770" "KvHybridS3"
  ${If} $0 <> 0
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
  ${EndIf}
  Call ${un}SetListedQuitEvents
  System::Call 'kernel32::OpenEventW(i 0x0002, i 0, w "${QUIT_EVENT}") p .r5'  ; EVENT_MODIFY_STATE
  ${If} $5 P<> 0
    System::Call 'kernel32::SetEvent(p r5)'
  ${EndIf}
  System::Alloc 16384  ; room for 4096 process ids
  Pop $6
  System::Call 'psapi::EnumProcesses(p r6, i 16384, *i .r7)'
  IntOp $7 $7 / 4
  StrCpy $8 0
  ${DoWhile} $8 < $7
    IntOp $9 $8 * 4
    IntPtrOp $9 $6 + $9
    System::Call '*$9(i .r1)'
    Call ${un}EndAgentProcess
    IntOp $8 $8 + 1
  ${Loop}
  System::Free $6
  ${If} $5 P<> 0
    ; Agents started from now on (the setup's own at the end) must not end at once.
    System::Call 'kernel32::ResetEvent(p r5)'
    System::Call 'kernel32::CloseHandle(p r5)'
  ${EndIf}
FunctionEnd

; Sets the quit event of every agent that listed its event's name. The names are all read (onto
; the stack) before any is set: each agent takes its own off the list as it ends, and a key that
; changes while its values are enumerated by index makes the enumeration skip some. An agent
; ended by force leaves its name behind; the event went with it.
Function ${un}SetListedQuitEvents
  SetRegView 32
  Push ""  ; below the names: no agent lists an empty one
  StrCpy $8 0
  ${Do}
    ClearErrors
    EnumRegValue $7 HKLM "${QUIT_LIST_KEY}" $8
    ${If} ${Errors}
    ${OrIf} $7 == ""
      ${Break}
    ${EndIf}
    Push $7
    IntOp $8 $8 + 1
  ${Loop}
  ${Do}
    Pop $7
    ${If} $7 == ""
      ${Break}
    ${EndIf}
    System::Call 'kernel32::OpenEventW(i 0x0002, i 0, w r7) p .r6'  ; EVENT_MODIFY_STATE
    ${If} $6 P<> 0
      System::Call 'kernel32::SetEvent(p r6)'
      System::Call 'kernel32::CloseHandle(p r6)'
    ${EndIf}
  ${Loop}
  !insertmacro NativeRegView
FunctionEnd

; Waits for process $1 when it is a program of the install folder, and ends it by force when it
; has not ended within the bound.
Function ${un}EndAgentProcess
  System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i r1) p .r2'  ; SYNCHRONIZE, TERMINATE, QUERY_LIMITED_INFORMATION
  ${If} $2 P= 0
    Return
  ${EndIf}
  StrCpy $3 ""
  System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN})'
  ${If} $3 == "$INSTDIR\${AGENT}"
    StrCpy $AgentWasRunning 1
  ${EndIf}
  ${If} $3 == "$INSTDIR\${AGENT}"
  ${OrIf} $3 == "$INSTDIR\${QUESTION}"
  ${OrIf} $3 == "$INSTDIR\${OPENER}"
    System::Call 'kernel32::WaitForSingleObject(p r2, i ${AGENT_QUIT_MS}) i .r4'
    ${If} $4 <> 0
      System::Call 'kernel32::TerminateProcess(p r2, i 1)'
      System::Call 'kernel32::WaitForSingleObject(p r2, i 5000) i .r4'
      DetailPrint "$(EndedByForce) $1"
      Push "$(EndedByForce) $1"
      Call ${un}LogLine
      ${If} $4 <> 0
        StrCpy $R9 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r2)'
FunctionEnd
!macroend

!macro Fail message
  DetailPrint "${message}"
  StrCpy $FailureText "${message}"
  MessageBox MB_ICONSTOP "${message}" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort
!macroend

; The run's log, "Korvane Dormello Setup.log" in $LogFolder: what failed, an agent ended by
; force, files left for a restart. A silent run has no other way to say it. Each run that has
; something to say starts it afresh. Writes the text on the top of the stack as one line.
!macro Log un
Function ${un}LogLine
  Exch $0
  Push $1
  CreateDirectory "$LogFolder"
  ${If} $LogStarted = 1
    FileOpen $1 "$LogFolder\${PRODUCT} Setup.log" a
    FileSeek $1 0 END
    FileWriteUTF16LE $1 "$0$\r$\n"
  ${Else}
    FileOpen $1 "$LogFolder\${PRODUCT} Setup.log" w
    FileWriteUTF16LE /BOM $1 "$0$\r$\n"
    StrCpy $LogStarted 1
  ${EndIf}
  FileClose $1
  Pop $1
  Pop $0
FunctionEnd

Function ${un}WriteFailureLog
  ${If} $FailureText == ""
    StrCpy $FailureText "$(CannotWrite) $INSTDIR"
  ${EndIf}
  Push $FailureText
  Call ${un}LogLine
FunctionEnd
!macroend
!insertmacro Log ""
!insertmacro Log "un."

; Takes the one-setup-at-a-time lock (SETUP_LOCK above) for the life of this process, or says
; that another setup holds it, in a message and the log (added to the log of the setup that runs,
; when they share a folder), and quits with EXIT_SETUP_RUNNING.
!macro SetupLock un
Function ${un}TakeSetupLock
  StrCpy $SetupLock -1
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${SETUP_LOCK_FOLDER_SECURITY}", i 1, *p .r1, p 0) i .r0'
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${SETUP_LOCK_SECURITY}", i 1, *p .r2, p 0) i .r0 ?e'
  Pop $0
  ${If} $1 P<> 0
  ${AndIf} $2 P<> 0
    ; SECURITY_ATTRIBUTES, each member in a pointer-sized slot as the structure lays them out.
    System::Call '*(p ${SECURITY_ATTRIBUTES_SIZE}, p r1, p 0) p .r3'
    System::Call 'kernel32::CreateDirectoryW(w "${SETUP_LOCK_FOLDER}", p r3)'
    System::Call '*$3(p, p r2)'
    ; GENERIC_READ | GENERIC_WRITE | DELETE, no sharing, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE
    System::Call 'kernel32::CreateFileW(w "${SETUP_LOCK}", i 0xC0010000, i 0, p r3, i 4, i 0x04000080, p 0) p .r4 ?e'
    Pop $0
    StrCpy $SetupLock $4
    System::Free $3
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r1)'
  System::Call 'kernel32::LocalFree(p r2)'
  ${If} $SetupLock P= -1
    ${If} ${FileExists} "$LogFolder\${PRODUCT} Setup.log"
      StrCpy $LogStarted 1
    ${EndIf}
    Push "$(SetupRunning) (${SETUP_LOCK}: $0)"
    Call ${un}LogLine
    MessageBox MB_ICONSTOP "$(SetupRunning)" /SD IDOK
    SetErrorLevel ${EXIT_SETUP_RUNNING}
    Quit
  ${EndIf}
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${OLD_SETUP_MUTEX}")'
FunctionEnd
!macroend
!insertmacro SetupLock ""
!insertmacro SetupLock "un."
!insertmacro EndAgents ""
!insertmacro EndAgents "un."

Function .onInit
  !insertmacro CommonChecks
  StrCpy $StartAfterInstall 0
  StrCpy $AgentWasRunning 0
  Call ReadAccount
  !insertmacro ChooseForAccount $0 $1 $CanStart $LogFolder
  Call TakeSetupLock  ; once the log's folder is known, before this setup's folder is
  ${GetParameters} $0
  ${If} ${Silent}
    StrCpy $StartAfterInstall 1
    ClearErrors
    ${GetOptions} $0 "/NOSTART" $1
    ${IfNot} ${Errors}
      StrCpy $StartAfterInstall 0
    ${EndIf}
  ${EndIf}
  ${GetNativeMachineArchitecture} $0
  !insertmacro ChooseBuild $0 $Build $1
  ; /D= sets the folder before this runs; otherwise reuse the installed one, else the default.
  Call SetProgramSize
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$1\Korvane\${PRODUCT}"
  ${EndIf}
FunctionEnd

; Sets $0 to 1 when the folder can hold every installed file.
Function CheckFolder
  StrLen $0 $INSTDIR
  IntOp $0 $0 + ${LONGEST_INSTALLED_NAME}
  IntOp $0 $0 + 1
  ${If} $0 > ${MAX_INSTALLED_PATH}
    StrCpy $0 0
  ${Else}
    StrCpy $0 1
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  Call CheckFolder
  ${If} $0 = 0
    Abort
  ${EndIf}
FunctionEnd

; Without a user (SYSTEM, session 0) the agent starts at the next sign-in, not here.
Function StartAgent
  ${If} $CanStart = 1
    Exec '"$INSTDIR\${AGENT}"'
  ${EndIf}
FunctionEnd

Function HideStartWithoutUser
  ${If} $CanStart <> 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; A failed upgrade leaves the machine as it was: the agent it ended runs again when its program
; is still there.
Function .onInstFailed
  Call WriteFailureLog
  ${If} $AgentWasRunning = 1
  ${AndIf} ${FileExists} "$INSTDIR\${AGENT}"
    Call StartAgent
  ${EndIf}
FunctionEnd

Function un.onUninstFailed
  Call un.WriteFailureLog
FunctionEnd

; Writes the task that starts the agent when a member of Administrators signs in: elevated
; without a prompt, never ended by a time limit, the same on battery. Instances run in
; parallel because the scheduler counts them per task, not per user: each session that signs
; in gets its own agent (the agent's own mutex keeps it to one per session).
Function WriteTaskXml
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $1
  FileOpen $0 "$PLUGINSDIR\task.xml" w
  FileWriteUTF16LE /BOM $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo><Author>${PUBLISHER}</Author><Description>Starts ${PRODUCT} when an administrator signs in.</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals><Principal id="Administrators"><GroupId>S-1-5-32-544</GroupId><RunLevel>HighestAvailable</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $0 '    <Priority>5</Priority>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Administrators"><Exec><Command>$1\${AGENT}</Command><WorkingDirectory>$1</WorkingDirectory></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
FunctionEnd

Section "-Program" SecProgram
  Call CheckFolder
  ${If} $0 = 0
    DetailPrint "$(FolderTooLong)"
    StrCpy $FailureText "$(FolderTooLong)"
    MessageBox MB_ICONSTOP "$(FolderTooLong)" /SD IDOK
    SetErrorLevel ${EXIT_BAD_FOLDER}
    Abort
  ${EndIf}
  Call EndAgents
  ${If} $R9 <> 0
    !insertmacro Fail "$(AgentStillRuns)"
  ${EndIf}
  ; An uninstall may have left files and its entry to the next restart: the restart must not
  ; remove this install's.
  Call CancelPendingRemoval
  DeleteRegValue HKLM "${RUNONCE_KEY}" "${RUNONCE_VALUE}"

  ; The uninstaller and its entry come first, so that a failure later never leaves a folder
  ; that cannot be removed.
  SetOutPath "$INSTDIR"
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    !insertmacro Fail "$(CannotWrite) $INSTDIR\${UNINSTALLER}"
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${AGENT},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ${If} $Build == x86_64
    !insertmacro InstallLayout x86_64
  ${Else}
    !insertmacro InstallLayout i686
  ${EndIf}
  SetOutPath "$INSTDIR"

  SetShellVarContext all
  CreateShortCut "${SHORTCUT}" "$INSTDIR\${OPENER}" "" "$INSTDIR\${AGENT}" 0
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Sets $R0 to 1 when the path $R5 (as Windows lists it for the restart, "\??\" before it) is
; the install folder, lies in it, or is a folder above it.
Function IsOfInstallFolder
  StrCpy $R0 0
  StrCpy $R6 $R5 4
  ${If} $R6 == "\??\"
    StrCpy $R5 $R5 "" 4
  ${EndIf}
  StrLen $R6 "$INSTDIR\"
  StrCpy $R7 "$R5\" $R6
  ${If} $R7 == "$INSTDIR\"  ; the folder itself or what it holds
    StrCpy $R0 1
  ${EndIf}
  StrLen $R6 "$R5\"
  StrCpy $R7 "$INSTDIR\" $R6
  ${If} $R7 == "$R5\"  ; a folder above it
    StrCpy $R0 1
  ${EndIf}
FunctionEnd

; Reads the list of what Windows deletes or renames at the next restart (key $0) into a new
; buffer $R8 of $R9 bytes, which the caller frees; $R8 = 0 when there is no list or the read
; failed ($1 = the Windows error: ERROR_MORE_DATA when the list grew between the two calls).
Function ReadPendingList
  StrCpy $R8 0
  System::Call 'advapi32::RegQueryValueExW(p r0, w "${PENDING_VALUE}", p 0, p 0, p 0, *i 0 R9) i .r1'
  ${If} $1 <> 0
  ${OrIf} $R9 = 0
    Return
  ${EndIf}
  IntOp $R9 $R9 + 4  ; room for the terminating nulls a list may lack
  System::Alloc $R9
  Pop $R8
  System::Call 'advapi32::RegQueryValueExW(p r0, w "${PENDING_VALUE}", p 0, p 0, p R8, *i R9 R9) i .r1'
  ${If} $1 <> 0
    System::Free $R8
    StrCpy $R8 0
  ${EndIf}
FunctionEnd

; Copies the pairs (source and target, each ended by a null) of the list $3 ($5 bytes) that are
; not of the install folder into a new buffer $4, which the caller frees: $7 bytes with the
; list's final null. $9 = 1 when a pair was left out.
Function KeepOthersPending
  IntOp $7 $5 + 4
  System::Alloc $7
  Pop $4
  IntPtrOp $7 $3 + $5  ; the end of the list read
  StrCpy $6 $3         ; the next pair to read
  StrCpy $8 $4         ; where the next pair kept goes
  StrCpy $9 0
  ${DoWhile} $6 P< $7
    System::Call 'kernel32::lstrlenW(p r6) i .R1'
    ${If} $R1 = 0
      ${Break}  ; the list's final null
    ${EndIf}
    IntOp $R1 $R1 + 1
    IntOp $R1 $R1 * 2
    IntPtrOp $R2 $6 + $R1  ; the pair's target
    System::Call 'kernel32::lstrlenW(p R2) i .R3'
    IntOp $R3 $R3 + 1
    IntOp $R3 $R3 * 2
    IntOp $R4 $R1 + $R3    ; the pair's size in bytes
    System::Call 'kernel32::lstrcpynW(w .R5, p r6, i ${NSIS_MAX_STRLEN})'
    Call IsOfInstallFolder
    ${If} $R0 = 1
      StrCpy $9 1
    ${Else}
      System::Call 'kernel32::RtlMoveMemory(p r8, p r6, p R4)'
      IntPtrOp $8 $8 + $R4
    ${EndIf}
    IntPtrOp $6 $6 + $R4
  ${Loop}
  System::Call '*$8(&i2 0)'  ; the list's final null
  IntPtrOp $7 $8 - $4
  IntOp $7 $7 + 2
FunctionEnd

; Takes every operation on the install folder out of the list of what Windows deletes or renames
; at the next restart, and nothing else. Other installers may add to the list at any time and
; the registry cannot replace a value only if it is unchanged: the list is written back only
; when a second read just before the write finds it as it was filtered, else filtered afresh.
; That narrows the window in which another's entry could be lost; it cannot close it.
Function CancelPendingRemoval
  System::Call 'advapi32::RegOpenKeyExW(p ${HKLM_HANDLE}, w "${SESSION_MANAGER_KEY}", i 0, i 0x3, *p .r0) i .r1'  ; KEY_QUERY_VALUE, KEY_SET_VALUE
  ${If} $1 <> 0
    Return
  ${EndIf}
  ${For} $2 1 ${PENDING_ATTEMPTS}
    Call ReadPendingList
    ${If} $R8 P= 0
      ${If} $1 = 234  ; ERROR_MORE_DATA
        ${Continue}
      ${EndIf}
      ${ExitFor}  ; no list
    ${EndIf}
    StrCpy $3 $R8
    StrCpy $5 $R9
    Call KeepOthersPending
    StrCpy $6 -1  ; bytes the second read has in common with the first
    ${If} $9 = 1
      Call ReadPendingList
      ${If} $R8 P<> 0
        ${If} $R9 = $5
          System::Call 'ntdll::RtlCompareMemory(p r3, p R8, p r5) p .r6'
        ${EndIf}
        System::Free $R8
      ${EndIf}
      ${If} $6 = $5
        ${If} $7 > 2
          System::Call 'advapi32::RegSetValueExW(p r0, w "${PENDING_VALUE}", i 0, i 7, p r4, i r7)'  ; REG_MULTI_SZ
        ${Else}
          System::Call 'advapi32::RegDeleteValueW(p r0, w "${PENDING_VALUE}")'
        ${EndIf}
      ${EndIf}
    ${EndIf}
    System::Free $3
    System::Free $4
    ${If} $9 = 0  ; nothing of the folder's
    ${OrIf} $6 = $5  ; written
      ${ExitFor}
    ${EndIf}
  ${Next}
  System::Call 'advapi32::RegCloseKey(p r0)'
FunctionEnd

; Starts the Task Scheduler service and waits, up to a minute, until it runs. Windows runs it
; from boot; Wine starts it on demand, and its schtasks gives up at once when the service it
; starts is not running yet. A start that ended with the service stopped is made again; one that
; the service manager refuses (a disabled service, or Wine's first server session of a prefix
; made by "wineboot -i", which runs two service managers) is left to schtasks to report.
Function StartScheduler
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i 1) p .r1'  ; SC_MANAGER_CONNECT
  System::Call 'advapi32::OpenServiceW(p r1, w "Schedule", i 0x14) p .r2'  ; SERVICE_QUERY_STATUS, SERVICE_START
  ${If} $2 P<> 0
    System::Call '*(&i28) p .r3'  ; SERVICE_STATUS
    ${For} $4 1 120
      System::Call 'advapi32::QueryServiceStatus(p r2, p r3) i .r5'
      System::Call '*$3(i, i .r6)'  ; dwCurrentState
      ${If} $5 = 0
      ${OrIf} $6 = 4  ; SERVICE_RUNNING
        ${Break}
      ${EndIf}
      ${If} $6 = 1  ; SERVICE_STOPPED
        System::Call 'advapi32::StartServiceW(p r2, i 0, p 0) i .r5'
        ${If} $5 = 0
          ${Break}
        ${EndIf}
      ${EndIf}
      Sleep 500
    ${Next}
    System::Free $3
    System::Call 'advapi32::CloseServiceHandle(p r2)'
  ${EndIf}
  System::Call 'advapi32::CloseServiceHandle(p r1)'
FunctionEnd

Section "$(StartAtSignIn)" SecTask
  Call WriteTaskXml
  Call StartScheduler
  ; A service that has only just come up may still refuse the first call: tried again after a pause.
  ${For} $1 1 ${TASK_ATTEMPTS}
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_NAME}" /XML "$PLUGINSDIR\task.xml" /F'
    Pop $0
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    Sleep 2000
  ${Next}
  ${If} $0 != 0
    !insertmacro Fail "$(TaskFailed) ($0)"
  ${EndIf}
SectionEnd

Section "-Finish"
  ${IfNot} ${SectionIsSelected} ${SecTask}
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
  ${EndIf}
  ${If} $StartAfterInstall = 1
    Call StartAgent
  ${EndIf}
SectionEnd

; The setup holds both builds; the folder gets one.
Function SetProgramSize
  ${If} $Build == x86_64
    SectionSetSize ${SecProgram} ${INSTALLED_KB_x86_64}
  ${Else}
    SectionSetSize ${SecProgram} ${INSTALLED_KB_i686}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro CommonChecks
  StrCpy $Purge 0
  Call un.ReadAccount
  !insertmacro ChooseForAccount $0 $1 $2 $LogFolder
  Call un.TakeSetupLock
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PURGE" $1
  ${IfNot} ${Errors}
    StrCpy $Purge 1
  ${EndIf}
FunctionEnd

; An empty parent goes now; one that holds the install folder until the restart goes with it.
!macro RemoveParent FOLDER
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "${FOLDER}"
  ${ElseIf} $OwnFileLeft = 1
    Push "${FOLDER}"
    Call un.DeleteAtRestart
  ${Else}
    RMDir "${FOLDER}"
  ${EndIf}
!macroend

; Deletes the file or empty folder on top of the stack at the next restart, without asking for
; one: nothing of the user's waits for it.
Function un.DeleteAtRestart
  Exch $0
  System::Call 'kernel32::MoveFileExW(w r0, p 0, i 4)'  ; MOVEFILE_DELAY_UNTIL_REBOOT
  Pop $0
FunctionEnd

; Run in place (_?=), the uninstaller's own file is the running program, which Windows refuses to
; delete (Wine allows it). It goes at the next restart, the folder after it, and the removal
; still counts as complete: no restart is asked for.
Function un.RemoveOwnFile
  StrCpy $OwnFileLeft 0
  ${If} $EXEPATH != "$INSTDIR\${UNINSTALLER}"
    Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
    Return
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    StrCpy $OwnFileLeft 1
    Push "$INSTDIR\${UNINSTALLER}"
    Call un.DeleteAtRestart
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.EndAgents
  ${If} $R9 <> 0
    !insertmacro Fail "$(AgentStillRuns)"
  ${EndIf}
  SetRegView 32
  DeleteRegKey HKLM "${QUIT_LIST_KEY}"  ; the agents have ended: their names are stale
  DeleteRegKey HKLM "${NAMES_KEY}"       ; and so are the names they ran under
  !insertmacro NativeRegView
  ${IfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(AlsoSettings)" IDNO +2
    StrCpy $Purge 1
  ${EndIf}

  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
  Pop $0
  SetShellVarContext all
  Delete "${SHORTCUT}"
  !insertmacro RemoveLayout
  Call un.RemoveOwnFile
  ${If} $OwnFileLeft = 1
    Push "$INSTDIR"
    Call un.DeleteAtRestart
  ${Else}
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  ; The default folder's parent is the setup's own; other parents are the user's.
  ${If} $INSTDIR == "$PROGRAMFILES64\Korvane\${PRODUCT}"
    !insertmacro RemoveParent "$PROGRAMFILES64\Korvane"
  ${ElseIf} $INSTDIR == "$PROGRAMFILES32\Korvane\${PRODUCT}"
    !insertmacro RemoveParent "$PROGRAMFILES32\Korvane"
  ${EndIf}

  ${If} $Purge = 1
    SetRegView 32  ; both builds keep their settings in the 32-bit view
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Korvane"
    DeleteRegKey HKCU "${CHANGE_KEY}"
    DeleteRegKey /ifempty HKCU "SOFTWARE\Korvane"
    !insertmacro NativeRegView
  ${EndIf}
  ; Last, so that the entry's disappearance says the removal is complete.
  ${If} ${RebootFlag}
    Call un.LeaveToRestart
  ${Else}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd

; Files in use go at the next restart, and the entry with them: a RunOnce command removes it
; then. Until then the entry says that a restart completes the removal, and the exit code is
; the one deployment tools read as "done, restart needed".
Function un.LeaveToRestart
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(RemovalPending)"
  WriteRegStr HKLM "${RUNONCE_KEY}" "${RUNONCE_VALUE}" '"$SYSDIR\reg.exe" delete "HKLM\${UNINSTALL_KEY}" /f'
  DetailPrint "$(RestartCompletes)"
  Push "$(RestartCompletes)"
  Call un.LogLine
  MessageBox MB_ICONINFORMATION "$(RestartCompletes)" /SD IDOK
  SetErrorLevel ${EXIT_RESTART}
FunctionEnd
