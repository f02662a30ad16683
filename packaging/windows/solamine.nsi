; The solamine installer. scripts/windows.sh calls makensis with
;   -DVERSION=1.4 -DSOURCE=<the folder of the zip> -DOUTFILE=<setup.exe> -DFILES=<files.nsh>
; FILES lists the installed files (File and Delete lines), so the uninstaller removes exactly
; those and never a folder the user chose with other files in it.
; An administrator installs into Program Files for all users; anyone else into their own
; programs folder (%LOCALAPPDATA%\Programs\solamine).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define APP solamine
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_INSTDIR ${APP}
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "Software\${APP}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!define MULTIUSER_MUI
!include MultiUser.nsh
!include MUI2.nsh

Name "ソラミネ ${VERSION}"
OutFile "${OUTFILE}"
Icon "${SOURCE}\solamine.ico"
UninstallIcon "${SOURCE}\solamine.ico"
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "${SOURCE}\solamine.ico"
!define MUI_UNICON "${SOURCE}\solamine.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; No "run now" on the finish page: the installer runs elevated, and so would the program it
; started, which would then create its settings in Program Files as the administrator's, a file
; the user's own runs cannot write.
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "solamine"
    !define INSTALL
    !include "${FILES}"
    !undef INSTALL
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\ソラミネ"
    CreateShortcut "$SMPROGRAMS\ソラミネ\ソラミネ.lnk" "$INSTDIR\solamine.exe"
    CreateShortcut "$SMPROGRAMS\ソラミネ\アンインストール.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr SHCTX "Software\${APP}" "InstallDir" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTKEY}" "DisplayName" "ソラミネ ${VERSION}"
    WriteRegStr SHCTX "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\solamine.exe"
    WriteRegStr SHCTX "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTKEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${FILES}"
    ; The settings the program wrote beside itself go with it; logs and recovery files are the
    ; user's and stay.
    Delete "$INSTDIR\solamine.ini"
    Delete "$INSTDIR\solamine-cli.ini"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    RMDir /r "$SMPROGRAMS\ソラミネ"
    DeleteRegKey SHCTX "${UNINSTKEY}"
    DeleteRegKey SHCTX "Software\${APP}"
SectionEnd
