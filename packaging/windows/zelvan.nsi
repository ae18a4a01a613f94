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
; Exit codes beyond NSIS's own, 1 (cancelled) and 2 (aborted: here, the new
; version could not be written; nothing was changed). Each is set just
; before the step that ends the run, never earlier: a code set on the way
; would stand for a cancel or a failure that comes later.
!define EXIT_RUNNING 3      ; Zelvan of this install is running
!define EXIT_DOWNGRADE 4    ; a newer version is installed (/AllowDowngrade)
!define EXIT_OTHER_MODE 5   ; installed in the other mode (all users / just me)
!define EXIT_FILES 6        ; the earlier version's files are in use
!define EXIT_NO_RIGHTS 7    ; administrator rights were needed and not given
!define EXIT_FOLDER_TAKEN 8 ; the folder holds other files
!define EXIT_NOT_A_FOLDER 9 ; /D= names nothing that can be a folder

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
; Set in the copy started with administrator rights: its welcome was seen,
; and the checks that read its user's registry were made by its user.
Var Elevated
Var AllowDowngrade
; 1 and the folder when /D= was given, which wins over the default of
; either mode and over an earlier install's folder.
Var DirGiven
Var CommandLineDir
Var RadioJustMe
Var RadioAllUsers
; The install as a transaction, undone by .onInstFailed: where the new
; version was written (1 in Fresh when that is the target itself, which
; did not exist in Created), the earlier version's folders moved aside,
; whether the new one was moved into place and registered, and the
; earlier registration to put back. FailCode: our exit code for the
; failure, empty for NSIS's own 2.
Var Staging
Var Fresh
Var Created
Var Aside
Var Swapped
Var Earlier
Var EarlierAside
Var Registered
Var FailCode
Var OldFolder
Var OldVersion
Var OldUninstall
Var OldQuietUninstall
Var OldSize

; What the installer and the uninstaller both need: whether this install's
; Zelvan runs, closing it, and removing the program's files.
!define CLOSE_OFFER_TEXT "${PRODUCT} 正在运行（“$R0”）。$\n$\n请先关闭它。点击“确定”将替您关闭它（如同点击其窗口的关闭按钮），然后继续；点击“取消”则退出，什么也不更改。"

!macro SHARED_FUNCTIONS UN
; Replaces the file handle on top of the stack with the identity of what
; it is open on: its volume serial number and file ID in hex, the same for
; every path that reaches it (another drive letter, a short name, other
; case), as the program builds it for its running mark
; (runningmark_win.cpp); "" when the system does not tell.
Function ${UN}HandleIdentity
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Push $9
  StrCpy $1 $0
  StrCpy $0 ""
  ; FILE_ID_INFO (FileIdInfo, 18): a 64-bit volume serial number and a
  ; 128-bit file ID, read as 32-bit words from the lowest.
  System::Call '*(i, i, i, i, i, i) p .r2'
  System::Call 'kernel32::GetFileInformationByHandleEx(p r1, i 18, p r2, i 24) i .r3'
  ${If} $3 <> 0
    System::Call '*$2(i .r4, i .r5, i .r6, i .r7, i .r8, i .r9)'
  ${Else}
    ; Some network file systems answer only BY_HANDLE_FILE_INFORMATION:
    ; a 32-bit serial number and a 64-bit index.
    System::Free $2
    System::Call '*(i, i, i, i, i, i, i, i, i, i, i, i, i) p .r2'
    System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i .r3'
    System::Call '*$2(i, i, i, i, i, i, i, i .r4, i, i, i, i .r7, i .r6)'
    StrCpy $5 0
    StrCpy $8 0
    StrCpy $9 0
  ${EndIf}
  System::Free $2
  ${If} $3 <> 0
    IntFmt $4 "%08X" $4
    IntFmt $5 "%08X" $5
    IntFmt $6 "%08X" $6
    IntFmt $7 "%08X" $7
    IntFmt $8 "%08X" $8
    IntFmt $9 "%08X" $9
    StrCpy $0 "$5$4-$9$8$7$6"
  ${EndIf}
  Pop $9
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Replaces the folder (or file) on top of the stack with its identity
; (HandleIdentity), "" when it cannot be opened. Every "is this that
; folder" question goes through it.
Function ${UN}FolderIdentity
  Exch $0
  Push $1
  ; FILE_READ_ATTRIBUTES, all sharing, OPEN_EXISTING, and
  ; FILE_FLAG_BACKUP_SEMANTICS, without which no folder opens.
  System::Call 'kernel32::CreateFileW(w r0, i 0x80, i 7, p 0, i 3, i 0x02000000, p 0) p .r1'
  StrCpy $0 ""
  ${If} $1 P<> -1
    Push $1
    Call ${UN}HandleIdentity
    Pop $0
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Replaces the two folders on top of the stack with 1 when they are one
; folder, else 0. Two that do not exist are the same when spelt alike.
Function ${UN}SameFolder
  Exch $1
  Exch
  Exch $0
  Push $2
  Push $3
  Push $0
  Call ${UN}FolderIdentity
  Pop $2
  Push $1
  Call ${UN}FolderIdentity
  Pop $3
  ${If} $2 != ""
    StrCpy $1 0
    ${IfThen} $2 == $3 ${|} StrCpy $1 1 ${|}
  ${ElseIf} $3 == ""
  ${AndIf} $0 == $1
    StrCpy $1 1
  ${Else}
    StrCpy $1 0
  ${EndIf}
  Pop $3
  Pop $2
  Pop $0
  Exch $1
FunctionEnd

; $0: the name of a running mark without its namespace. $R1 is set to 1
; when a process holds it, in the global namespace or, where refused, its
; session's; left as it is otherwise. One held by another user's process
; cannot be opened but still exists.
Function ${UN}MarkHeld
  Push $1
  Push $2
  ; SYNCHRONIZE (0x00100000); ERROR_ACCESS_DENIED (5) is another user's.
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\$0") p .r1 ?e'
  Pop $2
  ${If} $1 P= 0
  ${AndIf} $2 != 5
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\$0") p .r1 ?e'
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
FunctionEnd

; $R0: a program folder. $R1: 1 when a Zelvan started from it is running,
; else 0. The program holds a mutex named after its folder's identity.
; Copies of 5.4 built before that named the folder as they were started
; from it (lower case, "\" written as "/"): an upgrade over one of them
; still running started from the registered spelling is seen too.
Function ${UN}IsRunningIn
  Push $0
  StrCpy $R1 0
  Push $R0
  Call ${UN}FolderIdentity
  Pop $0
  ${If} $0 != ""
    StrCpy $0 "${PRODUCT}-$0"
    Call ${UN}MarkHeld
  ${EndIf}
  ${If} $R1 = 0
    StrCpy $0 $R0
    System::Call 'user32::CharLowerW(w r0 r0)'
    ${WordReplace} $0 "\" "/" "+" $0
    StrCpy $0 "${PRODUCT}-$0"
    Call ${UN}MarkHeld
  ${EndIf}
  Pop $0
FunctionEnd

; Asks every visible top-level window of a zelvan.exe in the folder $R0
; (however it was started) to close, as its close box would: the program
; ends as the user would end it. Posted, so that no answer is waited for.
; Only this session's windows are reached.
Function ${UN}CloseProgramIn
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $R0
  Call ${UN}FolderIdentity
  Pop $5
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
    ${GetFileName} $3 $4
    ${If} $4 == "zelvan.exe"
    ${AndIf} $5 != ""
      ${GetParent} $3 $4
      Push $4
      Call ${UN}FolderIdentity
      Pop $4
      ${If} $4 == $5
        System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
      ${EndIf}
    ${EndIf}
  ${Loop}
  Pop $5
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
  ${IfThen} $DirGiven == 1 ${|} StrCpy $INSTDIR $CommandLineDir ${|}
FunctionEnd

; Whether /D= was given, and what. NSIS takes it out of $CMDLINE, and puts
; the default folder in $INSTDIR when it is empty or names a file, so the
; process's own command line is read, as NSIS reads it: the first " /D=",
; to the end.
Function ReadDirGiven
  System::Call 'kernel32::GetCommandLineW() w .r0'
  StrLen $1 $0
  ${For} $2 0 $1
    StrCpy $3 $0 4 $2
    ${If} $3 S== " /D="
      IntOp $2 $2 + 4
      StrCpy $CommandLineDir $0 "" $2
      StrCpy $DirGiven 1
      ${ExitFor}
    ${EndIf}
  ${Next}
  ; "C:\Apps\Zelvan\" is the folder "C:\Apps\Zelvan".
  StrCpy $0 $CommandLineDir 1 -1
  StrLen $1 $CommandLineDir
  ${If} $0 == "\"
  ${AndIf} $1 > 3
    StrCpy $CommandLineDir $CommandLineDir -1
  ${EndIf}
FunctionEnd

; $R1: 1 when $R0 can be a program folder: a full path ("C:\…" or
; "\\server\share\…"), not a drive or share itself, with no character a
; name may not hold, and every part of it that exists a folder; else 0.
Function IsPossibleFolder
  Push $0
  Push $1
  Push $2
  StrCpy $R1 0
  System::Call 'shlwapi::PathGetDriveNumberW(w R0) i .r0'
  StrCpy $1 $R0 1 2
  ${If} $0 >= 0
  ${AndIf} $1 == "\"
    StrCpy $1 $R0 "" 2
  ${Else}
    System::Call 'shlwapi::PathIsUNCW(w R0) i .r0'
    StrCpy $1 ""
    ${IfThen} $0 <> 0 ${|} StrCpy $1 $R0 ${|}
  ${EndIf}
  ${If} $1 != ""
    StrCpy $2 ':*?"<>|'
    System::Call 'shlwapi::StrPBrkW(w r1, w r2) p .r0'
    System::Call 'shlwapi::PathIsRootW(w R0) i .r1'
    ${If} $0 P= 0
    ${AndIf} $1 = 0
      ; The nearest part that exists decides: a folder, or a file in the way.
      StrCpy $0 $R0
      ${Do}
        System::Call 'kernel32::GetFileAttributesW(w r0) i .r1'
        ${If} $1 <> -1
          ; FILE_ATTRIBUTE_DIRECTORY
          IntOp $1 $1 & 0x10
          ${IfThen} $1 <> 0 ${|} StrCpy $R1 1 ${|}
          ${ExitDo}
        ${EndIf}
        ${GetParent} $0 $1
        ; Nothing of it exists: a drive that is not there.
        ${If} $1 == ""
        ${OrIf} $1 == $0
          ${ExitDo}
        ${EndIf}
        ; "C:" is the drive's current folder: "C:\" is its root.
        StrCpy $2 $1 1 -1
        ${IfThen} $2 == ":" ${|} StrCpy $1 "$1\" ${|}
        StrCpy $0 $1
      ${Loop}
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function .onInit
  Call ReadDirGiven
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
  ${If} $DirGiven == 1
    StrCpy $R0 $CommandLineDir
    Call IsPossibleFolder
    ${If} $R1 = 0
      MessageBox MB_OK|MB_ICONSTOP "“$CommandLineDir”不能作为安装文件夹。请给出一个完整的文件夹路径，例如 C:\Apps\${PRODUCT}。" /SD IDOK
      SetErrorLevel ${EXIT_NOT_A_FOLDER}
      Quit
    ${EndIf}
  ${EndIf}
  Call ApplyMode
  ${If} ${Silent}
    Call ModeChosen
    ${If} $R1 <> 0
      SetErrorLevel $R1
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; Once the mode is known: what the machine already holds, asked of the
; user (and read from the user's registry) before anything else, then
; administrator rights for all users; quits with the outcome when it had to
; start an elevated copy. $R1: the exit code when the user (or, silently,
; the rules) said no, else 0. Sets no exit code itself: a "no" on the mode
; page lets the user choose again or cancel.
Function ModeChosen
  StrCpy $R1 0
  ; The copy that started the elevated one asked all this already, of its
  ; own user: the elevated one may be another account with another HKCU.
  ${If} $Elevated != 1
    ; Two copies, one per mode, would each show in Programs and Features
    ; and on the desktop.
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
        StrCpy $R1 ${EXIT_OTHER_MODE}
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
          StrCpy $R1 ${EXIT_DOWNGRADE}
          Return
        ${EndIf}
        StrCpy $AllowDowngrade 1
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ${If} $Mode == "AllUsers"
  ${AndIf} $IsAdmin != 1
    ${If} $Elevated != 1
      StrCpy $R0 "/AllUsers /Elevated"
      ${IfThen} ${Silent} ${|} StrCpy $R0 "$R0 /S" ${|}
      ${IfThen} $AllowDowngrade == 1 ${|} StrCpy $R0 "$R0 /AllowDowngrade" ${|}
      ${IfThen} $DirGiven == 1 ${|} StrCpy $R0 "$R0 /D=$CommandLineDir" ${|}
      Call RunElevated
      ${If} $R1 = 0
        ; The elevated copy reported to its user; its outcome is this one's.
        SetErrorLevel $R2
        Quit
      ${EndIf}
    ${EndIf}
    ; Declined, or started elevated and still not an administrator.
    MessageBox MB_OK|MB_ICONSTOP "没有获得管理员权限，不能为本机所有用户安装 ${PRODUCT}。" /SD IDOK
    SetErrorLevel ${EXIT_NO_RIGHTS}
    Quit
  ${EndIf}
FunctionEnd

; The copy started with administrator rights skips what its user has seen.
Function WelcomePre
  ${IfThen} $Elevated == 1 ${|} Abort ${|}
FunctionEnd

Function ModePage
  ${If} $ModeGiven == 1
    Call ModeChosen
    ${If} $R1 <> 0
      SetErrorLevel $R1
      Quit
    ${EndIf}
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
  ${IfThen} $R1 <> 0 ${|} Abort ${|}
FunctionEnd

; Uninstalling removes the program folder whole, so the installer only
; takes a folder that is empty, missing, or an earlier Zelvan's: the
; program and its uninstaller, or the uninstaller alone in the registered
; folder (a removal that stopped half-way). Sets $0 to 1 when $INSTDIR may
; be used.
Function CheckInstallFolder
  StrCpy $0 1
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    ${IfThen} ${FileExists} "$INSTDIR\zelvan.exe" ${|} Return ${|}
    ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    Push $1
    Push $INSTDIR
    Call SameFolder
    Pop $1
    ${IfThen} $1 = 1 ${|} Return ${|}
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
!define FILES_TEXT "旧版本的文件正在使用中（“$R0”），安装未做任何更改。请关闭正在使用它们的程序后重新安装。"
!define WRITE_TEXT "无法写入“$R0”（磁盘已满，或没有写入权限），安装未做任何更改。"

; $R0, $R1: the folders a running Zelvan would keep from being replaced:
; this one and the earlier install's of this mode.
Function EnsureNoneRunning
  ReadRegStr $R2 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R0 $INSTDIR
  Call EnsureNotRunning
  ${If} $R1 = 0
  ${AndIf} $R2 != ""
    Push $R2
    Push $INSTDIR
    Call SameFolder
    Pop $0
    ${If} $0 = 0
      StrCpy $R0 $R2
      Call EnsureNotRunning
    ${EndIf}
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

; Moves the folder $R0 aside, to a new name beside it; $R1: that name, or ""
; when it could not be moved (a file in it is open: Windows refuses to
; rename a folder that holds one).
Function MoveAside
  Push $0
  Push $1
  Push $2
  StrCpy $R1 ""
  ${For} $0 1 99
    System::Call 'kernel32::MoveFileExW(w R0, w "$R0.old$0", i 0) i .r1 ?e'
    Pop $2
    ${If} $1 <> 0
      StrCpy $R1 "$R0.old$0"
      ${ExitFor}
    ${EndIf}
    ; ERROR_ALREADY_EXISTS, ERROR_FILE_EXISTS: the next name.
    ${If} $2 <> 183
    ${AndIf} $2 <> 80
      ${ExitFor}
    ${EndIf}
  ${Next}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Creates a new, empty folder beside $R0; $R1: its name, or "".
Function NewFolderBeside
  Push $0
  Push $1
  Push $2
  StrCpy $R1 ""
  ${For} $0 1 99
    System::Call 'kernel32::CreateDirectoryW(w "$R0.new$0", p 0) i .r1 ?e'
    Pop $2
    ${If} $1 <> 0
      StrCpy $R1 "$R0.new$0"
      ${ExitFor}
    ${EndIf}
    ${IfThen} $2 <> 183 ${|} ${ExitFor} ${|}
  ${Next}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Points the shortcuts at $R0\zelvan.exe. The error flag tells a failure.
Function ShortcutsTo
  ; The folder is the shortcuts' working directory.
  SetOutPath $R0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$R0\zelvan.exe" "" \
    "$R0\zelvan.exe" 0 SW_SHOWNORMAL "" "${DESCRIPTION}"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$R0\zelvan.exe" "" \
    "$R0\zelvan.exe" 0 SW_SHOWNORMAL "" "${DESCRIPTION}"
  ; Nothing of ours may be a working directory while folders are renamed.
  SetOutPath $TEMP
FunctionEnd

; The shortcuts and the Programs and Features entry for $INSTDIR. The error
; flag tells a failure. The mode switch gives the uninstaller the same
; registry root and shortcut folders. The uninstall commands name the
; folder (_?=): run from it, the uninstaller runs a copy of itself and
; waits for it, where NSIS's own way returns at once.
Function Register
  StrCpy $R0 $INSTDIR
  Call ShortcutsTo
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zelvan.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$Mode _?=$INSTDIR'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$Mode /S _?=$INSTDIR'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; What Register changes, as it was before: the earlier install's entry and
; shortcuts, or none.
Function RestoreRegistration
  ${If} $OldFolder == ""
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${Else}
    StrCpy $R0 $OldFolder
    Call ShortcutsTo
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" $OldVersion
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$OldFolder\zelvan.exe,0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" $OldFolder
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" $OldUninstall
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" $OldQuietUninstall
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $OldSize
  ${EndIf}
FunctionEnd

; An install is a transaction: the new version is written where it
; replaces nothing (a new folder beside an earlier one), the earlier one is
; moved aside, the new one moved into place and registered, and only then
; is the earlier one deleted. A failure at any step (a folder that cannot
; be written, a full or failing disk, a file in use) ends in .onInstFailed,
; which undoes the steps taken: the earlier install stays as it was, in
; its folder, registered, with its shortcuts.
Section
  ; Again for /D= in silent mode, which has no directory page.
  Call CheckInstallFolder
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "${FOREIGN_FOLDER_TEXT}" /SD IDOK
    StrCpy $FailCode ${EXIT_FOLDER_TAKEN}
    Abort
  ${EndIf}
  ; Before any file is touched, and again after the pages: it may have been
  ; started since.
  Call EnsureNoneRunning
  ${If} $R1 = 1
    MessageBox MB_OK|MB_ICONSTOP "${RUNNING_TEXT}" /SD IDOK
    StrCpy $FailCode ${EXIT_RUNNING}
    Abort
  ${EndIf}

  ; The earlier install of this mode: its registration, and its folder when
  ; that is another one (its entry and shortcuts are about to be
  ; overwritten, so it goes too).
  ReadRegStr $OldFolder SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $OldVersion SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
  ReadRegStr $OldUninstall SHCTX "${UNINSTALL_KEY}" "UninstallString"
  ReadRegStr $OldQuietUninstall SHCTX "${UNINSTALL_KEY}" "QuietUninstallString"
  ReadRegDWORD $OldSize SHCTX "${UNINSTALL_KEY}" "EstimatedSize"
  ${If} $OldFolder != ""
  ${AndIf} ${FileExists} "$OldFolder\uninstall.exe"
    Push $OldFolder
    Push $INSTDIR
    Call SameFolder
    Pop $0
    ${IfThen} $0 = 0 ${|} StrCpy $Earlier $OldFolder ${|}
  ${EndIf}

  ; 1. The new version, where it replaces nothing: beside an earlier
  ; version in the target folder, or in the empty or new target itself.
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    StrCpy $R0 $INSTDIR
    Call NewFolderBeside
    StrCpy $Staging $R1
  ${Else}
    ${IfNotThen} ${FileExists} "$INSTDIR\*.*" ${|} StrCpy $Created 1 ${|}
    ClearErrors
    CreateDirectory $INSTDIR
    ${IfNotThen} ${Errors} ${|} StrCpy $Staging $INSTDIR ${|}
    StrCpy $Fresh 1
  ${EndIf}
  ${If} $Staging == ""
    StrCpy $R0 $INSTDIR
    MessageBox MB_OK|MB_ICONSTOP "${WRITE_TEXT}" /SD IDOK
    Abort
  ${EndIf}
  ; A file that cannot be written, or a disk that fills, aborts here.
  SetOutPath $Staging
  File /r "${STAGE}\*.*"
  ClearErrors
  WriteUninstaller "$Staging\uninstall.exe"
  SetOutPath $TEMP
  ${If} ${Errors}
    StrCpy $R0 $Staging
    MessageBox MB_OK|MB_ICONSTOP "${WRITE_TEXT}" /SD IDOK
    Abort
  ${EndIf}

  ; 2. The earlier version out of the way, the new one in its place: only
  ; renames, which the failure path turns back.
  ${If} $Earlier != ""
    StrCpy $R0 $Earlier
    Call MoveAside
    StrCpy $EarlierAside $R1
    ${If} $R1 == ""
      MessageBox MB_OK|MB_ICONSTOP "${FILES_TEXT}" /SD IDOK
      StrCpy $FailCode ${EXIT_FILES}
      Abort
    ${EndIf}
  ${EndIf}
  ${If} $Fresh != 1
    StrCpy $R0 $INSTDIR
    Call MoveAside
    StrCpy $Aside $R1
    ${If} $R1 == ""
      MessageBox MB_OK|MB_ICONSTOP "${FILES_TEXT}" /SD IDOK
      StrCpy $FailCode ${EXIT_FILES}
      Abort
    ${EndIf}
    ClearErrors
    Rename $Staging $INSTDIR
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "${FILES_TEXT}" /SD IDOK
      StrCpy $FailCode ${EXIT_FILES}
      Abort
    ${EndIf}
    StrCpy $Swapped 1
  ${EndIf}

  ; 3. Registered.
  StrCpy $Registered 1
  ClearErrors
  Call Register
  ${If} ${Errors}
    StrCpy $R0 "$SMPROGRAMS"
    MessageBox MB_OK|MB_ICONSTOP "${WRITE_TEXT}" /SD IDOK
    Abort
  ${EndIf}

  ; 4. The earlier version, no longer registered, deleted. Nothing in it was
  ; open when it was moved; whatever still cannot go, goes at the next
  ; restart where the account may ask for that.
  ${If} $Aside != ""
    RMDir /r /REBOOTOK $Aside
  ${EndIf}
  ${If} $EarlierAside != ""
    RMDir /r /REBOOTOK $EarlierAside
  ${EndIf}
SectionEnd

; Undoes what the section did, last step first, and sets the exit code: the
; run ends here.
Function .onInstFailed
  SetOutPath $TEMP
  ${If} $Registered == 1
    Call RestoreRegistration
  ${EndIf}
  ${If} $EarlierAside != ""
    Rename $EarlierAside $Earlier
  ${EndIf}
  ${If} $Swapped == 1
    Rename $INSTDIR $Staging
  ${EndIf}
  ${If} $Aside != ""
    Rename $Aside $INSTDIR
  ${EndIf}
  ${If} $Fresh == 1
  ${AndIf} $Staging != ""
    ; The target held nothing before: whatever is in it now is ours.
    StrCpy $R0 $Staging
    Call RemoveProgramFiles
    Delete "$Staging\uninstall.exe"
    ${IfThen} $Created == 1 ${|} RMDir $Staging ${|}
  ${ElseIf} $Staging != ""
    RMDir /r $Staging
  ${EndIf}
  ${If} $FailCode != ""
    SetErrorLevel $FailCode
  ${EndIf}
FunctionEnd

; NSIS keeps the file it runs from open for reading its data, shared for
; reading only, so that nothing could move it out of the folder while it
; waits for its copy. Nothing more is read from it once its plugin is
; unpacked: the handle is found (the one open on this very file) and
; closed. Windows lets a running program's file be moved, not deleted.
Function un.CloseOwnFile
  Push $0
  Push $1
  Push $2
  Push $3
  Push $EXEPATH
  Call un.FolderIdentity
  Pop $0
  ${If} $0 != ""
    ; Handles are multiples of 4, low in a process this young.
    ${For} $1 1 4096
      IntOp $2 $1 * 4
      ; FILE_TYPE_DISK: only files are asked who they are.
      System::Call 'kernel32::GetFileType(p r2) i .r3'
      ${If} $3 = 1
        Push $2
        Call un.HandleIdentity
        Pop $3
        ${If} $3 == $0
          System::Call 'kernel32::CloseHandle(p r2)'
          ${ExitFor}
        ${EndIf}
      ${EndIf}
    ${Next}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function un.onInit
  ; The registered commands start this uninstaller in the folder it
  ; removes, which it cannot do while it runs there: a copy of it in %TEMP%
  ; does the work, and this one waits for it and passes its code back.
  Push $EXEDIR
  Push $INSTDIR
  Call un.SameFolder
  Pop $0
  ${If} $0 = 1
    InitPluginsDir
    ; The copy's working directory, and this one's: never the folder.
    SetOutPath $PLUGINSDIR
    Call un.CloseOwnFile
    ${GetParameters} $1
    StrCpy $2 ""
    System::Call 'kernel32::CopyFileW(w "$EXEPATH", w "$PLUGINSDIR\uninstall.exe", i 1) i .r0'
    ${If} $0 <> 0
      ClearErrors
      ExecWait '"$PLUGINSDIR\uninstall.exe" $1 _?=$INSTDIR' $2
      ${IfThen} ${Errors} ${|} StrCpy $2 "" ${|}
    ${EndIf}
    ${If} $2 == ""
      MessageBox MB_OK|MB_ICONSTOP "无法在临时文件夹（“$TEMP”）中启动卸载程序，卸载未做任何更改。" /SD IDOK
      StrCpy $2 ${EXIT_FILES}
    ${EndIf}
    SetErrorLevel $2
    Quit
  ${EndIf}

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
      ${If} $2 != ""
        Push $2
        Push $INSTDIR
        Call un.SameFolder
        Pop $2
        ${IfThen} $2 = 1 ${|} StrCpy $Mode "AllUsers" ${|}
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

; The uninstaller in the folder, when the one the registered command
; started runs it and waits: it cannot be deleted while it runs, but it
; can be moved out, on its volume: beside this copy in %TEMP%, or else
; beside the folder. It goes at the next restart where the account may ask
; for that. The error flag tells a failure.
Function un.MoveOutUninstaller
  Push $0
  Push $1
  StrCpy $0 "$EXEDIR\${PRODUCT}-uninstall.exe"
  System::Call 'kernel32::MoveFileExW(w "$INSTDIR\uninstall.exe", w r0, i 0) i .r1'
  ${If} $1 = 0
    StrCpy $0 "$INSTDIR-uninstall.exe"
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\uninstall.exe", w r0, i 0) i .r1'
  ${EndIf}
  ${If} $1 = 0
    SetErrors
  ${Else}
    ; MOVEFILE_DELAY_UNTIL_REBOOT
    System::Call 'kernel32::MoveFileExW(w r0, p 0, i 4)'
  ${EndIf}
  Pop $1
  Pop $0
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
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
      ClearErrors
      Call un.MoveOutUninstaller
      ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "“$INSTDIR\uninstall.exe”正在使用，未能删除。" /SD IDOK
        SetErrorLevel ${EXIT_FILES}
        Abort
      ${EndIf}
    ${EndIf}
    RMDir "$INSTDIR"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The document mode the web panel asks of the browser control, kept per user.
  DeleteRegValue HKCU "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION" "zelvan.exe"
  DeleteRegValue HKCU "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION" "zelvan-adverthost.exe"
SectionEnd
