; Zelvan's Windows installer. Built by the windows_packages target, which
; passes VERSION (5.4), DISPLAY_VERSION (5.04), STAGE (the installed program
; folder) and OUTFILE, and SIGN (a program that signs the file it is given,
; or does nothing without a certificate). Chinese texts, hence
; -INPUTCHARSET UTF8.
;
; Installs for the current user with that user's own rights by default
; (%LOCALAPPDATA%\Programs\Zelvan, HKCU); choosing all users (64-bit
; Program Files, HKLM) starts the installer again with administrator rights,
; which is when Windows asks for them. Silent: /S, with /CurrentUser or
; /AllUsers, /AllowDowngrade, and /D=folder (last, unquoted).
;
; Exit codes beyond NSIS's own (1 cancelled, 2 aborted):
!define EXIT_FOLDER_TAKEN 2 ; the folder holds other files
!define EXIT_RUNNING 3      ; Zelvan of this install is running
!define EXIT_DOWNGRADE 4    ; a newer version is installed (/AllowDowngrade)
!define EXIT_OTHER_MODE 5   ; installed in the other mode (all users / just me)
!define EXIT_FILES 6        ; files could not be removed
!define EXIT_NO_RIGHTS 7    ; administrator rights were needed and not given

!ifdef VERSION & DISPLAY_VERSION & STAGE & OUTFILE
!else
  !error "makensis -DVERSION=... -DDISPLAY_VERSION=... -DSTAGE=... -DOUTFILE=... [-DSIGN=...]"
!endif

Unicode true
; A 64-bit installer for a 64-bit program: Program Files and the registry
; are the 64-bit ones without redirection, and 32-bit Windows refuses it.
Target amd64-unicode
SetCompressor /SOLID lzma
; The payload is about 26 MB: a dictionary that holds all of it packs best.
SetCompressorDictSize 32
ManifestDPIAware true
; No prompt for the default, per-user install; all users ask for it then.
RequestExecutionLevel user
; A file that cannot be written stops the install (Retry or Cancel): never
; an Ignore that leaves two versions' files mixed.
AllowSkipFiles off

!ifdef SIGN
  !finalize '"${SIGN}" "%1"'
  !uninstfinalize '"${SIGN}" "%1"'
!endif

!define PRODUCT "Zelvan"
!define PUBLISHER "Orvane"
!define DESCRIPTION "Zelvan PCB 单位换算"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER} ${PRODUCT} ${DISPLAY_VERSION}"
; Only its last part counts: a folder chosen with "Browse" gets \Zelvan
; appended. The mode sets the real default in .onInit.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

!define MUI_ICON "..\..\resources\icons\zelvan.ico"
!define MUI_UNICON "..\..\resources\icons\zelvan.ico"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!define MUI_PAGE_CUSTOMFUNCTION_PRE WelcomePre
!insertmacro MUI_PAGE_WELCOME
Page custom ModePage ModeLeave
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

; "CurrentUser" or "AllUsers"; 1 when the command line chose it.
Var Mode
Var ModeGiven
Var IsAdmin
; Set in the copy started with administrator rights: its welcome was seen.
Var Elevated
Var AllowDowngrade
; The folder given with /D=, which wins over the default of either mode.
Var CommandLineDir
Var RadioJustMe
Var RadioAllUsers

; What the installer and the uninstaller both need: whether this install's
; Zelvan runs, closing it, and removing the program's files.
!define CLOSE_OFFER_TEXT "${PRODUCT} 正在运行（“$R0”）。$\n$\n请先关闭它。点击“确定”将替您关闭它（如同点击其窗口的关闭按钮），然后继续；点击“取消”则退出，什么也不更改。"

!macro SHARED_FUNCTIONS UN
; $R0: a program folder. $R1: 1 when a Zelvan started from it is running,
; else 0. The program holds a mutex named after its folder (lower case, "\"
; written as "/"), in the global namespace or, where refused, its session's.
; One held by another user's process cannot be opened but still exists.
Function ${UN}IsRunningIn
  Push $0
  Push $1
  Push $2
  StrCpy $0 $R0
  System::Call 'user32::CharLowerW(w r0 r0)'
  ${WordReplace} $0 "\" "/" "+" $0
  StrCpy $R1 0
  ; SYNCHRONIZE (0x00100000); ERROR_ACCESS_DENIED (5) is another user's.
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\${PRODUCT}-$0") p .r1 ?e'
  Pop $2
  ${If} $1 P= 0
  ${AndIf} $2 != 5
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\${PRODUCT}-$0") p .r1 ?e'
    Pop $2
  ${EndIf}
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $R1 1
  ${ElseIf} $2 = 5
    StrCpy $R1 1
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Asks every visible top-level window of $R0\zelvan.exe to close, as its
; close box would: the program ends as the user would end it. Posted, so
; that no answer is waited for. Only this session's windows are reached.
Function ${UN}CloseProgramIn
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $0 0
  ${Do}
    System::Call 'user32::FindWindowExW(p 0, p r0, p 0, p 0) p .r0'
    ${IfThen} $0 P= 0 ${|} ${ExitDo} ${|}
    System::Call 'user32::IsWindowVisible(p r0) i .r1'
    ${IfThen} $1 = 0 ${|} ${Continue} ${|}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    ; PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r1) p .r2'
    ${IfThen} $2 P= 0 ${|} ${Continue} ${|}
    StrCpy $3 ""
    System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN}) i .r4'
    System::Call 'kernel32::CloseHandle(p r2)'
    ${If} $3 == "$R0\zelvan.exe"
      System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
    ${EndIf}
  ${Loop}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; $R0: a program folder. $R1: 0 when no Zelvan of it runs (any more), 1
; when one still does. Asks the user to let it be closed; silently, only
; tells.
Function ${UN}EnsureNotRunning
  Push $0
  ${Do}
    Call ${UN}IsRunningIn
    ${IfThen} $R1 = 0 ${|} ${ExitDo} ${|}
    ${IfThen} ${Silent} ${|} ${ExitDo} ${|}
    ${IfNot} ${Cmd} `MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "${CLOSE_OFFER_TEXT}" IDOK`
      ${ExitDo}
    ${EndIf}
    Call ${UN}CloseProgramIn
    ; It ends as soon as its windows are gone: a few seconds at most.
    ${For} $0 1 20
      Sleep 500
      Call ${UN}IsRunningIn
      ${IfThen} $R1 = 0 ${|} ${ExitFor} ${|}
    ${Next}
  ${Loop}
  Pop $0
FunctionEnd

; Deletes everything in the program folder $R0 but its uninstaller, which
; goes last, so that a folder that could not be emptied can still be
; uninstalled. $R1: 1 when something could not be deleted (Windows keeps
; a file another program has open), else 0.
Function ${UN}RemoveProgramFiles
  Push $0
  Push $1
  StrCpy $R1 0
  ClearErrors
  FindFirst $0 $1 "$R0\*"
  ${DoUntil} ${Errors}
    ${If} $1 != "."
    ${AndIf} $1 != ".."
    ${AndIf} $1 != "uninstall.exe"
      ${If} ${FileExists} "$R0\$1\*"
        RMDir /r "$R0\$1"
      ${Else}
        Delete "$R0\$1"
      ${EndIf}
      ${IfThen} ${FileExists} "$R0\$1" ${|} StrCpy $R1 1 ${|}
    ${EndIf}
    ClearErrors
    FindNext $0 $1
  ${Loop}
  FindClose $0
  Pop $1
  Pop $0
FunctionEnd

; Starts this program again with administrator rights (Windows asks for
; them now) and the parameters in $R0, and waits for it. $R1: 1 when it
; could not be started (the user declined), else 0 with its exit code in
; $R2. ShellExecuteExW rather than ExecShellWait, for that exit code: the
; SHELLEXECUTEINFOW is laid out for 64 bits with its padding written out.
Function ${UN}RunElevated
  Push $0
  Push $1
  Push $2
  HideWindow
  ; cbSize, SEE_MASK_NOCLOSEPROCESS, hwnd, verb, file, parameters,
  ; directory, nShow (+pad), hInstApp, idList, class, hkeyClass,
  ; hotKey (+pad), hIcon, hProcess.
  System::Call '*(i 112, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w "$R0", p 0, i ${SW_SHOWNORMAL}, i 0, \
    p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .r0'
  System::Call 'shell32::ShellExecuteExW(p r0) i .r1'
  System::Call '*$0(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .r2)'
  System::Free $0
  ${If} $1 = 0
  ${OrIf} $2 P= 0
    StrCpy $R1 1
    BringToFront
  ${Else}
    StrCpy $R1 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r2, *i .R2)'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; An administrator's installer runs elevated; the program should not. The
; shell starts it with the user's own rights.
Function RunAsTheUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\zelvan.exe"'
FunctionEnd

; The mode's folders, registry root and default folder; an upgrade goes
; where the earlier one of this mode went, and /D= wins over both.
Function ApplyMode
  ${If} $Mode == "AllUsers"
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${IfThen} $0 != "" ${|} StrCpy $INSTDIR $0 ${|}
  ${IfThen} $CommandLineDir != "" ${|} StrCpy $INSTDIR $CommandLineDir ${|}
FunctionEnd

Function .onInit
  ${If} $INSTDIR != "$LOCALAPPDATA\Programs\${PRODUCT}"
    StrCpy $CommandLineDir $INSTDIR
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${Else}
    StrCpy $IsAdmin 0
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AllowDowngrade" $0
  ${IfNot} ${Errors}
    StrCpy $AllowDowngrade 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/Elevated" $0
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $0
  ${IfNot} ${Errors}
    StrCpy $Mode "AllUsers"
    StrCpy $ModeGiven 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $0
  ${IfNot} ${Errors}
    StrCpy $Mode "CurrentUser"
    StrCpy $ModeGiven 1
  ${EndIf}
  ; Without a choice, an upgrade keeps the earlier install's mode.
  ${If} $Mode == ""
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${AndIf} $1 != ""
      StrCpy $Mode "AllUsers"
    ${Else}
      StrCpy $Mode "CurrentUser"
    ${EndIf}
  ${EndIf}
  Call ApplyMode
  ${If} ${Silent}
    Call ModeChosen
    ${IfThen} $R1 = 1 ${|} Quit ${|}
  ${EndIf}
FunctionEnd

; Once the mode is known: administrator rights for all users, then what
; the machine already holds. Quits with the outcome when it had to start
; an elevated copy. $R1: 1 when the user (or, silently, the rules) said
; no, with the exit code set, else 0.
Function ModeChosen
  StrCpy $R1 0
  ; A "no" on the mode page before this one chose again.
  SetErrorLevel 0
  ${If} $Mode == "AllUsers"
  ${AndIf} $IsAdmin != 1
  ${AndIf} $Elevated == 1
    ; Started elevated, and still not an administrator: never again.
    MessageBox MB_OK|MB_ICONSTOP "没有获得管理员权限，不能为本机所有用户安装 ${PRODUCT}。" /SD IDOK
    SetErrorLevel ${EXIT_NO_RIGHTS}
    Quit
  ${ElseIf} $Mode == "AllUsers"
  ${AndIf} $IsAdmin != 1
    StrCpy $R0 "/AllUsers /Elevated"
    ${IfThen} ${Silent} ${|} StrCpy $R0 "$R0 /S" ${|}
    ${IfThen} $AllowDowngrade == 1 ${|} StrCpy $R0 "$R0 /AllowDowngrade" ${|}
    ${IfThen} $CommandLineDir != "" ${|} StrCpy $R0 "$R0 /D=$CommandLineDir" ${|}
    Call RunElevated
    ${If} $R1 = 1
      MessageBox MB_OK|MB_ICONSTOP "没有获得管理员权限，不能为本机所有用户安装 ${PRODUCT}。" /SD IDOK
      SetErrorLevel ${EXIT_NO_RIGHTS}
      Quit
    ${EndIf}
    ; The elevated copy reported to its user; its outcome is this one's.
    SetErrorLevel $R2
    Quit
  ${EndIf}

  ; Two copies, one per mode, would each show in Programs and Features and
  ; on the desktop.
  ${If} $Mode == "AllUsers"
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    StrCpy $1 "您已为自己安装了 ${PRODUCT}（“$0”）。再为所有用户安装一份，“应用”中和桌面上都将出现两个 ${PRODUCT}。$\n$\n继续吗？"
  ${Else}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCpy $1 "本机已为所有用户安装了 ${PRODUCT}（“$0”）。再为您自己安装一份，“应用”中和桌面上都将出现两个 ${PRODUCT}。$\n$\n继续吗？"
  ${EndIf}
  ${If} $0 != ""
    ${If} ${Silent}
    ${OrIfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$1" IDYES`
      SetErrorLevel ${EXIT_OTHER_MODE}
      StrCpy $R1 1
      Return
    ${EndIf}
  ${EndIf}

  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    ${VersionCompare} "${DISPLAY_VERSION}" "$0" $1
    ${If} $1 = 2
    ${AndIf} $AllowDowngrade != 1
      ${If} ${Silent}
      ${OrIfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "已安装较新的 ${PRODUCT} $0。要换成旧版本 ${DISPLAY_VERSION} 吗？" IDYES`
        SetErrorLevel ${EXIT_DOWNGRADE}
        StrCpy $R1 1
        Return
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; The copy started with administrator rights skips what its user has seen.
Function WelcomePre
  ${IfThen} $Elevated == 1 ${|} Abort ${|}
FunctionEnd

Function ModePage
  ${If} $ModeGiven == 1
    Call ModeChosen
    ${IfThen} $R1 = 1 ${|} Quit ${|}
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "选择安装方式" "为谁安装 ${PRODUCT}？"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 20u 100% 12u "仅为我安装（不需要管理员权限）"
  Pop $RadioJustMe
  ${NSD_CreateRadioButton} 0 40u 100% 12u "为本机所有用户安装（需要管理员权限）"
  Pop $RadioAllUsers
  ${If} $Mode == "AllUsers"
    ${NSD_Check} $RadioAllUsers
  ${Else}
    ${NSD_Check} $RadioJustMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModeLeave
  ${NSD_GetState} $RadioAllUsers $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode "AllUsers"
  ${Else}
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  Call ApplyMode
  ; Said no: the other mode may still be chosen, or the install cancelled.
  Call ModeChosen
  ${IfThen} $R1 = 1 ${|} Abort ${|}
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
!define RUNNING_TEXT "${PRODUCT} 仍在运行，安装未做任何更改。请关闭 ${PRODUCT} 后重新安装。"
!define FILES_TEXT "无法删除旧版本的文件（“$R0”中有文件正在使用）。请关闭正在使用它们的程序后重新安装。"

; $R0, $R1: the folders a running Zelvan would keep from being replaced:
; this one and the earlier install's of this mode.
Function EnsureNoneRunning
  ReadRegStr $R2 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R0 $INSTDIR
  Call EnsureNotRunning
  ${If} $R1 = 0
  ${AndIf} $R2 != ""
  ${AndIf} $R2 != $INSTDIR
    StrCpy $R0 $R2
    Call EnsureNotRunning
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckInstallFolder
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${FOREIGN_FOLDER_TEXT}"
    Abort
  ${EndIf}
  Call EnsureNoneRunning
  ${IfThen} $R1 = 1 ${|} Abort ${|}
FunctionEnd

Section
  ; Again for /D= in silent mode, which has no directory page.
  Call CheckInstallFolder
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "${FOREIGN_FOLDER_TEXT}" /SD IDOK
    SetErrorLevel ${EXIT_FOLDER_TAKEN}
    Abort
  ${EndIf}
  ; Before any file is touched, and again after the pages: it may have been
  ; started since.
  Call EnsureNoneRunning
  ${If} $R1 = 1
    MessageBox MB_OK|MB_ICONSTOP "${RUNNING_TEXT}" /SD IDOK
    SetErrorLevel ${EXIT_RUNNING}
    Abort
  ${EndIf}

  ; An earlier version's files go first, so that the folder holds exactly
  ; this version's (no stale Qt plugins). One installed elsewhere in this
  ; mode goes too: its entry and shortcuts are about to be overwritten. The
  ; uninstallers go last: until then the earlier install stays removable.
  ReadRegStr $R2 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 != ""
  ${AndIf} $R2 != $INSTDIR
  ${AndIf} ${FileExists} "$R2\uninstall.exe"
    StrCpy $R0 $R2
    Call RemoveProgramFiles
    ${If} $R1 = 1
      MessageBox MB_OK|MB_ICONSTOP "${FILES_TEXT}" /SD IDOK
      SetErrorLevel ${EXIT_FILES}
      Abort
    ${EndIf}
    Delete "$R2\uninstall.exe"
    RMDir "$R2"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    StrCpy $R0 $INSTDIR
    Call RemoveProgramFiles
    ${If} $R1 = 1
      MessageBox MB_OK|MB_ICONSTOP "${FILES_TEXT}" /SD IDOK
      SetErrorLevel ${EXIT_FILES}
      Abort
    ${EndIf}
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
    '"$INSTDIR\uninstall.exe" /$Mode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$Mode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  UserInfo::GetAccountType
  Pop $0
  ${GetParameters} $1
  ; The entry names the mode; without it, the registry root that names this
  ; folder.
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $2
  ${If} ${Errors}
    ClearErrors
    ${GetOptions} $1 "/CurrentUser" $2
    ${If} ${Errors}
      ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $2 == $INSTDIR
        StrCpy $Mode "AllUsers"
      ${EndIf}
    ${EndIf}
  ${Else}
    StrCpy $Mode "AllUsers"
  ${EndIf}
  ${If} $Mode == "AllUsers"
    SetShellVarContext all
    ${If} $0 != "Admin"
      ; This is the copy in %TEMP%; the elevated one works on the same folder.
      StrCpy $R0 "/AllUsers"
      ${IfThen} ${Silent} ${|} StrCpy $R0 "$R0 /S" ${|}
      StrCpy $R0 "$R0 _?=$INSTDIR"
      Call un.RunElevated
      ${If} $R1 = 1
        MessageBox MB_OK|MB_ICONSTOP "您的帐户没有管理员权限，不能卸载为本机所有用户安装的 ${PRODUCT}。" /SD IDOK
        SetErrorLevel ${EXIT_NO_RIGHTS}
      ${Else}
        SetErrorLevel $R2
      ${EndIf}
      Quit
    ${EndIf}
  ${Else}
    StrCpy $Mode "CurrentUser"
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Files first, then the uninstaller, then what points at them (shortcuts,
; the entry): a removal that stops half-way leaves an install that can
; still be uninstalled, never an orphan.
Section "Uninstall"
  ; $INSTDIR is this uninstaller's folder; one without it is not ours.
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    StrCpy $R0 $INSTDIR
    Call un.EnsureNotRunning
    ${If} $R1 = 1
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} 仍在运行，卸载未做任何更改。请关闭 ${PRODUCT} 后重新卸载。" /SD IDOK
      SetErrorLevel ${EXIT_RUNNING}
      Abort
    ${EndIf}
    Call un.RemoveProgramFiles
    ${If} $R1 = 1
      MessageBox MB_OK|MB_ICONSTOP "“$INSTDIR”中有文件正在使用，未能删除。请关闭正在使用它们的程序后重新卸载。" /SD IDOK
      SetErrorLevel ${EXIT_FILES}
      Abort
    ${EndIf}
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The document mode the web panel asks of the browser control, kept per user.
  DeleteRegValue HKCU "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION" "zelvan.exe"
  DeleteRegValue HKCU "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION" "zelvan-adverthost.exe"
SectionEnd
