; The Quillmere installer: the program, its help file and its template pages and icons go into
; the program files folder, with a Start menu shortcut and an entry in the list of installed
; programs. The uninstaller removes exactly those and leaves the browser's settings and
; Quillmere's own record in the registry alone: they belong to the user, not to the package.
;
;   makensis -DVERSION=1.1 -DDIST=<dist folder> -DFILES=<files.nsh> -DICON=<quillmere.ico>
;            -DOUTFILE=<setup.exe> quillmere.nsi
;
; files.nsh comes from make-installer.cmake, which runs this (the build's installer target).

Unicode true
Target amd64-unicode

!ifndef VERSION
  !error "VERSION must be given, for example -DVERSION=1.1"
!endif
!ifndef DIST
  !error "DIST must name the folder of the built program"
!endif
!ifndef FILES
  !error "FILES must name the list of shipped files made by make-installer.cmake"
!endif
!ifndef ICON
  !error "ICON must name the program's icon file"
!endif
!ifndef OUTFILE
  !define OUTFILE "quillmere-${VERSION}-setup.exe"
!endif

!include "${FILES}"

!define PRODUCT "Quillmere"
!define PUBLISHER "The Quillmere team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quillmere"
  SetRegView 64
  SetShellVarContext all
  !insertmacro QM_INSTALL_FILES
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quillmere.exe" "" "$INSTDIR\quillmere.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillmere.exe,0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro QM_REMOVE_FILES
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: a file the user put into the folder stays, and with it the folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
