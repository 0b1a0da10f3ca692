; The Windows installer, built by NSIS's makensis from apps/win32/CMakeLists.txt,
; which passes:
;   VERSION    the project's version, MAJOR.MINOR.PATCH
;   HOMEPAGE   the product's web address
;   MURALSET   Muralset.exe, the editor
;   MURALRUN   Muralrun.exe, the applier
;   ICON       the program icon (artwork/muralis.ico)
;   LICENSE    the license text shown before the install
;   OUTFILE    the installer to write
;
; Installed for the current user only, with no administrator rights: both
; programs in a folder of their own under %LOCALAPPDATA%\Programs (the
; schedule may live in %LOCALAPPDATA%\Muralis, which the uninstaller never
; touches), the editor in the Start menu, and an entry in the list of
; installed programs. Silent with /S, both ways. The uninstaller also removes
; what the editor registered to start Muralrun: the start-up shortcut and the
; day-change task.

Unicode true
; The programs are 64-bit; a 64-bit installer also runs where no 32-bit
; subsystem is installed.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Muralis"
!define PUBLISHER "The Muralis team"

Name "Muralis"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Muralis"
; An update goes where the earlier install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Muralis"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Muralis installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT license"

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Muralset.exe"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The installer speaks the user's language when it is one the programs speak.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"

Section
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "/oname=Muralset.exe" "${MURALSET}"
    File "/oname=Muralrun.exe" "${MURALRUN}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateShortcut "$SMPROGRAMS\Muralis.lnk" "$INSTDIR\Muralset.exe" "" "$INSTDIR\Muralset.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Muralis"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Muralset.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "HelpLink" "${HOMEPAGE}"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; In kilobytes, for the list of installed programs.
    SectionGetSize 0 $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    ; First the task the editor registers at each save to start Muralrun when
    ; the day changes, under the name of either language it speaks.
    ; schtasks says so when there is none, which is no failure here; nsExec
    ; runs it without a console window.
    nsExec::Exec `"$SYSDIR\schtasks.exe" /Delete /TN "Today's Wallpaper" /F`
    Pop $0
    nsExec::Exec `"$SYSDIR\schtasks.exe" /Delete /TN "Papier-peint du jour" /F`
    Pop $0
    Delete "$INSTDIR\Muralset.exe"
    Delete "$INSTDIR\Muralrun.exe"
    Delete "$INSTDIR\Uninstall.exe"
    ; Only if empty: whatever the user put there stays.
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Muralis.lnk"
    ; The start-up shortcut the editor makes on a first run, under the name
    ; of either language it speaks: it would start a program that is gone.
    Delete "$SMSTARTUP\Today's Wallpaper.lnk"
    Delete "$SMSTARTUP\Papier-peint du jour.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
