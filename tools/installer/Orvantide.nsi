; The Windows installer of Kelmora Orvantide.  Built by the installer
; target of tools/installer/CMakeLists.txt, which defines:
;   VERSION   the build's version (1.2.3), COPYRIGHT its notice
;   ARCH      x86 for the shipped 32-bit program, amd64 for the 64-bit
;             build that tests run on hosts without 32-bit Wine
;   STAGE     folder holding Files.nsh and the files it names
;   OUTFILE   the installer to write
; Per machine, into Program Files.  The uninstaller removes exactly what
; was installed: the user's profile (in the application data folder) and
; captures (in Documents) are never touched.

Unicode true
!if "${ARCH}" == "amd64"
  Target amd64-unicode
  !define PROGRAM_FILES "$PROGRAMFILES64"
!else
  !define PROGRAM_FILES "$PROGRAMFILES"
!endif

!define PRODUCT "Kelmora Orvantide"
!define PUBLISHER "Kelmora"
!define MAIN_CLASS "Kelmora Orvantide"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelmora Orvantide"
!define SHORTCUT "$SMPROGRAMS\Kelmora Orvantide.lnk"
; The boot task's definition, and the name the README registers it under.
!define TASK_FILE "OrvantideCaptureTask.xml"
!define TASK_NEW_FILE "OrvantideCaptureTask.new.xml"
!define TASK_NAME "Orvantide capture"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "${STAGE}\Files.nsh"
!include "${STAGE}\TaskXml.nsh"
!include "WordFunc.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\Kelmora\Orvantide"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${STAGE}\app.ico"
!define MUI_UNICON "${STAGE}\app.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString CloseFirst ${LANG_ENGLISH} "Kelmora Orvantide or orvantide-cli is running. Please stop any capture, end the program and try again."
LangString CloseFirst ${LANG_GERMAN} "Kelmora Orvantide oder orvantide-cli läuft. Bitte beenden Sie eine laufende Aufzeichnung und das Programm, und versuchen Sie es erneut."

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

; Replacing the program under a running capture would cut the capture off:
; ask the user to end it; a silent run ends with exit code 2.  The window
; is seen in this session only; a file that can't be opened for writing
; is a program running anywhere, the companion as a service included.
!macro IN_USE FILE
  IfFileExists "${FILE}" 0 +5
    ClearErrors
    FileOpen $1 "${FILE}" a
    IfErrors running
    FileClose $1
!macroend

!macro WAIT_UNTIL_CLOSED
  check_running:
    FindWindow $0 "${MAIN_CLASS}"
    StrCmp $0 0 0 running
    !insertmacro IN_USE "$INSTDIR\Orvantide.exe"
    !insertmacro IN_USE "$INSTDIR\orvantide-cli.exe"
    Goto not_running
  running:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseFirst)" /SD IDCANCEL IDRETRY check_running
    SetErrorLevel 2
    Quit
  not_running:
!macroend

!macro MACHINE_VIEW
  SetShellVarContext all
  !if "${ARCH}" == "amd64"
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro MACHINE_VIEW
  !insertmacro WAIT_UNTIL_CLOSED
FunctionEnd

; $0 = 1 when the files $R1 and $R2 hold the same bytes, else 0.
Function SameBytes
  StrCpy $0 0
  ClearErrors
  FileOpen $3 "$R1" r
  IfErrors same_done
  FileOpen $4 "$R2" r
  IfErrors same_close1
  same_next:
    ClearErrors
    FileReadByte $3 $5
    IfErrors same_first_ended
    FileReadByte $4 $6
    IfErrors same_close
    StrCmp $5 $6 same_next same_close
  same_first_ended:
    ClearErrors
    FileReadByte $4 $6
    IfErrors 0 same_close
    StrCpy $0 1
  same_close:
    FileClose $4
  same_close1:
    FileClose $3
  same_done:
FunctionEnd

Function un.onInit
  !insertmacro MACHINE_VIEW
  !insertmacro WAIT_UNTIL_CLOSED
FunctionEnd

Section "Orvantide"
  InitPluginsDir
  ; An installed version is upgraded in place: its own uninstaller takes
  ; out what it put there (run in place, so it can be waited for), then
  ; this version's files go in.  The task definition, which the user edits
  ; to register it, is kept through it (an older uninstaller deletes it),
  ; and so is the task itself (/UPGRADE).
  IfFileExists "$INSTDIR\uninstall.exe" 0 fresh
    IfFileExists "$INSTDIR\${TASK_FILE}" 0 +2
      CopyFiles /SILENT "$INSTDIR\${TASK_FILE}" "$PLUGINSDIR\kept-task.xml"
    ExecWait '"$INSTDIR\uninstall.exe" /S /UPGRADE _?=$INSTDIR'
    Delete "$INSTDIR\uninstall.exe"
  fresh:
  SetOutPath "$INSTDIR"
  !insertmacro ORV_INSTALL_FILES
  ; The scheduled task for a capture from boot, naming this folder ('&' is
  ; the one character of a folder name that XML text must escape).  A kept
  ; definition that is not this version's stays as the user left it, with
  ; this version's beside it.
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $R0
  !insertmacro ORV_WRITE_TASK "$PLUGINSDIR\new-task.xml" "$R0"
  Delete "$INSTDIR\${TASK_NEW_FILE}"
  StrCpy $0 1
  IfFileExists "$PLUGINSDIR\kept-task.xml" 0 task_ready
    StrCpy $R1 "$PLUGINSDIR\kept-task.xml"
    StrCpy $R2 "$PLUGINSDIR\new-task.xml"
    Call SameBytes
  task_ready:
  StrCmp $0 1 task_fresh
    CopyFiles /SILENT "$PLUGINSDIR\kept-task.xml" "$INSTDIR\${TASK_FILE}"
    CopyFiles /SILENT "$PLUGINSDIR\new-task.xml" "$INSTDIR\${TASK_NEW_FILE}"
    Goto task_done
  task_fresh:
    CopyFiles /SILENT "$PLUGINSDIR\new-task.xml" "$INSTDIR\${TASK_FILE}"
  task_done:
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\Orvantide.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orvantide.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  !insertmacro ORV_REMOVE_FILES
  ; A whole uninstall takes the boot task with the program it starts, if
  ; it is registered (otherwise schtasks just fails); an upgrade keeps both.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/UPGRADE" $R1
  IfErrors 0 keep_task
    nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
    Delete "$INSTDIR\${TASK_FILE}"
    Delete "$INSTDIR\${TASK_NEW_FILE}"
  keep_task:
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  ; Only if empty: whatever else the user keeps there stays.
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
