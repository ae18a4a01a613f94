; Zelvan's Windows installer. Built by the windows_packages target, which
; passes VERSION (5.4), DISPLAY_VERSION (5.04), STAGE (the installed program
; folder) and OUTFILE. Chinese texts, hence -INPUTCHARSET UTF8.
;
; Installs for the current user without administrator rights by default
; (%LOCALAPPDATA%\Programs\Zelvan, HKCU); an administrator may choose all
; users (64-bit Program Files, HKLM). Silent: /S, with /CurrentUser or
; /AllUsers, and /D=folder.

!ifdef VERSION & DISPLAY_VERSION & STAGE & OUTFILE
!else
  !error "makensis -DVERSION=... -DDISPLAY_VERSION=... -DSTAGE=... -DOUTFILE=..."
!endif

Unicode true
; A 64-bit installer for a 64-bit program: Program Files and the registry
; are the 64-bit ones without redirection, and 32-bit Windows refuses it.
Target amd64-unicode
SetCompressor /SOLID lzma
; The payload is about 26 MB: a dictionary that holds all of it packs best.
SetCompressorDictSize 32
ManifestDPIAware true

!define PRODUCT "Zelvan"
!define PUBLISHER "Orvane"
!define DESCRIPTION "Zelvan PCB 单位换算"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER} ${PRODUCT} ${DISPLAY_VERSION}"
; Only its last part counts: a folder chosen with "Browse" gets \Zelvan
; appended. MultiUser sets the real default in .onInit.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
; An administrator who installed for all users gets that mode again.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "UninstallString"
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_FUNCTION OnInstallModeSet
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "..\..\resources\icons\zelvan.ico"
!define MUI_UNICON "..\..\resources\icons\zelvan.ico"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsTheUser
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${DESCRIPTION} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${DISPLAY_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${DISPLAY_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "© ${PUBLISHER}"

; An administrator's installer runs elevated; the program should not. The
; shell starts it with the user's own rights.
Function RunAsTheUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\zelvan.exe"'
FunctionEnd

; The folder given with /D=, which wins over the default of either mode.
Var CommandLineDir

Function .onInit
  ${If} $INSTDIR != "$LOCALAPPDATA\Programs\${PRODUCT}"
    StrCpy $CommandLineDir $INSTDIR
  ${EndIf}
  !define /redef MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "您的帐户没有管理员权限，不能为本机所有用户安装 ${PRODUCT}。"
  !insertmacro MULTIUSER_INIT
FunctionEnd

; Called whenever the mode is set: on start, from the command line and when
; leaving the mode page. A reinstall goes where the earlier one went.
Function OnInstallModeSet
  ${If} $CommandLineDir != ""
    StrCpy $INSTDIR $CommandLineDir
    Return
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; Uninstalling removes the program folder whole, so the installer only
; takes a folder that is empty, missing, or an earlier Zelvan's.
; Sets $0 to 1 when $INSTDIR may be used.
Function CheckInstallFolder
  StrCpy $0 1
  ${If} ${FileExists} "$INSTDIR\zelvan.exe"
  ${AndIf} ${FileExists} "$INSTDIR\uninstall.exe"
    Return
  ${EndIf}
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoUntil} ${Errors}
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      StrCpy $0 0
      ${Break}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

!define FOREIGN_FOLDER_TEXT "“$INSTDIR”中已有其他文件。卸载时会删除整个安装文件夹，请选择一个空文件夹或新文件夹。"

Function DirectoryLeave
  Call CheckInstallFolder
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${FOREIGN_FOLDER_TEXT}"
    Abort
  ${EndIf}
FunctionEnd

Section
  ; Again for /D= in silent mode, which has no directory page.
  Call CheckInstallFolder
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "${FOREIGN_FOLDER_TEXT}" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; An earlier version's files go first, so that the folder holds exactly
  ; this version's (no stale Qt plugins). One installed elsewhere in this
  ; mode goes too: its entry and shortcuts are about to be overwritten.
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} $1 != $INSTDIR
  ${AndIf} ${FileExists} "$1\uninstall.exe"
    RMDir /r "$1"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    RMDir /r "$INSTDIR"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; SetOutPath above makes the folder the shortcuts' working directory.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zelvan.exe" "" \
    "$INSTDIR\zelvan.exe" 0 SW_SHOWNORMAL "" "${DESCRIPTION}"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\zelvan.exe" "" \
    "$INSTDIR\zelvan.exe" 0 SW_SHOWNORMAL "" "${DESCRIPTION}"

  ; The mode switch makes the uninstaller take the same registry root and
  ; shortcut folders.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zelvan.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !define /redef MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "您的帐户没有管理员权限，不能卸载为本机所有用户安装的 ${PRODUCT}。"
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The document mode the web panel asks of the browser control, kept per user.
  DeleteRegValue HKCU "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION" "zelvan.exe"
  DeleteRegValue HKCU "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION" "zelvan-adverthost.exe"

  ; $INSTDIR is this uninstaller's folder; one without it is not ours.
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    RMDir /r "$INSTDIR"
    ; Windows keeps a running program's files.
    ${If} ${FileExists} "$INSTDIR\*"
      MessageBox MB_OK|MB_ICONEXCLAMATION \
        "有文件正在使用，未能删除。请关闭 ${PRODUCT} 后手动删除“$INSTDIR”。" /SD IDOK
    ${EndIf}
  ${EndIf}
SectionEnd
