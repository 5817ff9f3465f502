; Fluvia's Windows installer (64-bit). Built by make-installer.sh, which passes:
;   VERSION  the version, "1.0.2"
;   MODULES  a folder holding Fluvia.vst3 (the bundle), Fluvia.dll (the VST2 module),
;            Fluvia.clap (the CLAP module) and Fluvia.exe (the application) when it was built
;   PRESETS  a folder holding the factory presets, dated as the installer should date them
;   KNOWN    a folder of folders, one per version (this one's included), each holding the
;            factory presets that version shipped: what an unchanged factory preset holds
;   PRESET_LIST  an include file with one "!insertmacro FactoryPreset <file name>" per preset
;   LICENSE  the licence text shown before installing
;   OUTFILE  the installer to write
; and what windows/release.nsh needs (the pictures, the licence and read-me to install, the
; installer's name and the uninstaller of the first run).
;
; Installs the VST3 bundle into Common Files\VST3, the CLAP module into Common Files\CLAP,
; the VST2 module into a folder the person chooses (default Program Files\VSTPlugins;
; /D=<folder> when silent) and the factory presets into the common documents folder. A
; factory preset that is already there is replaced only when it holds what a version of
; Fluvia installed (the person never changed it): an upgrade brings the new factory sounds, and a preset the person changed, or saved
; under a factory preset's name, survives every reinstall and upgrade. A factory preset the
; person deleted is laid again, like every part of the installation. The uninstaller removes
; the modules and the factory presets that still hold what Fluvia installed, never the
; person's own presets. /S installs and uninstalls silently. The install folder of the
; uninstaller holds the licence, the read-me and Install.log, which names where everything
; went.

Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
; A window that spans the modules: the three DLLs share the artwork and most of the code.
SetCompressorDictSize 64
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define APP_KEY "Software\VelmoraAudio\Fluvia"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Fluvia"
!define VST3_FOLDER "$COMMONFILES64\VST3"
!define CLAP_FOLDER "$COMMONFILES64\CLAP"
!define PRESET_FOLDER "$DOCUMENTS\VelmoraAudio\Fluvia\Presets"
!define UNINSTALLER_FOLDER "$PROGRAMFILES64\VelmoraAudio\Fluvia"
!define UNINSTALLER "${UNINSTALLER_FOLDER}\Uninstall Fluvia.exe"
!include "${__FILEDIR__}/windows/release.nsh"

Name "Fluvia ${VERSION}"
OutFile "${OUTFILE}"
; The install folder is the VST2 folder; an earlier install's choice is offered again.
InstallDir "$PROGRAMFILES64\VSTPlugins"
InstallDirRegKey HKLM "${APP_KEY}" "VST2Folder"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs the VST3 plug-in into $COMMONFILES64\VST3 and the CLAP plug-in into $COMMONFILES64\CLAP, where every host of these formats looks, and the factory presets into the shared documents folder.$\r$\n$\r$\nChoose the folder for the VST2 plug-in: the folder your VST2 host scans."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

; Whether the factory preset file named $R1 in the preset folder holds what some version of
; Fluvia installed under that name: $R0 is 1 if so, else 0 (also when it is missing or no
; readable file). Uses $R0 to $R6; the known files are in $PLUGINSDIR\known\<version>\.
!macro FactoryContentFunctions UN
Function ${UN}SameContent  ; $R2, $R3: two files -> $R4 = 1 when they hold the same bytes
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $R4 0
  ClearErrors
  FileOpen $0 $R2 r
  IfErrors done
  FileOpen $1 $R3 r
  IfErrors close_first
  FileSeek $0 0 END $2
  FileSeek $1 0 END $3
  ; Different sizes differ; this also keeps a large file from being read byte by byte.
  StrCmp $2 $3 0 close_both
  FileSeek $0 0 SET
  FileSeek $1 0 SET
  compare:
    ClearErrors
    FileReadByte $0 $2
    IfErrors equal  ; the end of the first, and so of the second
    FileReadByte $1 $3
    IntCmp $2 $3 compare close_both close_both
  equal:
    StrCpy $R4 1
  close_both:
    FileClose $1
  close_first:
    FileClose $0
  done:
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}IsFactoryContent
  StrCpy $R0 0
  StrCpy $R2 "${PRESET_FOLDER}\Factory\$R1"
  IfFileExists $R2 0 done
  FindFirst $R5 $R6 "$PLUGINSDIR\known\*"
  next:
    StrCmp $R6 "" close
    StrCmp $R6 "." skip
    StrCmp $R6 ".." skip
    StrCpy $R3 "$PLUGINSDIR\known\$R6\$R1"
    IfFileExists $R3 0 skip
    Call ${UN}SameContent
    StrCmp $R4 1 0 skip
    StrCpy $R0 1
    Goto close
  skip:
    FindNext $R5 $R6
    Goto next
  close:
  FindClose $R5
  done:
FunctionEnd
!macroend
!insertmacro FactoryContentFunctions ""
!insertmacro FactoryContentFunctions "un."

; The factory files of every version, for IsFactoryContent.
!macro UnpackKnownFactoryPresets
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\known"
  File /r "${KNOWN}\*.*"
!macroend

; A factory preset is laid when it is missing or holds what a version of Fluvia installed.
!macro FactoryPreset NAME
  StrCpy $R1 "${NAME}"
  Call IsFactoryContent
  ${If} $R0 == 1
  ${OrIfNot} ${FileExists} "${PRESET_FOLDER}\Factory\${NAME}"
    File "${PRESETS}/${NAME}"
  ${EndIf}
!macroend

; The application beside the uninstaller, with a Start-menu shortcut for every user.
!define APP_EXE "${UNINSTALLER_FOLDER}\Fluvia.exe"
!define APP_SHORTCUT "$SMPROGRAMS\Fluvia.lnk"
!macro InstallApplication
  !if /FileExists "${MODULES}/Fluvia.exe"
    File "${MODULES}/Fluvia.exe"
    CreateShortCut "${APP_SHORTCUT}" "${APP_EXE}" "" "${APP_EXE}" 0 SW_SHOWNORMAL "" \
      "Play the Fluvia water sound instrument"
  !endif
!macroend

Section "Fluvia"
  ; The bundle is ours as a whole: an earlier one goes completely.
  RMDir /r "${VST3_FOLDER}\Fluvia.vst3"
  SetOutPath "${VST3_FOLDER}"
  File /r "${MODULES}/Fluvia.vst3"
  SetOutPath "${CLAP_FOLDER}"
  File "${MODULES}/Fluvia.clap"

  ; An earlier install may have put the VST2 module into another folder.
  ReadRegStr $0 HKLM "${APP_KEY}" "VST2Folder"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    Delete "$0\Fluvia.dll"
    RMDir "$0"
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${MODULES}/Fluvia.dll"

  !insertmacro UnpackKnownFactoryPresets
  SetOutPath "${PRESET_FOLDER}\Factory"
  !include "${PRESET_LIST}"
  CreateDirectory "${PRESET_FOLDER}\User"

  SetOutPath "${UNINSTALLER_FOLDER}"
  !insertmacro InstallApplication
  WriteRegStr HKLM "${APP_KEY}" "VST2Folder" "$INSTDIR"
  WriteRegStr HKLM "${APP_KEY}" "Version" "${VERSION}"
SectionEnd

!insertmacro FluviaReleaseSection

!macroundef FactoryPreset
; A factory preset goes only while it holds what a version of Fluvia installed: one the
; person changed stays.
!macro FactoryPreset NAME
  StrCpy $R1 "${NAME}"
  Call un.IsFactoryContent
  ${If} $R0 == 1
    Delete "${PRESET_FOLDER}\Factory\${NAME}"
  ${EndIf}
!macroend

!insertmacro FluviaReleaseUninstallSection

Section "Uninstall"
  ReadRegStr $0 HKLM "${APP_KEY}" "VST2Folder"
  ${If} $0 != ""
    Delete "$0\Fluvia.dll"
    RMDir "$0"
  ${EndIf}
  RMDir /r "${VST3_FOLDER}\Fluvia.vst3"
  Delete "${CLAP_FOLDER}\Fluvia.clap"
  RMDir "${CLAP_FOLDER}"

  !insertmacro UnpackKnownFactoryPresets
  !include "${PRESET_LIST}"
  ; Folders go only when nothing of the person's is left in them.
  RMDir "${PRESET_FOLDER}\Factory"
  RMDir "${PRESET_FOLDER}\User"
  RMDir "${PRESET_FOLDER}"
  RMDir "$DOCUMENTS\VelmoraAudio\Fluvia"
  RMDir "$DOCUMENTS\VelmoraAudio"

  Delete "${APP_SHORTCUT}"
  Delete "${APP_EXE}"
  Delete "${UNINSTALLER}"
  RMDir "${UNINSTALLER_FOLDER}"
  RMDir "$PROGRAMFILES64\VelmoraAudio"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${APP_KEY}"
  DeleteRegKey /ifempty HKLM "Software\VelmoraAudio"
SectionEnd
