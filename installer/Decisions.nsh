; The setup's choices that depend on the machine and the account, kept apart from the calls
; that read them, so that a test can hand them machines and accounts that Wine cannot play
; (tests/e2e/install/DecisionProbe.nsi). Needs LogicLib.nsh.

!define MACHINE_AMD64 34404  ; IMAGE_FILE_MACHINE_AMD64

; The build for this Windows and the Program Files folder it goes into. Only native x64
; Windows gets the x86_64 build: Windows on Arm reports itself as 64-bit too, but Windows 10 on
; Arm runs no x64 programs. Everywhere else the i686 build, which every Windows runs; on 64-bit
; Windows (Arm included) it goes into the 32-bit Program Files.
!macro ChooseBuild NATIVE_MACHINE BUILD PROGRAM_FILES
  ${If} ${NATIVE_MACHINE} = ${MACHINE_AMD64}
    StrCpy ${BUILD} x86_64
    StrCpy ${PROGRAM_FILES} $PROGRAMFILES64
  ${Else}
    StrCpy ${BUILD} i686
    StrCpy ${PROGRAM_FILES} $PROGRAMFILES32
  ${EndIf}
!macroend

; Whether the setup may start the agent, and where its log goes. A run as SYSTEM or in session 0
; (a deployment tool, a service) has nobody to show the agent to: the agent starts at the next
; sign-in instead, and the log goes where an administrator finds it, not into SYSTEM's
; temporary folder.
!macro ChooseForAccount IS_SYSTEM SESSION STARTS LOG_FOLDER
  ${If} ${IS_SYSTEM} = 1
  ${OrIf} ${SESSION} = 0
    StrCpy ${STARTS} 0
    SetShellVarContext all
    StrCpy ${LOG_FOLDER} "$APPDATA\Korvane"
    SetShellVarContext current
  ${Else}
    StrCpy ${STARTS} 1
    StrCpy ${LOG_FOLDER} $TEMP
  ${EndIf}
!macroend
