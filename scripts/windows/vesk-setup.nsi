; The per-machine installer of the portable folder that build.sh gathers, made with makensis:
;   makensis -DVERSION=1.0 -DSOURCE=<portable folder> -DICON=<vesk.ico> \
;            -DFILES=<uninstall list> -DOUTFILE=<vesk-setup-1.0-x64.exe> vesk-setup.nsi
; FILES lists a Delete line for every file of the folder and an RMDir line for every
; subfolder, deepest first, so the uninstaller removes exactly what was installed and never
; the user's settings (%APPDATA%\VESK), log or snapshots (%LOCALAPPDATA%\VESK), wherever the
; program was put.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VESK"

Name "VESK"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VESK"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(KeptFiles)"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first is the fall-back; otherwise the one matching Windows' display language is used.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "TradChinese"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString KeptFiles ${LANG_ENGLISH} "VESK will be removed. Your settings in %APPDATA%\VESK and your log and snapshots in %LOCALAPPDATA%\VESK stay."
LangString KeptFiles ${LANG_TRADCHINESE} "即將移除 VESK。您在 %APPDATA%\VESK 中的設定，以及 %LOCALAPPDATA%\VESK 中的記錄檔與快照會保留。"
LangString KeptFiles ${LANG_SIMPCHINESE} "即将移除 VESK。您在 %APPDATA%\VESK 中的设置，以及 %LOCALAPPDATA%\VESK 中的日志和快照会保留。"

Function .onInit
    ${IfNot} ${RunningX64}
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}/*"
    File "/oname=vesk.ico" "${ICON}"
    ; Tells the program that it is an installed copy, which keeps its files in the user's
    ; folders even where every user may write into this one.
    FileOpen $0 "$INSTDIR\vesk-installed.txt" w
    FileWrite $0 "Installed by vesk-setup-${VERSION}-x64.exe. VESK keeps its settings in %APPDATA%\VESK, its log and snapshots in %LOCALAPPDATA%\VESK.$\r$\n"
    FileClose $0
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\VESK.lnk" "$INSTDIR\vesk.exe" "" "$INSTDIR\vesk.ico"

    ; Apps & Features.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "VESK"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "korvany"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vesk.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\VESK.lnk"
    !include "${FILES}"
    Delete "$INSTDIR\vesk.ico"
    Delete "$INSTDIR\vesk-installed.txt"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: whatever else is there is not the program's.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
