; Orvanta installer. Built by scripts/package with makensis:
;   makensis -DARCH=x86   -DSCR64=<x64 .scr> -DSCR32=<x86 .scr> -DOUTFILE=<exe> Orvanta.nsi
;   makensis -DARCH=amd64 -DSCR64=<x64 .scr> -DOUTFILE=<exe> Orvanta.nsi
; The x86 installer runs everywhere and puts the .scr that fits the machine into the system
; folder; the amd64 one is for 64-bit Windows only.

Unicode true
!if ${ARCH} == "amd64"
  Target amd64-unicode
!endif
!define PRODUCT "Orvanta Screen Saver"
!define VERSION "1.0.0.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvanta"
!define DESKTOP_KEY "Control Panel\Desktop"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Orvanta developers"

; The uninstaller and the install text live here; the saver itself goes to the system folder,
; where the display settings look for screen savers.
!if ${ARCH} == "amd64"
  InstallDir "$PROGRAMFILES64\Orvanta"
!else
  InstallDir "$PROGRAMFILES\Orvanta"
!endif

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; A 64-bit process sees the real system folder; a 32-bit one on 64-bit Windows must turn the
  ; file-system redirection off to reach it instead of SysWOW64.
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!if ${ARCH} == "amd64"
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This installer is for 64-bit Windows. Use the x86 installer on this computer." /SD IDOK
    Abort
  ${EndIf}
!endif
FunctionEnd

Section "Orvanta screen saver (required)" SecMain
  SectionIn RO
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetOutPath "$SYSDIR"
    File "/oname=Orvanta.scr" "${SCR64}"
    ${EnableX64FSRedirection}
  ${Else}
!ifdef SCR32
    SetOutPath "$SYSDIR"
    File "/oname=Orvanta.scr" "${SCR32}"
!endif
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "/oname=Install.txt" "${INSTALL_TEXT}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Orvanta developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Make Orvanta the current screen saver" SecActivate
  ; The display settings read the current saver's full path from this value.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\Orvanta.scr"
SectionEnd

Section "Uninstall"
  ${If} ${RunningX64}
    SetRegView 64
    ${DisableX64FSRedirection}
  ${EndIf}
  Delete "$SYSDIR\Orvanta.scr"
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}

  ; Only take the value away when it still names Orvanta: the user may have chosen another saver.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$SYSDIR\Orvanta.scr"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}

  ; The user's own settings go with the program.
  DeleteRegKey HKCU "Software\Nimbrel\Orvantar Screen Saver"
  DeleteRegKey /ifempty HKCU "Software\Nimbrel"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Install.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
