; Vellumere's installer: for the current user only, without administrator rights.
; Built by scripts/release.sh:
;     makensis -DVERSION=1.2.3 -DSTAGE=folder -DOUTFILE=setup.exe -DICON=program.ico [-DX64] Vellumere.nsi
; STAGE holds what is installed: Vellumere.exe, vellumere-convert.exe,
; vellumere.html, README.txt and LICENSE.txt. With X64 the installer is a
; 64-bit program (it runs where 32-bit ones cannot) and installs the 64-bit
; build; both install into the same folder under the same uninstall entry.
;
; Command line (both also with /S, silent):
;     setup.exe [/S] [/NOAUTOSTART] [/D=folder]
;     Uninstall.exe [/S] [/REMOVESETTINGS]

!macro REQUIRE name
  !ifndef ${name}
    !error "${name} must be defined (see scripts/release.sh)"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE OUTFILE
!insertmacro REQUIRE ICON

!ifdef X64
  Target amd64-unicode
!else
  Unicode true
!endif
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma
; A file that cannot be replaced (a copy still running, a scanner holding it)
; ends the installation; silently skipping it would register a version that
; is not there.
AllowSkipFiles off

!define PRODUCT "Vellumere"
!define PUBLISHER "Quorvath"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumere"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The program's own settings; its "1.3" subkey lies below.
!define SETTINGS_KEY "Software\Quorvath\Vellumere"
!define WINDOW_CLASS "Vellumere Window Class"
; The program keeps its temporary bitmap and, by default, its image list file in
; the folder it starts in: the shortcut starts it in this one, which the user can
; always write to and which is not cleared as a temporary folder would be.
!define WORK_DIR "$LOCALAPPDATA\Vellumere"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vellumere"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) ${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"
!include "WordFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "Tick your settings too to remove them with the program: your image list, interval and selection method. Keep them if you may install ${PRODUCT} again."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends a running Vellumere so that its file can be replaced or removed. Closing
; its hidden window ends it as quitting from its options dialog does (its icon
; goes away); the user is asked first unless the run is silent.
Var ProgramWasClosed
; Files of ours whose names other programs use too, recorded as installed
; (in the uninstall entry's "InstalledFiles").
Var InstalledFiles

!macro CLOSE_PROGRAM_FUNCTION un
Function ${un}CloseProgram
  FindWindow $0 "${WINDOW_CLASS}" "${PRODUCT}"
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $ProgramWasClosed 1
  ${IfNot} ${Silent}
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "${PRODUCT} is running. It will be closed to go on." /SD IDOK IDOK +2
    Abort
  ${EndIf}
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  ; Up to 10 s for the window to go.
  StrCpy $1 0
  ${Do}
    Sleep 100
    IntOp $1 $1 + 1
    FindWindow $0 "${WINDOW_CLASS}" "${PRODUCT}"
    ${If} $0 == 0
    ${OrIf} $1 >= 100
      ${ExitDo}
    ${EndIf}
  ${Loop}
  ; Then up to 10 s more for the ending process to let go of its file.
  StrCpy $1 0
  ${Do}
    ${IfNot} ${FileExists} "$INSTDIR\Vellumere.exe"
      ${ExitDo}
    ${EndIf}
    ClearErrors
    FileOpen $0 "$INSTDIR\Vellumere.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      ${ExitDo}
    ${EndIf}
    ${If} $1 >= 50
      ${ExitDo}
    ${EndIf}
    IntOp $1 $1 + 1
    Sleep 200
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_PROGRAM_FUNCTION ""
!insertmacro CLOSE_PROGRAM_FUNCTION "un."

; Whether a file of this name in $INSTDIR was put there by this installer:
; an earlier installation into the same folder recorded it (or, before the
; record existed, installed every file). Takes the name, leaves 1 or 0.
!macro IS_OURS_FUNCTION un
Function ${un}IsOurs
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $R2 0
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 == $INSTDIR
    ClearErrors
    ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstalledFiles"
    ${If} ${Errors}
      StrCpy $R2 1
    ${Else}
      ${WordFind} "$R1" "|$R0|" "E#" $R1
      ${IfNot} ${Errors}
        StrCpy $R2 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $R0 $R2
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro IS_OURS_FUNCTION ""
!insertmacro IS_OURS_FUNCTION "un."

; README.txt and LICENSE.txt: another program's file of that name in a
; shared folder is left as it is, and ours is not installed.
!macro INSTALL_SHARED_NAME name
  Push "${name}"
  Call IsOurs
  Pop $0
  ${If} ${FileExists} "$INSTDIR\${name}"
  ${AndIf} $0 != 1
    DetailPrint "Kept another program's $INSTDIR\${name}"
  ${Else}
    File "${STAGE}\${name}"
    StrCpy $InstalledFiles "$InstalledFiles|${name}|"
  ${EndIf}
!macroend

Section "${PRODUCT}" SectionProgram
  SectionIn RO
  Call CloseProgram

  SetOutPath "$INSTDIR"
  ; The uninstaller's name is common: another program's is never replaced.
  Push "Uninstall.exe"
  Call IsOurs
  Pop $0
  ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
  ${AndIf} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR holds another program's Uninstall.exe. Choose a folder of its own for ${PRODUCT}." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  File "${STAGE}\Vellumere.exe"
  File "${STAGE}\vellumere-convert.exe"
  File "${STAGE}\vellumere.html"
  StrCpy $InstalledFiles ""
  !insertmacro INSTALL_SHARED_NAME "README.txt"
  !insertmacro INSTALL_SHARED_NAME "LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  StrCpy $InstalledFiles "$InstalledFiles|Uninstall.exe|"

  ; The shortcut's working directory is the current output folder.
  CreateDirectory "${WORK_DIR}"
  SetOutPath "${WORK_DIR}"
  ; A folder of its own: the program, and the two commands to the running
  ; copy that a user can give a shortcut key or call from scripts. Earlier
  ; versions put the one shortcut straight into the Start menu.
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Vellumere.exe" "" "$INSTDIR\Vellumere.exe" 0 \
      SW_SHOWNORMAL "" "Change the desktop wallpaper from a list of pictures"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Next Wallpaper.lnk" "$INSTDIR\Vellumere.exe" "/next" \
      "$INSTDIR\Vellumere.exe" 0 SW_SHOWNORMAL "" "Show the next picture now"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Previous Wallpaper.lnk" "$INSTDIR\Vellumere.exe" "/previous" \
      "$INSTDIR\Vellumere.exe" 0 SW_SHOWNORMAL "" "Bring back the picture shown before"

  ; Started from the Run entry at logon the program's folder is the system's,
  ; where it could not write its temporary bitmap: give it the working folder's
  ; unless the user has chosen a place already.
  ReadRegStr $0 HKCU "${SETTINGS_KEY}\1.3" "TempFilename"
  StrCmp $0 "" 0 +2
    WriteRegStr HKCU "${SETTINGS_KEY}\1.3" "TempFilename" "${WORK_DIR}\temp.bmp"

  ; Written again by the next section when the user keeps it.
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vellumere.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstalledFiles" "$InstalledFiles"

  ; A silent upgrade puts back the program it closed.
  ${If} ${Silent}
  ${AndIf} $ProgramWasClosed == 1
    Call StartProgram
  ${EndIf}
SectionEnd

Section "Start ${PRODUCT} when Windows starts" SectionAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Vellumere.exe"'
SectionEnd

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionAutostart}
  ${EndIf}
FunctionEnd

; "Start Vellumere now" on the last page: in the same folder as the shortcut.
Function StartProgram
  SetOutPath "${WORK_DIR}"
  Exec '"$INSTDIR\Vellumere.exe"'
FunctionEnd

!macro REMOVE_FILE name
  ClearErrors
  Delete "$INSTDIR\${name}"
  ${If} ${Errors}
    StrCpy $R9 "$R9$\n$INSTDIR\${name}"
  ${EndIf}
!macroend

!macro REMOVE_SHARED_NAME name
  Push "${name}"
  Call un.IsOurs
  Pop $0
  ${If} $0 == 1
    !insertmacro REMOVE_FILE "${name}"
  ${EndIf}
!macroend

Section "un.${PRODUCT}" SectionUninstallProgram
  SectionIn RO
  Call un.CloseProgram

  ; A file that cannot be removed (in use) ends the uninstallation with the
  ; program still registered, so that it can be run again.
  StrCpy $R9 ""
  !insertmacro REMOVE_FILE "Vellumere.exe"
  !insertmacro REMOVE_FILE "vellumere-convert.exe"
  !insertmacro REMOVE_FILE "vellumere.html"
  !insertmacro REMOVE_SHARED_NAME "README.txt"
  !insertmacro REMOVE_SHARED_NAME "LICENSE.txt"
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not remove$R9$\n$\nClose the program that uses them and run the uninstaller again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; Run in place (_?=) the uninstaller cannot remove itself; the folder then stays.
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: anything the user put there stays.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Next Wallpaper.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Previous Wallpaper.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The working folder goes when the program left nothing in it.
  RMDir "${WORK_DIR}"
SectionEnd

Section /o "un.Your settings and image list" SectionUninstallSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Quorvath"
  ; What the program writes where it puts its files by default: the temporary
  ; bitmap, the image list file, the shuffled round beside it, and the copies
  ; each is written to before it replaces the file.
  Delete "${WORK_DIR}\temp.bmp"
  Delete "${WORK_DIR}\temp.bmp.tmp"
  Delete "${WORK_DIR}\ImageList.qx"
  Delete "${WORK_DIR}\ImageList.qx.tmp"
  Delete "${WORK_DIR}\ImageList.qx.round"
  Delete "${WORK_DIR}\ImageList.qx.round.tmp"
  RMDir "${WORK_DIR}"
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionUninstallSettings}
  ${EndIf}
FunctionEnd
