; The LT-260 Agent's installer: per user, without administrator rights.
;
; Built by tools/installer/build-installer.sh, which defines:
;   VERSION      the program's version, three numbers (1.2.3)
;   PROGRAM_DIR  the folder holding LT260Agent.exe and Lan\
;   OUTFILE      the installer to write
;   ICON         (optional) the Agent's icon, for the installer and uninstaller
;   SIGN         (optional) a command that signs the file named by %1; the
;                uninstaller and the installer are both signed with it
;
; Silent use: "LT260Agent-Setup-1.2.3.exe /S [/D=C:\folder]" and
; "Uninstall LT260Agent.exe /S [/REMOVESETTINGS]". /D= comes last and is not
; quoted; /REMOVESETTINGS ticks the box that removes the user's settings too.

Unicode true
; A 64-bit installer, like the program it installs.
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma
; The installed files get the time of the installation, not of the build, so
; that the installer's bytes depend only on the files' contents.
SetDateSave off

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!ifndef VERSION | PROGRAM_DIR | OUTFILE
  !error "VERSION, PROGRAM_DIR and OUTFILE must be defined (see build-installer.sh)"
!endif

!define PRODUCT "LT-260 Agent"
!define PUBLISHER "Quendra"
!define AGENT_EXE "LT260Agent.exe"
!define UNINSTALLER "Uninstall LT260Agent.exe"
!define AGENT_WINDOW "Quendra_LT-260_Hid"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "LT-260 Agent"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quendra LT-260 Agent"
; How long a running Agent has to end before the installer gives up.
!define AGENT_END_MS 15000
; How long the uninstaller waits for a file that an ending process still holds.
!define FILE_FREE_MS 10000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quendra\LT-260"
; An upgrade offers the folder of the installation it replaces.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"'
  !finalize '${SIGN} "%1"'
!endif

Var AgentWasRunning

!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the folder of the LT-260 Configurator (the folder holding Gaming.exe), so that the Agent can start it, or keep the folder below."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${AGENT_EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start the ${PRODUCT} now"
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "The Agent and its start at login are removed. Your settings stay unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Asks a running Agent to end through its window, as closing it does, and
; waits until its process has gone, so that its file can be replaced or
; removed. $AgentWasRunning is 1 when one was running. Gives up with an
; error after AGENT_END_MS.
!macro EndRunningAgent un
Function ${un}EndRunningAgent
  StrCpy $AgentWasRunning 0
  FindWindow $0 "" "${AGENT_WINDOW}"
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $AgentWasRunning 1
  DetailPrint "Ending the running ${PRODUCT}"
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
  ; SYNCHRONIZE: enough to wait for the end.
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=${AGENT_END_MS}
  StrCpy $3 -1
  ${If} $2 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i ${AGENT_END_MS}) i .r3'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  ${If} $3 != 0
    ; Without the process to wait for, wait for its window.
    StrCpy $4 0
    ${Do}
      FindWindow $0 "" "${AGENT_WINDOW}"
      ${If} $0 == 0
        Sleep 500
        ${ExitDo}
      ${EndIf}
      ${If} $4 >= ${AGENT_END_MS}
        MessageBox MB_ICONSTOP "The ${PRODUCT} did not end. Close it and try again." /SD IDOK
        SetErrorLevel 3
        Quit
      ${EndIf}
      Sleep 100
      IntOp $4 $4 + 100
    ${Loop}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro EndRunningAgent ""
!insertmacro EndRunningAgent "un."

Section "${PRODUCT}" SecAgent
  SectionIn RO
  Call EndRunningAgent

  SetOutPath "$INSTDIR"
  ; Gaming.exe and CheckPidVid.dll belong to the Configurator: never touched.
  File "${PROGRAM_DIR}\${AGENT_EXE}"
  SetOutPath "$INSTDIR\Lan"
  File "${PROGRAM_DIR}\Lan\skin_En.ini"
  File "${PROGRAM_DIR}\Lan\skin_Sp.ini"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The Agent writes its settings there but never makes the folder.
  CreateDirectory "$APPDATA\Quendra\LT-260"

  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${AGENT_EXE}"'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${AGENT_EXE}",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; In kilobytes: the Agent, its language files and the uninstaller.
  StrCpy $5 0
  ${GetSize} "$INSTDIR" "/M=${AGENT_EXE} /S=0K /G=0" $0 $1 $2
  IntOp $5 $5 + $0
  ${GetSize} "$INSTDIR" "/M=${UNINSTALLER} /S=0K /G=0" $0 $1 $2
  IntOp $5 $5 + $0
  ${GetSize} "$INSTDIR\Lan" "/M=skin_*.ini /S=0K /G=0" $0 $1 $2
  IntOp $5 $5 + $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $5

  ; A silent upgrade brings back the Agent it ended; an interactive install
  ; starts it from the last page.
  ${If} ${Silent}
  ${AndIf} $AgentWasRunning == 1
    Exec '"$INSTDIR\${AGENT_EXE}"'
  ${EndIf}
SectionEnd

; Deletes the file $R0 names, waiting up to FILE_FREE_MS while a process that
; is ending still holds it: the Agent just asked to end, or the uninstaller's
; launcher, which started this copy of it from the temporary folder and may
; not have ended yet when this copy comes to delete it.
Function un.DeleteWhenFree
  StrCpy $R1 0
  ${Do}
    Delete "$R0"
    ${IfNot} ${FileExists} "$R0"
      Return
    ${EndIf}
    ${If} $R1 >= ${FILE_FREE_MS}
      DetailPrint "Could not remove $R0"
      Return
    ${EndIf}
    Sleep 100
    IntOp $R1 $R1 + 100
  ${Loop}
FunctionEnd

Section "un.${PRODUCT}" SecUnAgent
  SectionIn RO
  Call un.EndRunningAgent
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  StrCpy $R0 "$INSTDIR\${AGENT_EXE}"
  Call un.DeleteWhenFree
  Delete "$INSTDIR\Lan\skin_En.ini"
  Delete "$INSTDIR\Lan\skin_Sp.ini"
  ; The folders go only when nothing else is in them: the Configurator may
  ; share them.
  RMDir "$INSTDIR\Lan"
  StrCpy $R0 "$INSTDIR\${UNINSTALLER}"
  Call un.DeleteWhenFree
  RMDir "$INSTDIR"
  ; The vendor folder of the default location, when nothing else is in it.
  RMDir "$LOCALAPPDATA\Programs\Quendra"
SectionEnd

Section /o "un.Also remove my settings" SecUnSettings
  RMDir /r "$APPDATA\Quendra\LT-260"
  RMDir "$APPDATA\Quendra"
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd
