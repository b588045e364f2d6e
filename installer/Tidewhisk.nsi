; The Tidewhisk setup program: a 64-bit, per-machine installation.
;   Program Files\Tidewhisk\       Tidewhisk.exe, twcli.exe and the uninstaller unins000.exe
;   ProgramData\Tidewhisk\         database.dat (later also Backup\ with the registry backups and
;                                  cookies.dat, the kept-cookie list, both written by the program)
;   Start menu\Tidewhisk\          the program and the uninstaller; optionally a desktop shortcut
; Built by scripts/make-installer, which defines VERSION, PROGRAM, CLI, DATABASE, ICON and OUTFILE.
; Setup and uninstall first end a running Tidewhisk (the registered message "UM_TERMINATE").
; Uninstall switches: /S silent; /PURGE also removes the registry backups and the kept-cookie
; list, which are otherwise kept (asked when not silent).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin

!ifndef VERSION | PROGRAM | CLI | DATABASE | ICON | OUTFILE
  !error "Build with scripts/make-installer (VERSION, PROGRAM, CLI, DATABASE, ICON, OUTFILE)"
!endif

!define PRODUCT "Tidewhisk"
!define EXE "Tidewhisk.exe"
!define UNINSTALLER "unins000.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\${PRODUCT}"
; Marks of a running instance: the mutex the main window creates and the single-instance section.
!define INSTANCE_MUTEX "Tidewhisk.exe"
!define INSTANCE_SECTION "{6F206A8B-C027-402C-A42B-C995932B5B89}"
; The uninstaller's shortcut, by language (the uninstaller removes whichever is there).
!define UNINSTALL_LNK_EN "Uninstall Tidewhisk"
!define UNINSTALL_LNK_FR "Désinstaller Tidewhisk"
!define UNINSTALL_LNK_DE "Tidewhisk deinstallieren"
!define UNINSTALL_LNK_ES "Desinstalar Tidewhisk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!pragma warning disable 9100 ; no copyright line in the version resource, as in the program's own
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Installer Language"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The program's four languages.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString SecProgram ${LANG_ENGLISH} "Tidewhisk (required)"
LangString SecProgram ${LANG_FRENCH} "Tidewhisk (requis)"
LangString SecProgram ${LANG_GERMAN} "Tidewhisk (erforderlich)"
LangString SecProgram ${LANG_SPANISH} "Tidewhisk (necesario)"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SecDesktop ${LANG_FRENCH} "Raccourci sur le Bureau"
LangString SecDesktop ${LANG_GERMAN} "Verknüpfung auf dem Desktop"
LangString SecDesktop ${LANG_SPANISH} "Acceso directo en el escritorio"
LangString UninstallLnk ${LANG_ENGLISH} "${UNINSTALL_LNK_EN}"
LangString UninstallLnk ${LANG_FRENCH} "${UNINSTALL_LNK_FR}"
LangString UninstallLnk ${LANG_GERMAN} "${UNINSTALL_LNK_DE}"
LangString UninstallLnk ${LANG_SPANISH} "${UNINSTALL_LNK_ES}"
LangString NeedsWin7 ${LANG_ENGLISH} "Tidewhisk needs Windows 7 or later."
LangString NeedsWin7 ${LANG_FRENCH} "Tidewhisk nécessite Windows 7 ou une version ultérieure."
LangString NeedsWin7 ${LANG_GERMAN} "Tidewhisk benötigt Windows 7 oder neuer."
LangString NeedsWin7 ${LANG_SPANISH} "Tidewhisk requiere Windows 7 o posterior."
LangString StillRunning ${LANG_ENGLISH} "Tidewhisk is still running and could not be ended. Close it, then choose Retry."
LangString StillRunning ${LANG_FRENCH} "Tidewhisk est toujours en cours d'exécution et n'a pas pu être fermé. Fermez-le, puis choisissez Réessayer."
LangString StillRunning ${LANG_GERMAN} "Tidewhisk läuft noch und konnte nicht beendet werden. Schließen Sie es und wählen Sie dann Wiederholen."
LangString StillRunning ${LANG_SPANISH} "Tidewhisk sigue en ejecución y no se pudo cerrar. Ciérrelo y elija Reintentar."
LangString KeepBackups ${LANG_ENGLISH} "Keep the registry backups? A later installation of Tidewhisk can restore the registry entries they hold."
LangString KeepBackups ${LANG_FRENCH} "Conserver les sauvegardes du Registre ? Une prochaine installation de Tidewhisk pourra rétablir les entrées qu'elles contiennent."
LangString KeepBackups ${LANG_GERMAN} "Die Registrierungssicherungen behalten? Eine spätere Installation von Tidewhisk kann die darin gesicherten Einträge wiederherstellen."
LangString KeepBackups ${LANG_SPANISH} "¿Conservar las copias de seguridad del registro? Una instalación posterior de Tidewhisk podrá restaurar las entradas que contienen."
LangString KeepCookies ${LANG_ENGLISH} "Keep the list of cookies to keep? A later installation of Tidewhisk will spare them again."
LangString KeepCookies ${LANG_FRENCH} "Conserver la liste des cookies à conserver ? Une prochaine installation de Tidewhisk les épargnera de nouveau."
LangString KeepCookies ${LANG_GERMAN} "Die Liste der zu behaltenden Cookies behalten? Eine spätere Installation von Tidewhisk verschont sie wieder."
LangString KeepCookies ${LANG_SPANISH} "¿Conservar la lista de cookies para conservar? Una instalación posterior de Tidewhisk volverá a respetarlas."

Var KeepBackups
Var KeepCookies

; Ends a running Tidewhisk of this session as its tray menu's Exit does, and waits until it is
; gone (it ends within 2.5 seconds; slow machines get 15). When it does not end, the user may
; close it and retry; cancelling (and a silent run) aborts before anything is changed.
!macro DEFINE_END_RUNNING UN
Function ${UN}IsRunning
  ; $0 = 1 while the main window's mutex or the single-instance section exists.
  Push $1
  StrCpy $0 0
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 1
  ${EndIf}
  System::Call 'kernel32::OpenFileMappingW(i 4, i 0, w "${INSTANCE_SECTION}") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 1
  ${EndIf}
  Pop $1
FunctionEnd

Function ${UN}EndRunning
  Push $0
  Push $1
  Push $2
  Call ${UN}IsRunning
  ${DoWhile} $0 = 1
    ; BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK to BSM_APPLICATIONS
    System::Call 'user32::RegisterWindowMessageW(w "UM_TERMINATE") i .r1'
    System::Call 'user32::BroadcastSystemMessageW(i 0x12, *i 8, i r1, p 0, p 0)'
    StrCpy $2 0
    ${Do}
      Sleep 100
      IntOp $2 $2 + 1
      Call ${UN}IsRunning
      ${If} $0 = 0
      ${OrIf} $2 >= 150
        ${ExitDo}
      ${EndIf}
    ${Loop}
    ${If} $0 = 1
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
      Abort "$(StillRunning)"
      retry:
    ${EndIf}
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_END_RUNNING ""
!insertmacro DEFINE_END_RUNNING "un."

Function .onInit
  ${IfNot} ${AtLeastWin7}
    MessageBox MB_OK|MB_ICONSTOP "$(NeedsWin7)" /SD IDOK
    Abort
  ${EndIf}
  SetShellVarContext all
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "$(SecProgram)" SecProgram
  SectionIn RO
  Call EndRunning
  SetOutPath "$INSTDIR"
  File "/oname=${EXE}" "${PROGRAM}"
  File "/oname=twcli.exe" "${CLI}"
  ; The help pages, opened by the program's Help.
  SetOutPath "$INSTDIR\help"
  File "/oname=help.css" "${HELP}/help.css"
  SetOutPath "$INSTDIR\help\en"
  File "/oname=index.html" "${HELP}/en/index.html"
  SetOutPath "$INSTDIR\help\fr"
  File "/oname=index.html" "${HELP}/fr/index.html"
  ; The scan database of this version replaces the one there (it holds only check states).
  SetOutPath "$APPDATA\${PRODUCT}"
  File "/oname=database.dat" "${DATABASE}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 \
                 SW_SHOWNORMAL "" "${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(UninstallLnk).lnk" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SecDesktop)" SecDesktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 \
                 SW_SHOWNORMAL "" "${PRODUCT}"
SectionEnd

Section "-DesktopChoice"
  ; A reinstallation without the desktop shortcut takes away the one made before.
  ${IfNot} ${SectionIsSelected} ${SecDesktop}
    Delete "$DESKTOP\${PRODUCT}.lnk"
  ${EndIf}
SectionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

; $0 = 1 when Pattern matches a file.
Function un.AnyFile
  Exch $1
  Push $2
  FindFirst $2 $0 "$1"
  ${If} $0 == ""
    StrCpy $0 0
  ${Else}
    StrCpy $0 1
  ${EndIf}
  FindClose $2
  Pop $2
  Pop $1
FunctionEnd

; Sets Var to 1 (keep) or 0 for the files matching Pattern: /PURGE keeps nothing, a silent run
; keeps everything, otherwise the user is asked when there is something to keep.
!macro ASK_KEEP VAR PATTERN QUESTION PURGE
  StrCpy ${VAR} 1
  ${If} ${PURGE} == 1
    StrCpy ${VAR} 0
  ${Else}
    Push "${PATTERN}"
    Call un.AnyFile
    ${If} $0 = 1
      MessageBox MB_YESNO|MB_ICONQUESTION "${QUESTION}" /SD IDYES IDYES +2
      StrCpy ${VAR} 0
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  Call un.EndRunning

  ${GetParameters} $R0
  StrCpy $R1 0
  ClearErrors
  ${GetOptions} $R0 "/PURGE" $R2
  ${IfNot} ${Errors}
    StrCpy $R1 1
  ${EndIf}
  StrCpy $R9 "$APPDATA\${PRODUCT}"
  !insertmacro ASK_KEEP $KeepBackups "$R9\Backup\*.bkp" "$(KeepBackups)" $R1
  !insertmacro ASK_KEEP $KeepCookies "$R9\Backup\cookies.dat" "$(KeepCookies)" $R1

  ; The program's files only: never the folder's other contents, so never a recursive delete.
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\twcli.exe"
  Delete "$INSTDIR\help\en\index.html"
  Delete "$INSTDIR\help\fr\index.html"
  Delete "$INSTDIR\help\help.css"
  RMDir "$INSTDIR\help\en"
  RMDir "$INSTDIR\help\fr"
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LNK_EN}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LNK_FR}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LNK_DE}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${UNINSTALL_LNK_ES}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  ; The data folder: the database (and what an interrupted save left), the log, and what the
  ; user does not keep.
  Delete "$R9\database.dat"
  Delete "$R9\database.dat.tmp~"
  Delete "$R9\Logger.txt"
  ${If} $KeepBackups = 0
    Delete "$R9\Backup\*.bkp"
    Delete "$R9\Backup\*.bkp.*.tmp~"
  ${EndIf}
  ${If} $KeepCookies = 0
    Delete "$R9\Backup\cookies.dat"
    Delete "$R9\Backup\cookies.dat.tmp~"
  ${EndIf}
  RMDir "$R9\Backup"
  RMDir "$R9"

  ; The log-on Run value and the settings the program wrote for this user (it has ended, so it
  ; cannot write them again), then the entry in the installed programs.
  DeleteRegValue HKCU "${RUN_KEY}" "${EXE}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
