; The Windows installer: the program with its operator catalogue, README and licence notices in
; one folder, a Start-menu shortcut that starts the program in that folder (it reads
; apnlist.csv from its working folder), and an uninstaller listed in Add/Remove programs.
;
; Per machine, so it asks for administrator rights: Program Files is writable only by
; administrators, which also keeps other users from replacing the program every user starts.
;
;   makensis -DVERSION=<x.y.z> -DPROGRAM_DIR=<folder of rodiduz-setup.exe>
;            -DSTAGE_DIR=<folder of apnlist.csv, README.txt and Licences\> -DICON=<icon.ico>
;            -DOUTFILE=<installer.exe> -DUSBLIB_DLL=<our usblib.dll or the vendor's>
;            [-DBITS=32] [-DINSTALL_ROOT=<folder>] rodiduz-setup.nsi
;
; BITS=32 makes a 32-bit installer for the 32-bit program, installing under the 32-bit
; Program Files and registering in the 32-bit registry view (the installer's own).

Unicode true
!ifndef BITS
  !define BITS 64
!endif
!if ${BITS} == 64
  Target amd64-unicode
  !ifndef INSTALL_ROOT
    !define INSTALL_ROOT "$PROGRAMFILES64"
  !endif
!else
  Target x86-unicode
  !ifndef INSTALL_ROOT
    !define INSTALL_ROOT "$PROGRAMFILES32"
  !endif
!endif

!ifndef USBLIB_DLL
  !error "USBLIB_DLL names the usblib.dll to install beside the program"
!endif

!define APP_NAME "Rodiduz Box Setup Wizard"
!define PUBLISHER "Rodiduz"
!define EXE "rodiduz-setup.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\RodiduzSetup"
; Created by the running program (src/ui_win32/main_win32.cpp).
!define RUNNING_MUTEX "Global\RodiduzSetupRunning"
!define SYNCHRONIZE 0x00100000
!define ERROR_FILE_NOT_FOUND 2
; The exit code of a run refused or aborted by the script.
!define EXIT_REFUSED 2

; The title in the user's language; the shortcut and Add/Remove programs keep the English name.
Name "$(AppName)"
OutFile "${OUTFILE}"
InstallDir "${INSTALL_ROOT}\Rodiduz Setup"
; An update goes where the installed copy is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "$(AppName) ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP_NAME} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright ${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The pages' titles are the wizard's name in the user's language, on up to three lines: NSIS's
; own "Welcome to ... Setup" around a translated name runs past the space in some languages.
!define MUI_WELCOMEPAGE_TITLE "$(AppName)"
!define MUI_WELCOMEPAGE_TITLE_3LINES
!define MUI_FINISHPAGE_TITLE "$(AppName)"
!define MUI_FINISHPAGE_TITLE_3LINES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowReadme)"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!include "${__FILEDIR__}/installer-languages.nsh"

; Files in use cannot be replaced or removed: while the program runs, the user is asked to
; close it and retry; a silent run ends with EXIT_REFUSED. The mutex outlives no process, so a
; crashed program does not block. Access denied means another user's copy holds it.
!macro REFUSE_WHILE_RUNNING prefix message
  Function ${prefix}RefuseWhileRunning
    ${Do}
      System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${RUNNING_MUTEX}") p.r0 ?e'
      Pop $1
      ${If} $0 == 0
      ${AndIf} $1 == ${ERROR_FILE_NOT_FOUND}
        Return
      ${EndIf}
      ${If} $0 != 0
        System::Call 'kernel32::CloseHandle(p r0)'
      ${EndIf}
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(${message})" /SD IDCANCEL IDRETRY`
        SetErrorLevel ${EXIT_REFUSED}
        Quit
      ${EndIf}
    ${Loop}
  FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING "" RunningInstall
!insertmacro REFUSE_WHILE_RUNNING "un." RunningUninstall

Function .onInit
  !if ${BITS} == 64
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "$(Needs64Bit)" /SD IDOK
      SetErrorLevel ${EXIT_REFUSED}
      Quit
    ${EndIf}
  !endif
  Call RefuseWhileRunning
FunctionEnd

Section "Install"
  ; Again: the program may have been started while the pages were shown.
  Call RefuseWhileRunning
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/${EXE}"
  ; The technician's console program, for a command prompt.
  File "${PROGRAM_DIR}/rodiduz-setup-cli.exe"
  File "${STAGE_DIR}/apnlist.csv"
  File "${STAGE_DIR}/README.txt"
  ; Replaces a usblib.dll put there by hand: an installation carries the library it was built with.
  File "/oname=usblib.dll" "${USBLIB_DLL}"
  SetOutPath "$INSTDIR\Licences"
  File "${STAGE_DIR}/Licences/copyright.txt"
  File "${STAGE_DIR}/Licences/Apache-2.0.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; CreateShortcut takes $OUTDIR as the shortcut's working folder ("Start in").
  SetOutPath "$INSTDIR"
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "http://www.rodiduz.com/"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as Add/Remove programs reads it.
  ${GetSize} "$INSTDIR" "/S=0K /G=1" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  Call un.RefuseWhileRunning
FunctionEnd

; Only what the installer put there, usblib.dll also when the user replaced it with the
; vendor's as the README allows; the folder goes only when nothing else is left in it.
Section "Uninstall"
  Call un.RefuseWhileRunning
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP_NAME}.lnk"
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\rodiduz-setup-cli.exe"
  Delete "$INSTDIR\usblib.dll"
  Delete "$INSTDIR\apnlist.csv"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Licences\copyright.txt"
  Delete "$INSTDIR\Licences\Apache-2.0.txt"
  RMDir "$INSTDIR\Licences"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
