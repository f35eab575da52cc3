; Runs the setup's machine and account choices (installer/Decisions.nsh) on the inputs of its
; command line, /MACHINE=n /SYSTEM=0|1 /SESSION=n, and writes "build|folder|starts|log folder"
; as UTF-16 to the file /OUT= names. Built by the setup tests' CMakeLists.txt.
Target amd64-unicode
Name "Decision probe"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SilentInstall silent

!include LogicLib.nsh
!include FileFunc.nsh
!include "${DECISIONS}"

Section
  ${GetParameters} $R0
  ${GetOptions} $R0 "/MACHINE=" $0
  ${GetOptions} $R0 "/SYSTEM=" $1
  ${GetOptions} $R0 "/SESSION=" $2
  ${GetOptions} $R0 "/OUT=" $3
  !insertmacro ChooseBuild $0 $4 $5
  !insertmacro ChooseForAccount $1 $2 $6 $7
  FileOpen $8 $3 w
  FileWriteUTF16LE $8 "$4|$5|$6|$7"
  FileClose $8
SectionEnd
