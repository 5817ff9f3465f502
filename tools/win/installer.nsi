; The Windows installer: the VST3 bundle where every VST3 host looks, the VST2 DLL (when it is
; built) in the common VST2 folder, and the factory presets in the all-users documents folder,
; laid there by the same preset installer the Linux setup runs, so that presets a user changed
; are never overwritten. Silent with /S.
;   makensis -DDIST=<folder of collect-dist.sh> -DOUTFILE=<setup.exe> -DVERSION=x.y.z installer.nsi
Target amd64-unicode
Unicode true
!include "x64.nsh"
!include "LogicLib.nsh"

Name "Fluvia ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VelmoraAudio\Fluvia"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Fluvia"
  SetShellVarContext all
  SetRegView 64
  ; The VST3 bundle.
  SetOutPath "$COMMONFILES64\VST3\Fluvia.vst3"
  File /r "${DIST}\Fluvia.vst3\*.*"
  ; The VST2 module, in the folder most VST2 hosts scan by default.
  !if /FileExists "${DIST}\Fluvia.dll"
    SetOutPath "$PROGRAMFILES64\VSTPlugins"
    File "${DIST}\Fluvia.dll"
  !endif
  ; The preset installer stays with the uninstaller; it lays the factory presets into
  ; C:\Users\Public\Documents\VelmoraAudio\Fluvia\Presets\.
  SetOutPath "$INSTDIR"
  File "${DIST}\fluvia-install-presets.exe"
  ExecWait '"$INSTDIR\fluvia-install-presets.exe"' $0
  ${If} $0 != 0
    DetailPrint "The factory presets could not all be installed (error $0)."
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall Fluvia.exe"
SectionEnd

; Removes the modules; the preset folder stays, since it holds the user's own presets.
Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  RMDir /r "$COMMONFILES64\VST3\Fluvia.vst3"
  Delete "$PROGRAMFILES64\VSTPlugins\Fluvia.dll"
  Delete "$INSTDIR\fluvia-install-presets.exe"
  Delete "$INSTDIR\Uninstall Fluvia.exe"
  RMDir "$INSTDIR"
SectionEnd
