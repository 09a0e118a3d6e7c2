; Kelto's Windows setup program, made by scripts/windows-package.sh with makensis on Linux. The
; script passes VERSION, STAGE (the folder of the program's files, as the portable zip has
; them), UNINSTALL_LIST (the Delete and RMDir lines for those files), SIZE_KB, ICON and OUTFILE.
; Installs for every user of the machine: the program in Program Files, a Start menu entry,
; workspace files (.kws) opening in Kelto, Kelto in the "Open with" list of C sources and
; headers, and an uninstaller in Apps & features. /S installs and uninstalls silently.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh

!define APP "Kelto"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelto"
!define CLASSES "Software\Classes"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey "CompanyName" "Kelto developers"
VIAddVersionKey "LegalCopyright" "GNU General Public License, version 2"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\kelto.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Kelto" SecMain
    SectionIn RO
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    SetShellVarContext all
    CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\kelto.exe" "" "$INSTDIR\kelto.exe" 0 \
        SW_SHOWNORMAL "" "Edit, build and publish Quake III Arena mods"

    ; Workspace files open in Kelto, with its icon.
    WriteRegStr HKLM "${CLASSES}\.kws" "" "Kelto.Workspace"
    WriteRegStr HKLM "${CLASSES}\.kws" "Content Type" "application/x-kelto-workspace"
    WriteRegStr HKLM "${CLASSES}\Kelto.Workspace" "" "Kelto workspace"
    WriteRegStr HKLM "${CLASSES}\Kelto.Workspace\DefaultIcon" "" "$INSTDIR\kelto.exe,0"
    WriteRegStr HKLM "${CLASSES}\Kelto.Workspace\shell\open\command" "" '"$INSTDIR\kelto.exe" "%1"'
    ; C sources and headers: Kelto is offered under "Open with", their default stays as it is.
    WriteRegStr HKLM "${CLASSES}\Kelto.Source" "" "C source"
    WriteRegStr HKLM "${CLASSES}\Kelto.Source\DefaultIcon" "" "$INSTDIR\kelto.exe,0"
    WriteRegStr HKLM "${CLASSES}\Kelto.Source\shell\open\command" "" '"$INSTDIR\kelto.exe" "%1"'
    WriteRegStr HKLM "${CLASSES}\.c\OpenWithProgids" "Kelto.Source" ""
    WriteRegStr HKLM "${CLASSES}\.h\OpenWithProgids" "Kelto.Source" ""
    WriteRegStr HKLM "${CLASSES}\Applications\kelto.exe" "FriendlyAppName" "${APP}"
    WriteRegStr HKLM "${CLASSES}\Applications\kelto.exe\shell\open\command" "" \
        '"$INSTDIR\kelto.exe" "%1"'
    WriteRegStr HKLM "${CLASSES}\Applications\kelto.exe\SupportedTypes" ".c" ""
    WriteRegStr HKLM "${CLASSES}\Applications\kelto.exe\SupportedTypes" ".h" ""
    WriteRegStr HKLM "${CLASSES}\Applications\kelto.exe\SupportedTypes" ".kws" ""
    ; SHCNE_ASSOCCHANGED: Explorer reads the file types again.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kelto developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelto.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
    ; Only the files the setup put there: anything of the user's in the folder stays.
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${APP}.lnk"

    ; The file types, where they are still Kelto's.
    ReadRegStr $0 HKLM "${CLASSES}\.kws" ""
    ${If} $0 == "Kelto.Workspace"
        DeleteRegKey HKLM "${CLASSES}\.kws"
    ${EndIf}
    DeleteRegKey HKLM "${CLASSES}\Kelto.Workspace"
    DeleteRegKey HKLM "${CLASSES}\Kelto.Source"
    DeleteRegValue HKLM "${CLASSES}\.c\OpenWithProgids" "Kelto.Source"
    DeleteRegValue HKLM "${CLASSES}\.h\OpenWithProgids" "Kelto.Source"
    DeleteRegKey /ifempty HKLM "${CLASSES}\.c\OpenWithProgids"
    DeleteRegKey /ifempty HKLM "${CLASSES}\.h\OpenWithProgids"
    DeleteRegKey HKLM "${CLASSES}\Applications\kelto.exe"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
