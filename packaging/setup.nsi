; The setup: puts phantomDeskTray, its guide and its two companion files into
; Program Files, adds the shortcuts, start at sign-in and the Installed apps
; entry, and writes an uninstaller that takes all of it away again.
; scripts/build-setup.sh compiles it with makensis -WX for amd64-unicode and
; defines PDT_VERSION, PDT_STAGE (the staged program and documents), PDT_ICON,
; PDT_OUTPUT and PDT_SIGN (run on the uninstaller and then on the setup).

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

; ---------------------------------------------------------------------------
; Names and paths that the program or Windows also know.
!define PROGRAM_FILE "phantomDeskTray.exe"
!define HOST_FILE "PhantomDeskHost.exe"
!define DRIVER_INSTALLER_FILE "parsec-vdd-0.38.0.0.exe"
!define GUIDE_FILE "USER-GUIDE.txt"
!define LICENSE_FILE "LICENSE.txt"
!define UNINSTALLER_FILE "uninstall.exe"
!define TASK_FILE "start-at-sign-in.xml"
!define INSTALL_FOLDER "VirtualScreen"
!define WINDOW_CLASS "MYWNDCLASS"
!define TASK_NAME "phantomDeskTray"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\phantomDeskTray"
!define PUBLISHER "The phantomDeskTray developers"
; What a replacement waits under until it takes the place of a file in use.
!define PENDING_SUFFIX ".new"
; Shortcuts in both languages: the uninstaller may run in the other one.
!define SHORTCUT_ZH "虚拟屏幕托盘工具"
!define SHORTCUT_EN "phantomDeskTray"
!define GUIDE_SHORTCUT_ZH "虚拟屏幕托盘工具 使用说明"
!define GUIDE_SHORTCUT_EN "phantomDeskTray User Guide"

; Exit codes: NSIS's own, then ours.
!define EXIT_CANCELLED 1
!define EXIT_REFUSED 2
; Installed, but without something that was asked for.
!define EXIT_INCOMPLETE 3
; What installers tell deployment tools when a restart finishes the work.
!define EXIT_RESTART_NEEDED 3010

!define SYNCHRONIZE 0x00100000
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
!define TOKEN_QUERY 0x8
!define TOKEN_USER_CLASS 1
; The running copy tells its screen host to quit and ends within moments.
!define CLOSE_TIMEOUT_MS 10000
; A screen host that was just told to quit may hold its file a little longer.
!define REMOVE_ATTEMPTS 10
!define REMOVE_RETRY_MS 500

; ---------------------------------------------------------------------------
; Settings.
Name "$(PRODUCT_NAME)"
OutFile "${PDT_OUTPUT}"
InstallDir "$PROGRAMFILES64\${INSTALL_FOLDER}"
RequestExecutionLevel admin
ManifestDPIAware true
ManifestSupportedOS all
SetCompressor /SOLID lzma
BrandingText "phantomDeskTray ${PDT_VERSION}"
!uninstfinalize '"${PDT_SIGN}" "%1"' = 0
!finalize '"${PDT_SIGN}" "%1"' = 0

Var CompanionFolder
; Whether the companion page is shown: only when a file was missing at the start.
Var AskForCompanions
; The companion files not found, one a line, and how many.
Var Missing
Var MissingCount
Var DesktopShortcut
Var StartAtSignIn
Var AccountName
Var AccountSid
; Files in use, one a line, replaced or removed at the next restart.
Var InUse
Var Incomplete
Var FinishText
Var RestartText
Var MissingLabel
Var HintLabel
Var FolderField

; ---------------------------------------------------------------------------
; Pages.
!define MUI_ICON "${PDT_ICON}"
!define MUI_UNICON "${PDT_ICON}"
!define MUI_ABORTWARNING

Page custom CompanionPageShow
Page custom OptionsPageShow
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE PrepareFinishPage
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT_REBOOT "$RestartText"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM_FILE}"
!define MUI_FINISHPAGE_RUN_TEXT "$(START_NOW)"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(DRIVER_STAYS)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.PrepareFinishPage
!define MUI_FINISHPAGE_TEXT_REBOOT "$RestartText"
!insertmacro MUI_UNPAGE_FINISH

; English first: it is the language for every Windows that is not Chinese.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

; ---------------------------------------------------------------------------
; Texts.
LangString PRODUCT_NAME ${LANG_ENGLISH} "phantomDeskTray"
LangString PRODUCT_NAME ${LANG_SIMPCHINESE} "虚拟屏幕托盘工具"
LangString SHORTCUT ${LANG_ENGLISH} "${SHORTCUT_EN}"
LangString SHORTCUT ${LANG_SIMPCHINESE} "${SHORTCUT_ZH}"
LangString GUIDE_SHORTCUT ${LANG_ENGLISH} "${GUIDE_SHORTCUT_EN}"
LangString GUIDE_SHORTCUT ${LANG_SIMPCHINESE} "${GUIDE_SHORTCUT_ZH}"

LangString NEEDS_ADMINISTRATOR ${LANG_ENGLISH} "Installing phantomDeskTray takes administrator rights. Run this setup from an administrator account."
LangString NEEDS_ADMINISTRATOR ${LANG_SIMPCHINESE} "安装虚拟屏幕托盘工具需要管理员权限，请用管理员帐户运行本安装程序。"
LangString WRONG_FOLDER ${LANG_ENGLISH} "phantomDeskTray can only be installed in $PROGRAMFILES64\${INSTALL_FOLDER}.$\n$\nThe folder $INSTDIR was not used, and nothing was installed."
LangString WRONG_FOLDER ${LANG_SIMPCHINESE} "虚拟屏幕托盘工具只能安装到 $PROGRAMFILES64\${INSTALL_FOLDER}。$\n$\n没有使用指定的文件夹 $INSTDIR，什么也没有安装。"
LangString NEWER_INSTALLED ${LANG_ENGLISH} "phantomDeskTray $0 is installed, which is newer than this setup (${PDT_VERSION}).$\n$\nNothing was changed."
LangString NEWER_INSTALLED ${LANG_SIMPCHINESE} "已安装的虚拟屏幕托盘工具 $0 比本安装程序（${PDT_VERSION}）新。$\n$\n没有做任何更改。"

LangString COMPANION_TITLE ${LANG_ENGLISH} "Companion files"
LangString COMPANION_TITLE ${LANG_SIMPCHINESE} "配套文件"
LangString COMPANION_SUBTITLE ${LANG_ENGLISH} "phantomDeskTray works together with two files from other publishers."
LangString COMPANION_SUBTITLE ${LANG_SIMPCHINESE} "虚拟屏幕托盘工具要和另外两个程序的文件一起使用。"
LangString COMPANION_MISSING ${LANG_ENGLISH} "These files are not in the folder below:"
LangString COMPANION_MISSING ${LANG_SIMPCHINESE} "下面的文件夹中没有这些文件："
LangString COMPANION_HINT ${LANG_ENGLISH} "If they are in another folder, click Browse and choose that folder. Or click Next to install without them; the last page says where to copy them later."
LangString COMPANION_HINT ${LANG_SIMPCHINESE} "如果它们在别的文件夹里，请点“浏览”选择那个文件夹。也可以直接点“下一步”，先不装它们，最后一页会说明以后复制到哪里。"
LangString COMPANION_FOUND ${LANG_ENGLISH} "Both files are in the folder below. Setup copies them into the install folder."
LangString COMPANION_FOUND ${LANG_SIMPCHINESE} "两个文件都在下面的文件夹中，安装程序会把它们复制到安装文件夹。"
LangString COMPANION_BROWSE ${LANG_ENGLISH} "Choose the folder that holds ${HOST_FILE} and ${DRIVER_INSTALLER_FILE}."
LangString COMPANION_BROWSE ${LANG_SIMPCHINESE} "请选择存放 ${HOST_FILE} 和 ${DRIVER_INSTALLER_FILE} 的文件夹。"

LangString OPTIONS_TITLE ${LANG_ENGLISH} "Options"
LangString OPTIONS_TITLE ${LANG_SIMPCHINESE} "安装选项"
LangString OPTIONS_SUBTITLE ${LANG_ENGLISH} "phantomDeskTray will be installed in $INSTDIR."
LangString OPTIONS_SUBTITLE ${LANG_SIMPCHINESE} "虚拟屏幕托盘工具将安装到 $INSTDIR。"
LangString DESKTOP_SHORTCUT ${LANG_ENGLISH} "Create a &desktop shortcut"
LangString DESKTOP_SHORTCUT ${LANG_SIMPCHINESE} "在桌面上创建快捷方式(&D)"
LangString START_AT_SIGN_IN ${LANG_ENGLISH} "&Start phantomDeskTray when I sign in to Windows"
LangString START_AT_SIGN_IN ${LANG_SIMPCHINESE} "登录 Windows 时自动启动(&S)"
LangString START_AT_SIGN_IN_HELP ${LANG_ENGLISH} "It then starts with administrator rights, without the User Account Control question. Its two notices, 已允许管理员启动 and the greeting, still appear at each start: click OK on each. This is for the account $AccountName, which runs this setup."
LangString START_AT_SIGN_IN_HELP ${LANG_SIMPCHINESE} "程序会直接以管理员身份启动，不再弹出“用户帐户控制”的询问。每次启动时仍会出现“已允许管理员启动”和欢迎提示，各点一次“确定”即可。只对运行本安装程序的帐户 $AccountName 有效。"

LangString RUNNING_SETUP ${LANG_ENGLISH} "phantomDeskTray is running. Setup closes it first, and a running virtual screen quits with it.$\n$\nClick OK to close it and go on, or Cancel to leave Setup."
LangString RUNNING_SETUP ${LANG_SIMPCHINESE} "虚拟屏幕托盘工具正在运行。安装程序要先关闭它，正在运行的虚拟屏幕也会随之退出。$\n$\n点“确定”关闭它并继续，点“取消”退出安装程序。"
LangString RUNNING_UNINSTALL ${LANG_ENGLISH} "phantomDeskTray is running. It is closed before it is removed, and a running virtual screen quits with it.$\n$\nClick OK to close it and go on, or Cancel to keep it."
LangString RUNNING_UNINSTALL ${LANG_SIMPCHINESE} "虚拟屏幕托盘工具正在运行。卸载前要先关闭它，正在运行的虚拟屏幕也会随之退出。$\n$\n点“确定”关闭它并继续，点“取消”保留它。"
LangString TASK_FAILED ${LANG_ENGLISH} "Setup could not make phantomDeskTray start when you sign in. Task Scheduler said:$\n$\n$1$\n$\nEverything else is installed. Start phantomDeskTray from the Start menu, or run this setup again to try once more."
LangString TASK_FAILED ${LANG_SIMPCHINESE} "无法设置登录时自动启动。任务计划程序的回复：$\n$\n$1$\n$\n其他内容都已装好。请从“开始”菜单启动虚拟屏幕托盘工具，或者再次运行本安装程序重试。"
LangString TASK_DESCRIPTION ${LANG_ENGLISH} "Starts phantomDeskTray with administrator rights when you sign in. Added by its setup; turn it off by running the setup again."
LangString TASK_DESCRIPTION ${LANG_SIMPCHINESE} "登录时以管理员身份启动虚拟屏幕托盘工具。由其安装程序添加；再次运行安装程序即可关闭。"

LangString START_NOW ${LANG_ENGLISH} "Start phantomDeskTray now"
LangString START_NOW ${LANG_SIMPCHINESE} "立即启动虚拟屏幕托盘工具"
LangString COPY_LATER ${LANG_ENGLISH} "Before you use its menu, copy these files into $INSTDIR:"
LangString COPY_LATER ${LANG_SIMPCHINESE} "使用菜单之前，请把这些文件复制到 $INSTDIR："
LangString REPLACED_AT_RESTART ${LANG_ENGLISH} "These files are in use. They are replaced by the new ones when you restart your computer:"
LangString REPLACED_AT_RESTART ${LANG_SIMPCHINESE} "这些文件正在使用中，重新启动电脑后才会换成新的："
LangString REMOVED_AT_RESTART ${LANG_ENGLISH} "These files are in use. They are removed when you restart your computer:"
LangString REMOVED_AT_RESTART ${LANG_SIMPCHINESE} "这些文件正在使用中，重新启动电脑后才会删除："
LangString RESTART_NOW ${LANG_ENGLISH} "Restart now?"
LangString RESTART_NOW ${LANG_SIMPCHINESE} "要现在重新启动吗？"
LangString DRIVER_STAYS ${LANG_ENGLISH} "The display driver stays installed. To remove it as well, click Cancel first, choose 卸载驱动 (Uninstall driver) from the menu of phantomDeskTray's icon, and then uninstall phantomDeskTray."
LangString DRIVER_STAYS ${LANG_SIMPCHINESE} "显示驱动不会随之卸载。如果也要卸载驱动，请先点“取消”，在虚拟屏幕托盘工具图标的右键菜单中选择“卸载驱动”，然后再卸载本程序。"

VIProductVersion "${PDT_VERSION}.0"
VIFileVersion "${PDT_VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "phantomDeskTray"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "phantomDeskTray Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${PDT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${PDT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

; ---------------------------------------------------------------------------
; Checks and helpers shared by the setup and the uninstaller.

!macro DELETE_SHORTCUTS
    Delete "$DESKTOP\${SHORTCUT_ZH}.lnk"
    Delete "$DESKTOP\${SHORTCUT_EN}.lnk"
    Delete "$SMPROGRAMS\${SHORTCUT_ZH}.lnk"
    Delete "$SMPROGRAMS\${SHORTCUT_EN}.lnk"
    Delete "$SMPROGRAMS\${GUIDE_SHORTCUT_ZH}.lnk"
    Delete "$SMPROGRAMS\${GUIDE_SHORTCUT_EN}.lnk"
!macroend

!macro SHARED_FUNCTIONS un
; Only administrators may change Program Files, and the program starts its
; companions with administrator rights.
Function ${un}RefuseWithoutAdministrator
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_OK|MB_ICONSTOP "$(NEEDS_ADMINISTRATOR)" /SD IDOK
        SetErrorLevel ${EXIT_REFUSED}
        Quit
    ${EndIf}
FunctionEnd

; Closes the installed copy the way closing its window does: it tells its
; screen host to quit and ends. A window of that class that belongs to any
; other program is left alone. $R9 names the question to ask first.
Function ${un}CloseRunningCopy
    StrCpy $R0 0
    ${Do}
        FindWindow $R0 "${WINDOW_CLASS}" "" "" $R0
        ${If} $R0 P= 0
            ${Break}
        ${EndIf}
        System::Call 'user32::GetWindowThreadProcessId(p $R0, *i .R1)'
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}|${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i $R1) p .R2'
        ${If} $R2 P<> 0
            StrCpy $R3 ""
            System::Call 'kernel32::QueryFullProcessImageNameW(p $R2, i 0, w .R3, *i ${NSIS_MAX_STRLEN})'
            ${If} $R3 == "$INSTDIR\${PROGRAM_FILE}"
                MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$R9" /SD IDOK IDOK close
                System::Call 'kernel32::CloseHandle(p $R2)'
                SetErrorLevel ${EXIT_CANCELLED}
                Quit
              close:
                System::Call 'user32::PostMessageW(p $R0, i ${WM_CLOSE}, p 0, p 0)'
                System::Call 'kernel32::WaitForSingleObject(p $R2, i ${CLOSE_TIMEOUT_MS})'
                System::Call 'kernel32::CloseHandle(p $R2)'
                ${Break}
            ${EndIf}
            System::Call 'kernel32::CloseHandle(p $R2)'
        ${EndIf}
    ${Loop}
FunctionEnd

; The restart text of the last page, when files in use wait for a restart.
; $R9 names what happens to them.
Function ${un}PrepareRestartText
    StrCpy $RestartText "$R9$\r$\n$\r$\n$InUse$\r$\n$(RESTART_NOW)"
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------
; Checks of the setup.

; /D= can name any folder; the program belongs where only administrators write.
Function RefuseOtherFolder
    System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .R0, p 0)'
    ${If} $R0 != "$PROGRAMFILES64\${INSTALL_FOLDER}"
        MessageBox MB_OK|MB_ICONSTOP "$(WRONG_FOLDER)" /SD IDOK
        SetErrorLevel ${EXIT_REFUSED}
        Quit
    ${EndIf}
FunctionEnd

; An older setup never replaces a newer program. Setups record their version;
; a folder filled by hand has only the program's own.
Function RefuseDowngrade
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $0 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${PROGRAM_FILE}"
        GetDLLVersion "$INSTDIR\${PROGRAM_FILE}" $1 $2
        IntOp $3 $1 >> 16
        IntOp $1 $1 & 0xFFFF
        IntOp $2 $2 >> 16
        StrCpy $0 "$3.$1.$2"
    ${EndIf}
    ${If} $0 != ""
        ${VersionCompare} "$0" "${PDT_VERSION}" $1
        ${If} $1 == 1
            MessageBox MB_OK|MB_ICONINFORMATION "$(NEWER_INSTALLED)" /SD IDOK
            SetErrorLevel ${EXIT_REFUSED}
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

; What a new setup keeps from the last one: a desktop shortcut only if there is
; one still, start at sign-in if it was on. /STARTATSIGNIN turns it on.
Function ReadOptions
    StrCpy $DesktopShortcut ${BST_CHECKED}
    StrCpy $StartAtSignIn ${BST_UNCHECKED}
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $0 != ""
    ${AndIfNot} ${FileExists} "$DESKTOP\${SHORTCUT_ZH}.lnk"
    ${AndIfNot} ${FileExists} "$DESKTOP\${SHORTCUT_EN}.lnk"
        StrCpy $DesktopShortcut ${BST_UNCHECKED}
    ${EndIf}
    ; Task Scheduler keeps each task that it holds as a file of that name: a task
    ; deleted there has turned the option off.
    ${If} ${FileExists} "$INSTDIR\${TASK_FILE}"
    ${AndIf} ${FileExists} "$SYSDIR\Tasks\${TASK_NAME}"
        StrCpy $StartAtSignIn ${BST_CHECKED}
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/STARTATSIGNIN" $1
    ${IfNot} ${Errors}
        StrCpy $StartAtSignIn ${BST_CHECKED}
    ${EndIf}
FunctionEnd

; The account that runs the setup, whose sign-in starts the program.
Function ReadAccount
    StrCpy $AccountName ""
    StrCpy $AccountSid ""
    System::Call 'advapi32::GetUserNameW(w .R0, *i ${NSIS_MAX_STRLEN}) i .R1'
    ${If} $R1 <> 0
        StrCpy $AccountName $R0
    ${EndIf}
    System::Call 'advapi32::OpenProcessToken(p -1, i ${TOKEN_QUERY}, *p .R0) i .R1'
    ${If} $R1 = 0
        Return
    ${EndIf}
    System::Call 'advapi32::GetTokenInformation(p $R0, i ${TOKEN_USER_CLASS}, p 0, i 0, *i .R2)'
    System::Alloc $R2
    Pop $R3
    System::Call 'advapi32::GetTokenInformation(p $R0, i ${TOKEN_USER_CLASS}, p $R3, i $R2, *i .R2) i .R1'
    ${If} $R1 <> 0
        ; TOKEN_USER begins with the SID's address.
        System::Call '*$R3(p .R4)'
        System::Call 'advapi32::ConvertSidToStringSidW(p $R4, *p .R5) i .R1'
        ${If} $R1 <> 0
            System::Call 'kernel32::lstrcpynW(w .R6, p $R5, i ${NSIS_MAX_STRLEN})'
            StrCpy $AccountSid $R6
            System::Call 'kernel32::LocalFree(p $R5)'
        ${EndIf}
    ${EndIf}
    System::Free $R3
    System::Call 'kernel32::CloseHandle(p $R0)'
FunctionEnd

; Notes in $Missing each companion file that $CompanionFolder lacks.
!macro NOTE_IF_MISSING name
    ${IfNot} ${FileExists} "$CompanionFolder\${name}"
    ${OrIf} ${FileExists} "$CompanionFolder\${name}\*.*"
        StrCpy $Missing "$Missing${name}$\r$\n"
        IntOp $MissingCount $MissingCount + 1
    ${EndIf}
!macroend
Function FindCompanions
    StrCpy $Missing ""
    StrCpy $MissingCount 0
    !insertmacro NOTE_IF_MISSING "${HOST_FILE}"
    !insertmacro NOTE_IF_MISSING "${DRIVER_INSTALLER_FILE}"
FunctionEnd

Function .onInit
    SetShellVarContext all
    Call RefuseWithoutAdministrator
    Call RefuseOtherFolder
    Call RefuseDowngrade
    Call ReadOptions
    Call ReadAccount
    StrCpy $CompanionFolder $EXEDIR
    Call FindCompanions
    StrCpy $AskForCompanions $MissingCount
    StrCpy $InUse ""
    StrCpy $Incomplete 0
FunctionEnd

; ---------------------------------------------------------------------------
; The pages of the setup.

Function CompanionPageShow
    ${If} $AskForCompanions = 0
        Abort
    ${EndIf}
    !insertmacro MUI_HEADER_TEXT "$(COMPANION_TITLE)" "$(COMPANION_SUBTITLE)"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 60u ""
    Pop $MissingLabel
    ${NSD_CreateText} 0 64u -60u 13u "$CompanionFolder"
    Pop $FolderField
    SendMessage $FolderField ${EM_SETREADONLY} 1 0
    ${NSD_CreateBrowseButton} -55u 63u 55u 15u "$(^BrowseBtn)"
    Pop $0
    ${NSD_OnClick} $0 ChooseCompanionFolder
    ${NSD_CreateLabel} 0 86u 100% 40u "$(COMPANION_HINT)"
    Pop $HintLabel
    Call ShowCompanions
    nsDialogs::Show
FunctionEnd

Function ShowCompanions
    ${If} $MissingCount = 0
        ${NSD_SetText} $MissingLabel "$(COMPANION_FOUND)"
        ShowWindow $HintLabel ${SW_HIDE}
    ${Else}
        ${NSD_SetText} $MissingLabel "$(COMPANION_MISSING)$\r$\n$\r$\n$Missing"
        ShowWindow $HintLabel ${SW_SHOW}
    ${EndIf}
    ${NSD_SetText} $FolderField "$CompanionFolder"
FunctionEnd

Function ChooseCompanionFolder
    Pop $0
    nsDialogs::SelectFolderDialog "$(COMPANION_BROWSE)" "$CompanionFolder"
    Pop $0
    ${If} $0 != "error"
        StrCpy $CompanionFolder $0
        Call FindCompanions
        Call ShowCompanions
    ${EndIf}
FunctionEnd

Function OptionsPageShow
    !insertmacro MUI_HEADER_TEXT "$(OPTIONS_TITLE)" "$(OPTIONS_SUBTITLE)"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateCheckbox} 0 0 100% 12u "$(DESKTOP_SHORTCUT)"
    Pop $0
    ${NSD_SetState} $0 $DesktopShortcut
    ${NSD_OnClick} $0 ReadDesktopShortcut
    ${NSD_CreateCheckbox} 0 20u 100% 12u "$(START_AT_SIGN_IN)"
    Pop $0
    ${NSD_SetState} $0 $StartAtSignIn
    ${NSD_OnClick} $0 ReadStartAtSignIn
    ${NSD_CreateLabel} 12u 34u -12u 60u "$(START_AT_SIGN_IN_HELP)"
    Pop $0
    ; The next step installs; without the companion page, nothing lies before.
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^InstallBtn)"
    ${If} $AskForCompanions = 0
        GetDlgItem $0 $HWNDPARENT 3
        EnableWindow $0 0
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function ReadDesktopShortcut
    Pop $0
    ${NSD_GetState} $0 $DesktopShortcut
FunctionEnd

Function ReadStartAtSignIn
    Pop $0
    ${NSD_GetState} $0 $StartAtSignIn
FunctionEnd

Function PrepareFinishPage
    StrCpy $FinishText "$(MUI_TEXT_FINISH_INFO_TEXT)"
    ${If} $MissingCount > 0
        StrCpy $FinishText "$FinishText$\r$\n$\r$\n$(COPY_LATER)$\r$\n$\r$\n$Missing"
    ${EndIf}
    StrCpy $R9 "$(REPLACED_AT_RESTART)"
    Call PrepareRestartText
FunctionEnd

; ---------------------------------------------------------------------------
; Installing.

; Puts $INSTDIR\$0${PENDING_SUFFIX} in the place of $INSTDIR\$0, at the next
; restart when the old file is in use.
Function PutInPlace
    Delete "$INSTDIR\$0"
    Rename /REBOOTOK "$INSTDIR\$0${PENDING_SUFFIX}" "$INSTDIR\$0"
    ${If} ${FileExists} "$INSTDIR\$0${PENDING_SUFFIX}"
        StrCpy $InUse "$InUse$0$\r$\n"
    ${EndIf}
FunctionEnd

; Copies companion file $0 from $CompanionFolder, never moving it, unless the
; installed one is as new.
Function CopyCompanion
    StrCpy $1 "$CompanionFolder\$0"
    ${IfNot} ${FileExists} "$1"
    ${OrIf} ${FileExists} "$1\*.*"
        Return
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\$0"
        GetFileTime "$1" $2 $3
        GetFileTime "$INSTDIR\$0" $4 $5
        ${If} $2 U< $4
            Return
        ${ElseIf} $2 == $4
        ${AndIf} $3 U<= $5
            Return
        ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CopyFileW(w "$1", w "$INSTDIR\$0${PENDING_SUFFIX}", i 0) i .r2'
    ${If} $2 = 0
        DetailPrint "$1: $(^CopyFailed)"
        StrCpy $Incomplete 1
        StrCpy $Missing "$Missing$0$\r$\n"
        IntOp $MissingCount $MissingCount + 1
        Return
    ${EndIf}
    Call PutInPlace
FunctionEnd

Section "-Program"
    StrCpy $R9 "$(RUNNING_SETUP)"
    Call CloseRunningCopy
    SetOutPath "$INSTDIR"
    File "/oname=${PROGRAM_FILE}${PENDING_SUFFIX}" "${PDT_STAGE}\${PROGRAM_FILE}"
    StrCpy $0 "${PROGRAM_FILE}"
    Call PutInPlace
    File "${PDT_STAGE}\${GUIDE_FILE}"
    File "${PDT_STAGE}\${LICENSE_FILE}"
    WriteUninstaller "$INSTDIR\${UNINSTALLER_FILE}"
SectionEnd

Section "-Companion files"
    StrCpy $0 "${HOST_FILE}"
    Call CopyCompanion
    StrCpy $0 "${DRIVER_INSTALLER_FILE}"
    Call CopyCompanion
SectionEnd

Section "-Shortcuts"
    ; Started from a shortcut, the program's folder is its working folder.
    SetOutPath "$INSTDIR"
    ; Under this Windows language's names only, also after a setup in the other.
    !insertmacro DELETE_SHORTCUTS
    CreateShortcut "$SMPROGRAMS\$(SHORTCUT).lnk" "$INSTDIR\${PROGRAM_FILE}"
    CreateShortcut "$SMPROGRAMS\$(GUIDE_SHORTCUT).lnk" "$INSTDIR\${GUIDE_FILE}"
    ${If} $DesktopShortcut == ${BST_CHECKED}
        CreateShortcut "$DESKTOP\$(SHORTCUT).lnk" "$INSTDIR\${PROGRAM_FILE}"
    ${EndIf}
SectionEnd

; The task's definition is written into the install folder, which only
; administrators can change, before Task Scheduler reads it with our rights;
; it stays there for administrators to read.
Function WriteTaskDefinition
    FileOpen $0 "$INSTDIR\${TASK_FILE}" w
    FileWriteUTF16LE /BOM $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
    FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
    FileWriteUTF16LE $0 '  <RegistrationInfo>$\r$\n'
    FileWriteUTF16LE $0 '    <Author>${PUBLISHER}</Author>$\r$\n'
    FileWriteUTF16LE $0 '    <Description>$(TASK_DESCRIPTION)</Description>$\r$\n'
    FileWriteUTF16LE $0 '  </RegistrationInfo>$\r$\n'
    FileWriteUTF16LE $0 '  <Triggers>$\r$\n'
    FileWriteUTF16LE $0 '    <LogonTrigger>$\r$\n'
    FileWriteUTF16LE $0 '      <Enabled>true</Enabled>$\r$\n'
    FileWriteUTF16LE $0 '      <UserId>$AccountSid</UserId>$\r$\n'
    FileWriteUTF16LE $0 '    </LogonTrigger>$\r$\n'
    FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
    FileWriteUTF16LE $0 '  <Principals>$\r$\n'
    FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
    FileWriteUTF16LE $0 '      <UserId>$AccountSid</UserId>$\r$\n'
    FileWriteUTF16LE $0 '      <LogonType>InteractiveToken</LogonType>$\r$\n'
    FileWriteUTF16LE $0 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
    FileWriteUTF16LE $0 '    </Principal>$\r$\n'
    FileWriteUTF16LE $0 '  </Principals>$\r$\n'
    FileWriteUTF16LE $0 '  <Settings>$\r$\n'
    FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
    FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
    FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
    FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
    FileWriteUTF16LE $0 '    <Priority>4</Priority>$\r$\n'
    FileWriteUTF16LE $0 '  </Settings>$\r$\n'
    FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
    FileWriteUTF16LE $0 '    <Exec>$\r$\n'
    FileWriteUTF16LE $0 '      <Command>"$INSTDIR\${PROGRAM_FILE}"</Command>$\r$\n'
    FileWriteUTF16LE $0 '    </Exec>$\r$\n'
    FileWriteUTF16LE $0 '  </Actions>$\r$\n'
    FileWriteUTF16LE $0 '</Task>$\r$\n'
    FileClose $0
FunctionEnd

Section "-Start at sign-in"
    ${If} $StartAtSignIn == ${BST_CHECKED}
        Call WriteTaskDefinition
        nsExec::ExecToStack '"$SYSDIR\schtasks.exe" /create /tn "${TASK_NAME}" /xml "$INSTDIR\${TASK_FILE}" /f'
        Pop $0
        Pop $1
        ${If} $0 != 0
            DetailPrint "schtasks: $0 $1"
            MessageBox MB_OK|MB_ICONEXCLAMATION "$(TASK_FAILED)" /SD IDOK
            StrCpy $Incomplete 1
        ${EndIf}
    ${ElseIf} ${FileExists} "$INSTDIR\${TASK_FILE}"
        ; Turned off: only the task that this setup registered.
        nsExec::ExecToStack '"$SYSDIR\schtasks.exe" /delete /tn "${TASK_NAME}" /f'
        Pop $0
        Pop $1
        Delete "$INSTDIR\${TASK_FILE}"
    ${EndIf}
SectionEnd

Section "-Installed apps entry"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(PRODUCT_NAME)"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PDT_VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_FILE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_FILE}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_FILE}" /S'
    ; Running the setup again repairs.
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInstSuccess
    ${If} $Incomplete = 1
        SetErrorLevel ${EXIT_INCOMPLETE}
    ${ElseIf} ${RebootFlag}
        SetErrorLevel ${EXIT_RESTART_NEEDED}
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstalling, in the reverse order.

Function un.onInit
    SetShellVarContext all
    Call un.RefuseWithoutAdministrator
    StrCpy $InUse ""
FunctionEnd

; Removes $INSTDIR\$0 by its name, at the next restart if it stays in use.
Function un.RemoveFile
    ${For} $1 1 ${REMOVE_ATTEMPTS}
        Delete "$INSTDIR\$0"
        ${IfNot} ${FileExists} "$INSTDIR\$0"
            Return
        ${EndIf}
        Sleep ${REMOVE_RETRY_MS}
    ${Next}
    Delete /REBOOTOK "$INSTDIR\$0"
    StrCpy $InUse "$InUse$0$\r$\n"
FunctionEnd

!macro REMOVE_INSTALLED_FILE name
    StrCpy $0 "${name}"
    Call un.RemoveFile
    StrCpy $0 "${name}${PENDING_SUFFIX}"
    ${If} ${FileExists} "$INSTDIR\$0"
        Call un.RemoveFile
    ${EndIf}
!macroend

Section "Uninstall"
    StrCpy $R9 "$(RUNNING_UNINSTALL)"
    Call un.CloseRunningCopy

    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ${If} ${FileExists} "$INSTDIR\${TASK_FILE}"
        nsExec::ExecToStack '"$SYSDIR\schtasks.exe" /delete /tn "${TASK_NAME}" /f'
        Pop $0
        Pop $1
        Delete "$INSTDIR\${TASK_FILE}"
    ${EndIf}

    !insertmacro DELETE_SHORTCUTS

    !insertmacro REMOVE_INSTALLED_FILE "${DRIVER_INSTALLER_FILE}"
    !insertmacro REMOVE_INSTALLED_FILE "${HOST_FILE}"
    Delete "$INSTDIR\${LICENSE_FILE}"
    Delete "$INSTDIR\${GUIDE_FILE}"
    !insertmacro REMOVE_INSTALLED_FILE "${PROGRAM_FILE}"
    Delete "$INSTDIR\${UNINSTALLER_FILE}"
    ; Never a recursive delete: whatever else is in the folder stays. A folder
    ; that still holds files in use goes after them, at the restart.
    ${If} $InUse == ""
        RMDir "$INSTDIR"
    ${Else}
        RMDir /REBOOTOK "$INSTDIR"
    ${EndIf}
SectionEnd

Function un.PrepareFinishPage
    StrCpy $R9 "$(REMOVED_AT_RESTART)"
    Call un.PrepareRestartText
FunctionEnd

Function un.onUninstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel ${EXIT_RESTART_NEEDED}
    ${EndIf}
FunctionEnd
