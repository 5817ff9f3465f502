; The installer's finish for a Windows release, included by fluvia.nsi after its names are
; defined and before its pages: Fluvia's own icon and pictures, the version information of
; the installer and of the uninstaller, the finish page naming where everything went, the
; licence and read-me in the install folder, the installation log and the uninstall entry
; Windows shows in its list of installed programs.
;
; Needs, beside fluvia.nsi's names: ARTWORK (a folder with Fluvia.ico, wizard.bmp and
; header.bmp, from make-artwork.sh), DOCS (a folder with License.txt and Readme.txt, CR LF)
; and OUTFILE_NAME (the installer's file name). The uninstaller is made by a first run of
; makensis with EXPORT_UNINSTALLER (the path it is copied to), so that it carries version
; information of its own; the second run, with UNINSTALLER_EXE naming that copy, installs it
; as a file.

!define README_FILE "${UNINSTALLER_FOLDER}\Readme.txt"
!define LICENSE_FILE "${UNINSTALLER_FOLDER}\License.txt"
!define INSTALL_LOG "${UNINSTALLER_FOLDER}\Install.log"

; ---- Icon and pictures ----------------------------------------------------------------------
!define MUI_ICON "${ARTWORK}/Fluvia.ico"
!define MUI_UNICON "${ARTWORK}/Fluvia.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ARTWORK}/wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${ARTWORK}/wizard.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ARTWORK}/header.bmp"
BrandingText "VelmoraAudio Fluvia ${VERSION}"

; ---- Version information (Explorer's Properties > Details) ---------------------------------
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Fluvia"
VIAddVersionKey "CompanyName" "VelmoraAudio"
VIAddVersionKey "LegalCopyright" "© 2026 Velmora Audio. Licensed under the GNU General Public License version 3."
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
!ifdef EXPORT_UNINSTALLER
  VIAddVersionKey "FileDescription" "Fluvia ${VERSION} uninstaller"
  VIAddVersionKey "OriginalFilename" "Uninstall Fluvia.exe"
  ; The uninstaller as made, before it is packed into this run's (unused) installer.
  !uninstfinalize 'cp "%1" "${EXPORT_UNINSTALLER}"'
!else
  VIAddVersionKey "FileDescription" "Fluvia ${VERSION} installer"
  VIAddVersionKey "OriginalFilename" "${OUTFILE_NAME}"
  ; The uninstall section is compiled here only to keep one script: the uninstaller this
  ; installer lays is the first run's.
  !pragma warning disable 6020
!endif

; ---- Finish page: where everything went -----------------------------------------------------
!define MUI_FINISHPAGE_TITLE "Fluvia ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT_LARGE
; Seven lines: as many as the page has room for above its check box.
!define MUI_FINISHPAGE_TEXT "Let your host scan its plug-ins again to find Fluvia.$\r$\nVST3 and CLAP plug-ins:$\r$\n    ${VST3_FOLDER}\Fluvia.vst3$\r$\n    ${CLAP_FOLDER}\Fluvia.clap$\r$\nVST2 plug-in: $INSTDIR\Fluvia.dll$\r$\nPresets:$\r$\n    ${PRESET_FOLDER}"
!define MUI_FINISHPAGE_SHOWREADME "${README_FILE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the read-me"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

; Lays the uninstaller: the first run's copy, or (in that first run) the one being made.
!macro FluviaUninstaller
  !ifdef EXPORT_UNINSTALLER
    WriteUninstaller "${UNINSTALLER}"
  !else
    File "/oname=${UNINSTALLER}" "${UNINSTALLER_EXE}"
  !endif
!macroend

; One line of the installation log, shown in the details list too.
!macro FluviaLogLine TEXT
  FileWriteUTF16LE $R9 "${TEXT}$\r$\n"
  DetailPrint "${TEXT}"
!macroend

; The licence, the read-me, the uninstaller, the log and the uninstall entry; after the
; section that installs the plug-ins, so the log names where they are.
!macro FluviaReleaseSection
Section "-Release information"
  SetOutPath "${UNINSTALLER_FOLDER}"
  Delete "${UNINSTALLER_FOLDER}\Copyright.txt"  ; an older version's name for the licence
  File "${DOCS}/License.txt"
  File "${DOCS}/Readme.txt"
  !insertmacro FluviaUninstaller

  ; UTF-16 with a byte order mark: every folder name survives, and Notepad reads it.
  FileOpen $R9 "${INSTALL_LOG}" w
  FileWriteUTF16LE /BOM $R9 ""
  !insertmacro FluviaLogLine "Fluvia ${VERSION} installed"
  !insertmacro FluviaLogLine "VST3 plug-in: ${VST3_FOLDER}\Fluvia.vst3"
  !insertmacro FluviaLogLine "CLAP plug-in: ${CLAP_FOLDER}\Fluvia.clap"
  !insertmacro FluviaLogLine "VST2 plug-in: $INSTDIR\Fluvia.dll"
  !insertmacro FluviaLogLine "Presets: ${PRESET_FOLDER}"
  !if /FileExists "${MODULES}/Fluvia.exe"
    !insertmacro FluviaLogLine "Application: ${APP_EXE}"
  !endif
  !insertmacro FluviaLogLine "Licence, read-me and uninstaller: ${UNINSTALLER_FOLDER}"
  FileClose $R9

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Fluvia ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${UNINSTALLER},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VelmoraAudio"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${README_FILE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://velmora.audio"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${UNINSTALLER}" /S'
  ; What the installation takes: the files of every section, in KiB, as makensis counted them.
  StrCpy $R0 0
  StrCpy $R1 0
  ${Do}
    ClearErrors
    SectionGetSize $R0 $R2
    ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
    IntOp $R1 $R1 + $R2
    IntOp $R0 $R0 + 1
  ${Loop}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd
!macroend

; Before the uninstall section, which removes the folder once it is empty.
!macro FluviaReleaseUninstallSection
Section "-un.Release information"
  Delete "${LICENSE_FILE}"
  Delete "${README_FILE}"
  Delete "${INSTALL_LOG}"
  Delete "${UNINSTALLER_FOLDER}\Copyright.txt"
SectionEnd
!macroend
