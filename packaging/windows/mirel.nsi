; The Windows installer, made by package-windows.sh, which defines:
;   VERSION   the project's version; VERSION4 the same in four numbers
;   FILES     the staged files: MIREL_INSTALL_FILES and MIREL_DELETE_FILES
;   OUTFILE   the installer to write
; It installs for the current user alone, without administrator rights, into
; the user's programs folder. The uninstaller deletes what was installed and
; nothing else: the player's record file (Mirel.mtt, Mirel.mtt.bak) stays,
; and so does the folder that holds it.

Unicode true
; A 64-bit installer for a 64-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirel"
!define PUBLISHER "The Mirel authors"
!define SHORTCUT "$SMPROGRAMS\ミレル.lnk"

Name "ミレル"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Mirel"
; A second install goes where the first went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"
!include "${FILES}"

!define MUI_ICON "../../assets/icons/mirel.ico"
!define MUI_UNICON "../../assets/icons/mirel.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\mirel.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first is the default; otherwise the one of Windows' display language.
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString OLD_WINDOWS ${LANG_JAPANESE} "ミレルには Windows 10 以降が必要です。"
LangString OLD_WINDOWS ${LANG_ENGLISH} "ミレル needs Windows 10 or later."

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "ミレル"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "ミレル setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}. MIT licence."
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"

Function .onInit
  ; The program is built for Windows 10 and later.
  ${IfNot} ${AtLeastWin10}
    MessageBox MB_ICONSTOP|MB_OK "$(OLD_WINDOWS)" /SD IDOK
    Abort
  ${EndIf}
  SetShellVarContext current
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  !insertmacro MIREL_INSTALL_FILES
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\mirel.exe" "" "$INSTDIR\mirel.exe" 0

  ; The entry in the system's list of programs.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "ミレル"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mirel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  !insertmacro MIREL_DELETE_FILES
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only when empty: the record file keeps it.
  RMDir "$INSTDIR"
SectionEnd
