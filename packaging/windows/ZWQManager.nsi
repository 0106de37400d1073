; The Windows installer of ZWQ-менеджер (NSIS 3, Unicode, Russian interface).
;
; The build defines: VERSION (x.y.z), PROGRAM64 and PROGRAM32 (the two ZWQManager.exe builds),
; SHELLEXT64 and SHELLEXT32 (the two context-menu libraries), ICON, OUTFILE, and TARGET_AMD64 for
; a 64-bit installer. The one that is shipped is the 32-bit installer: it runs on every Windows
; and installs the 64-bit program on 64-bit Windows and the 32-bit one otherwise. Beside the
; program go the context-menu library of its own width and, on 64-bit Windows, the 32-bit one
; too, which the file dialogs of 32-bit programs load. The program registers them when it
; integrates itself into Explorer; the uninstaller unregisters them. The 64-bit installer is the same script for the tests, whose Wine runs
; 64-bit programs only.
;
; Switches: /S silent, /D=folder the installation folder; the uninstaller takes /S and
; /REMOVESETTINGS (also remove the user's settings file, which it otherwise keeps; without /S
; it asks).

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!ifdef TARGET_AMD64
    Target amd64-unicode
    ; A 64-bit installer knows it runs on 64-bit Windows, so the 32-bit branches of the
    ; ${If} ${RunningX64} tests fall away and leave their labels unused.
    !pragma warning disable 6012
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "ZWQ-менеджер"
!define PUBLISHER "kv8102tz"
!define WEBSITE "https://zwq-books.example/"
!define PROGRAM "ZWQManager.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZWQManager"
; What the program's integration writes below HKEY_CLASSES_ROOT.
!define FILE_TYPE ".ydr"
!define FILE_CLASS "ZWQManager"
; Files the program looks for beside itself: the extractor, which a user may have put there,
; and the context-menu libraries.
!define EXTRACTOR "unrar.exe"
!define SHELL_EXTENSION32 "ZWQShellExt32.dll"
!define SHELL_EXTENSION64 "ZWQShellExt64.dll"
; The settings file in the user's application-data folder.
!define SETTINGS_FOLDER "kv8102tz"
!define SETTINGS_SUBFOLDER "ZWQManager"
!define SETTINGS_FILE "ZWQManager.ini"
; The chosen card's volume, kept beside the settings.
!define CARD_IDENTITY_FILE "ZWQManager.card"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The last page's tick: the installed program integrates itself into Explorer. The installer
; runs elevated, and so does the program it starts.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_TEXT "Интегрировать в проводник"
!define MUI_FINISHPAGE_RUN_FUNCTION Integrate

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка ${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "${PUBLISHER}"

; Both the installer and the uninstaller see the registry and Program Files as the installed
; program does: the 64-bit view on 64-bit Windows.
!macro UseProgramsView
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
!macroend

Function .onInit
    !insertmacro UseProgramsView
    ; /D= on the command line comes first, then the folder of an earlier installation.
    ${If} $INSTDIR == ""
        ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${EndIf}
    ${If} $INSTDIR == ""
        ${If} ${RunningX64}
            StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
        ${Else}
            StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
        ${EndIf}
    ${EndIf}
FunctionEnd

; Puts a context-menu library in place. Explorer may hold the copy of an earlier installation
; loaded, which cannot be overwritten but can be moved aside; the moved copy goes at the next
; restart.
!macro InstallShellExtension SOURCE NAME
    ${If} ${FileExists} "$INSTDIR\${NAME}"
        Delete "$INSTDIR\${NAME}"
        ${If} ${FileExists} "$INSTDIR\${NAME}"
            Delete "$INSTDIR\${NAME}.old"
            Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
            Delete /REBOOTOK "$INSTDIR\${NAME}.old"
        ${EndIf}
    ${EndIf}
    File "/oname=${NAME}" "${SOURCE}"
!macroend

Section
    SetOutPath "$INSTDIR"
    ${If} ${RunningX64}
        File "/oname=${PROGRAM}" "${PROGRAM64}"
        !insertmacro InstallShellExtension "${SHELLEXT64}" "${SHELL_EXTENSION64}"
        !insertmacro InstallShellExtension "${SHELLEXT32}" "${SHELL_EXTENSION32}"
    ${Else}
        File "/oname=${PROGRAM}" "${PROGRAM32}"
        !insertmacro InstallShellExtension "${SHELLEXT32}" "${SHELL_EXTENSION32}"
    ${EndIf}
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    SetShellVarContext all
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

    ; "Programs and Features".
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${WEBSITE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\${PROGRAM}$\",0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\${UNINSTALLER}$\""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\${UNINSTALLER}$\" /S"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function Integrate
    Exec '"$INSTDIR\${PROGRAM}" /integrate'
FunctionEnd

Function un.onInit
    !insertmacro UseProgramsView
FunctionEnd

; Unregisters a context-menu library beside the program, if it is there, with the system's
; regsvr32 (on 64-bit Windows the 64-bit one, which hands a 32-bit library to its 32-bit
; sibling), and waits for it, so that the library is no longer registered when it is removed.
!macro UnregisterShellExtension LIBRARY
    ${If} ${FileExists} "$INSTDIR\${LIBRARY}"
        ExecWait '"$SYSDIR\regsvr32.exe" /s /u "$INSTDIR\${LIBRARY}"'
    ${EndIf}
!macroend

Section "Uninstall"
    ; The Explorer integration, removed here as "/desintegrate" removes it: the program started
    ; with that switch would stay open as a window, so the uninstaller does the same work. The
    ; file type is only removed while it still names our class.
    ReadRegStr $0 HKCR "${FILE_TYPE}" ""
    ${If} $0 == "${FILE_CLASS}"
        DeleteRegKey HKCR "${FILE_TYPE}"
    ${EndIf}
    DeleteRegKey HKCR "${FILE_CLASS}"
    ${If} ${RunningX64}
        ${DisableX64FSRedirection}
        !insertmacro UnregisterShellExtension "${SHELL_EXTENSION32}"
        !insertmacro UnregisterShellExtension "${SHELL_EXTENSION64}"
        ${EnableX64FSRedirection}
    ${Else}
        !insertmacro UnregisterShellExtension "${SHELL_EXTENSION32}"
    ${EndIf}

    ; The program with what the user put beside it; a folder that still holds anything else
    ; stays. A library Explorer still holds loaded goes at the next restart.
    Delete "$INSTDIR\${PROGRAM}"
    Delete "$INSTDIR\${EXTRACTOR}"
    Delete /REBOOTOK "$INSTDIR\${SHELL_EXTENSION32}"
    Delete /REBOOTOK "$INSTDIR\${SHELL_EXTENSION64}"
    Delete /REBOOTOK "$INSTDIR\${SHELL_EXTENSION32}.old"
    Delete /REBOOTOK "$INSTDIR\${SHELL_EXTENSION64}.old"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; The settings file of the user running the uninstaller stays unless asked for.
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/REMOVESETTINGS" $2
    ${If} ${Errors}
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
            "Удалить также ваши настройки ${PRODUCT} (выбранную карту памяти)?" /SD IDNO IDYES remove_settings
        Goto settings_done
    ${EndIf}
    remove_settings:
    SetShellVarContext current
    Delete "$APPDATA\${SETTINGS_FOLDER}\${SETTINGS_SUBFOLDER}\${SETTINGS_FILE}"
    Delete "$APPDATA\${SETTINGS_FOLDER}\${SETTINGS_SUBFOLDER}\${CARD_IDENTITY_FILE}"
    RMDir "$APPDATA\${SETTINGS_FOLDER}\${SETTINGS_SUBFOLDER}"
    RMDir "$APPDATA\${SETTINGS_FOLDER}"
    settings_done:
SectionEnd
