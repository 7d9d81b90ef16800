; Per-user installer of Nuvela: no administrator rights, everything under the user's own profile.
; scripts/package.sh runs makensis with VERSION (the project's version), COMPANY and COPYRIGHT (the
; maker's name and copyright line), STAGE (the folder holding the files to install), LICENSE_EN and
; LICENSE_JA (the terms as each language's licence page shows them, its own language's first), ICON,
; PICTURE (the welcome and finish pages' picture, drawn from the icon at 200 %) and OUTFILE defined.
Unicode true
Target amd64-unicode  ; Nuvela is x64 only, and a 32-bit installer would not even start on Wine64
; Drawn at the monitor's DPI instead of stretched (and blurred) by Windows at 125 % and more. Its
; controls grow with the DPI; the welcome picture, drawn at 200 %, is scaled down to its control.
ManifestDPIAware true

!macro REQUIRE_DEFINE name
  !ifndef ${name}
    !error "makensis needs -D${name}=..."
  !endif
!macroend
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE COMPANY
!insertmacro REQUIRE_DEFINE COPYRIGHT
!insertmacro REQUIRE_DEFINE STAGE
!insertmacro REQUIRE_DEFINE LICENSE_EN
!insertmacro REQUIRE_DEFINE LICENSE_JA
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE PICTURE
!insertmacro REQUIRE_DEFINE OUTFILE

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nuvela"
!define SETTINGS_KEY "Software\Tavernel\Nuvela"
!define MAIN_WINDOW_CLASS "NuvelaClipboardText"
!define SYNCHRONIZE 0x00100000
!define SWP_NOZORDER 0x0004
!define SWP_NOACTIVATE 0x0010

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

; The product's name in each language, as the program calls itself.
Name "$(ProductName) ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Nuvela"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText " "  ; a space: an empty text would bring back the packaging tool's name and version

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Nuvela"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "FileDescription" "Nuvela ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Nuvela.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "$(LicenseTerms)"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.WidenUninstallButton
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE un.RestoreUninstallButton
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the user's own is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

; The same terms as the installed LICENSE.txt, the page's own language first.
LicenseLangString LicenseTerms ${LANG_ENGLISH} "${LICENSE_EN}"
LicenseLangString LicenseTerms ${LANG_JAPANESE} "${LICENSE_JA}"

LangString ProductName ${LANG_ENGLISH} "Nuvela"
LangString ProductName ${LANG_JAPANESE} "ヌベラ"
; The packaging tool's Japanese texts write this button in half-width katakana.
LangString ^UninstallBtn ${LANG_JAPANESE} "アンインストール(&U)"

LangString RemoveSettingsQuestion ${LANG_ENGLISH} "Remove Nuvela's settings too?$\r$\n$\r$\nChoose No to keep them for a later installation."
LangString RemoveSettingsQuestion ${LANG_JAPANESE} "ヌベラの設定も削除しますか？$\r$\n$\r$\n後でまたインストールするときのために残すには［いいえ］を選んでください。"
LangString StillRunning ${LANG_ENGLISH} "Nuvela is still running and could not be ended. End it from its tray menu, then choose Retry."
LangString StillRunning ${LANG_JAPANESE} "ヌベラが動作中のため終了できませんでした。トレイメニューの「終了」で終了してから［再試行］を選んでください。"

; Speaks the language the program will speak, chosen the same way: NUVELA_LANG when it is set ("JA"
; in any case for Japanese, anything else English), otherwise the system's default language, not
; the display language the packaging tool would follow.
!macro CHOOSE_LANGUAGE function
Function ${function}
  Push $0
  ReadEnvStr $0 NUVELA_LANG
  ${If} $0 != ""
    ${If} $0 == "JA"  ; compared without regard to case
      StrCpy $LANGUAGE ${LANG_JAPANESE}
    ${Else}
      StrCpy $LANGUAGE ${LANG_ENGLISH}
    ${EndIf}
  ${Else}
    System::Call 'kernel32::GetSystemDefaultLangID() i .r0'
    IntOp $0 $0 & 0x3FF  ; the primary language
    ${If} $0 = 0x11  ; LANG_JAPANESE
      StrCpy $LANGUAGE ${LANG_JAPANESE}
    ${Else}
      StrCpy $LANGUAGE ${LANG_ENGLISH}
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd
!macroend
!insertmacro CHOOSE_LANGUAGE .onInit
!insertmacro CHOOSE_LANGUAGE un.onInit

; The full-width Japanese label is wider than the packaging tool's buttons. On the confirmation page,
; the first, the Back button to its left is hidden, so the button grows to the left there, and is
; put back as it was for the next page, where Back shows again.
Var uninstallButtonRect
Function un.WidenUninstallButton
  StrCmp $LANGUAGE ${LANG_JAPANESE} 0 done
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  GetDlgItem $0 $HWNDPARENT 1
  System::Call '*(i, i, i, i) p .s'
  Pop $uninstallButtonRect
  System::Call 'user32::GetWindowRect(p r0, p $uninstallButtonRect)'
  System::Call 'user32::MapWindowPoints(p 0, p $HWNDPARENT, p $uninstallButtonRect, i 2)'
  System::Call '*$uninstallButtonRect(i .r1, i .r2, i .r3, i .r4)'
  IntOp $3 $3 - $1  ; width
  IntOp $4 $4 - $2  ; height
  IntOp $1 $1 - $3  ; twice as wide, the right edge kept
  IntOp $3 $3 * 2
  System::Call 'user32::SetWindowPos(p r0, p 0, i r1, i r2, i r3, i r4, i ${SWP_NOZORDER}|${SWP_NOACTIVATE})'
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  done:
FunctionEnd

Function un.RestoreUninstallButton
  StrCmp $uninstallButtonRect "" done
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  GetDlgItem $0 $HWNDPARENT 1
  System::Call '*$uninstallButtonRect(i .r1, i .r2, i .r3, i .r4)'
  IntOp $3 $3 - $1
  IntOp $4 $4 - $2
  System::Call 'user32::SetWindowPos(p r0, p 0, i r1, i r2, i r3, i r4, i ${SWP_NOZORDER}|${SWP_NOACTIVATE})'
  System::Free $uninstallButtonRect
  StrCpy $uninstallButtonRect ""
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  done:
FunctionEnd

; Ends a running Nuvela with its own /X and waits until its process is gone, so its files can be
; replaced or deleted. The process is opened before /X, while its window still names it.
!macro END_RUNNING_NUVELA un
Function ${un}EndRunningNuvela
  Push $0
  Push $1
  Push $2
  retry:
  FindWindow $0 "${MAIN_WINDOW_CLASS}"
  ${If} $0 <> 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
    ${If} ${FileExists} "$INSTDIR\Nuvela.exe"
      ExecWait '"$INSTDIR\Nuvela.exe" /X'
    ${Else}
      SendMessage $0 ${WM_DESTROY} 0 0  ; what /X asks of the running copy
    ${EndIf}
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 30000) i'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
    FindWindow $0 "${MAIN_WINDOW_CLASS}"
    ${If} $0 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
      Abort
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_RUNNING_NUVELA ""
!insertmacro END_RUNNING_NUVELA "un."

Section "Nuvela"
  SetShellVarContext current
  ; Over an earlier installation the running program would keep its files from being replaced.
  ${If} ${FileExists} "$INSTDIR\Nuvela.exe"
    Call EndRunningNuvela
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${STAGE}/Nuvela.exe"
  File "${STAGE}/Convert.def"
  File "${STAGE}/Nuvela.chm"
  File "${STAGE}/nuvela-filter.exe"
  File "${STAGE}/README-ja.txt"
  File "${STAGE}/README-en.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Named in the installer's language; one an installation in the other language made goes.
  Delete "$SMPROGRAMS\ヌベラ.lnk"
  Delete "$SMPROGRAMS\Nuvela.lnk"
  CreateShortCut "$SMPROGRAMS\$(ProductName).lnk" "$INSTDIR\Nuvela.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "$(ProductName)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Nuvela.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Settings are kept unless the user says otherwise: asked when the uninstaller shows its pages,
; before anything is removed, and removed in silent mode only with /REMOVESETTINGS.
Function un.ShouldRemoveSettings
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    Push 1
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveSettingsQuestion)" /SD IDNO IDYES remove
  Push 0
  Return
  remove:
  Push 1
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Asked while everything is still in place: a user who cancels the question's box, or whose
  ; uninstallation stops at a running Nuvela, has lost nothing yet.
  Call un.ShouldRemoveSettings
  Pop $R0
  Call un.EndRunningNuvela

  Delete "$INSTDIR\Nuvela.exe"
  Delete "$INSTDIR\Convert.def"
  Delete "$INSTDIR\Nuvela.chm"
  Delete "$INSTDIR\nuvela-filter.exe"
  Delete "$INSTDIR\README-ja.txt"
  Delete "$INSTDIR\README-en.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"

  Delete "$SMPROGRAMS\ヌベラ.lnk"
  Delete "$SMPROGRAMS\Nuvela.lnk"
  ; The program names its start-up shortcut after its display name in the language it ran in.
  Delete "$SMSTARTUP\ヌベラ.lnk"
  Delete "$SMSTARTUP\Nuvela.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${If} $R0 = 1
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Tavernel"
    Delete "$INSTDIR\Nuvela.ini"
    Delete "$INSTDIR\Nuvela.ini.tmp"  ; the copy a save of the /O mode writes first
  ${EndIf}
  ; Left in place while it still holds kept settings (Nuvela.ini of the /O mode).
  RMDir "$INSTDIR"
SectionEnd
