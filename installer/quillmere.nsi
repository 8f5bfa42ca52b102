; The Quillmere installer: the program, its help file and its template pages and icons go into
; the program files folder, with a Start menu shortcut and an entry in the list of installed
; programs. The uninstaller removes exactly those, with one exception: the browser's toolbar
; buttons and context-menu entries made from the templates point at the template pages and
; icons, and would show broken without them. So the uninstaller first looks for the program's
; own buttons and entries (the ones carrying its marker, or named in its own record) that point
; at a template file, and asks whether to remove them too (a silent uninstall keeps them unless
; /REMOVESETTINGS is given). Every template file that a button or entry still points at after
; that, kept or not the program's own, stays where it is, and the uninstaller says so. Settings
; of the browser that point elsewhere are never touched.
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
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quillmere"
!define PUBLISHER "The Quillmere team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere"
; Where the browser reads toolbar buttons and context-menu entries (one sub-key each), the
; marker value the program writes into the ones it makes, and its own record of the button keys
; it made (values named StdBtnNN under the current user, each holding a key name).
!define EXTENSIONS_KEY "Software\Microsoft\Internet Explorer\Extensions"
!define MENUEXT_KEY "Software\Microsoft\Internet Explorer\MenuExt"
!define MARKER "IsQuillmere"
!define OWN_RECORD_KEY "Software\qzo\Quillmere\StdBtn"
!define OWN_RECORD_PARENTS "Software\qzo\Quillmere"
!define OWN_RECORD_ROOT "Software\qzo"

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

; --- the uninstaller ---

LangString QmAskRemove 1033 "Toolbar buttons or context-menu entries of Internet Explorer that were made with ${PRODUCT} point at its template pages and icons in $INSTDIR.$\r$\n$\r$\nRemove these buttons and entries as well?$\r$\n$\r$\nYes removes them. No keeps them, and keeps the template files they use, so that they go on working."
LangString QmRemoved 1033 "Removed $QmPlace\$QmKey"
LangString QmNotRemoved 1033 "Could not remove $QmPlace\$QmKey, so the template files it uses stay"
LangString QmKeptFile 1033 "Kept $INSTDIR\$QmRel: a toolbar button or context-menu entry points at it"
LangString QmKeptFiles 1033 "Template files stay in $INSTDIR ($QmKept in all), because toolbar buttons or context-menu entries of Internet Explorer point at them. The details list them; delete them once no button or entry uses them."

Var QmRemove   ; "1" when the program's own settings that use template files go too
Var QmMode     ; what un.QmVisitRecord does with each record: count, remove or find
Var QmFound    ; how many records count or find met
Var QmKept     ; how many template files stay
Var QmView     ; the registry view being walked: 32 or 64
Var QmContext  ; SHCTX's root: current (HKCU) or all (HKLM)
Var QmPlace    ; the root and view being walked, as the details name them
Var QmParent   ; the key of the records being walked: EXTENSIONS_KEY or MENUEXT_KEY
Var QmIndex    ; the position of the next record below QmParent
Var QmName     ; the record's key name
Var QmKey      ; QmParent\QmName
Var QmDeleted  ; "1" when the record was just removed
Var QmText     ; a text read from a record
Var QmPath     ; the file it names, resolved (un.QmFilePath)
Var QmTarget   ; the one template file find looks for, resolved; empty: every template file
Var QmTemplate ; a template file, resolved
Var QmUses     ; "1" when the record points at a template file (or at QmTarget)
Var QmOwn      ; "1" when the record is the program's own
Var QmRel      ; a template file's path below $INSTDIR

; Sets the registry view and SHCTX to the place being walked.
Function un.QmEnterPlace
  ${If} $QmView == 32
    SetRegView 32
  ${Else}
    SetRegView 64
  ${EndIf}
  ${If} $QmContext == current
    SetShellVarContext current
  ${Else}
    SetShellVarContext all
  ${EndIf}
FunctionEnd

; The file that a text from the registry names, as the system resolves it, in its short form,
; so that long and short names, letter case, "/" for "\" and ".." steps all compare equal:
; environment variables expanded, a path in quotes taken without them and what follows, and an
; icon location's ",number" cut off. Empty when the text names no existing file by an absolute
; path (a relative one would be resolved against the uninstaller's folder, not the browser's).
; In: $QmText. Out: $QmPath.
Function un.QmFilePath
  Push $R0
  Push $R1
  Push $R2
  StrCpy $QmPath ""
  ExpandEnvStrings $R0 $QmText
  StrCpy $R1 $R0 1
  ${If} $R1 == '"'
    StrCpy $R0 $R0 "" 1
    StrCpy $R2 0
    ${Do}
      StrCpy $R1 $R0 1 $R2
      ${If} $R1 == '"'
      ${OrIf} $R1 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $R2 $R2 + 1
    ${Loop}
    StrCpy $R0 $R0 $R2
  ${EndIf}
  StrCpy $R1 $R0 2 1
  StrCpy $R2 $R0 2
  ${If} $R1 == ":\"
  ${OrIf} $R1 == ":/"
  ${OrIf} $R2 == "\\"
    GetFullPathName /SHORT $QmPath $R0
    ${If} $QmPath == ""
      StrLen $R2 $R0
      ${Do}
        IntOp $R2 $R2 - 1
        ${IfThen} $R2 < 1 ${|} ${ExitDo} ${|}
        StrCpy $R1 $R0 1 $R2
        ${If} $R1 == ","
          StrCpy $R0 $R0 $R2
          GetFullPathName /SHORT $QmPath $R0
          ${ExitDo}
        ${EndIf}
      ${Loop}
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

!macro QM_MATCH_TEMPLATE REL
  GetFullPathName /SHORT $QmTemplate "$INSTDIR\${REL}"
  StrCmp $QmTemplate "" +2
  StrCmp $QmTemplate $QmPath qm_is_template
!macroend

; Sets $QmUses when $QmText names a template file (or, when $QmTarget is set, that one file).
Function un.QmTextUses
  ${IfThen} $QmText == "" ${|} Return ${|}
  Call un.QmFilePath
  ${IfThen} $QmPath == "" ${|} Return ${|}
  ${If} $QmTarget != ""
    ${IfThen} $QmPath == $QmTarget ${|} StrCpy $QmUses 1 ${|}
    Return
  ${EndIf}
  !insertmacro QM_TEMPLATE_FILES QM_MATCH_TEMPLATE
  Return
  qm_is_template:
  StrCpy $QmUses 1
FunctionEnd

; Whether the record $QmKey (below SHCTX) points at a template file: a context-menu entry by
; its script page (the default value), a toolbar button by its script page, the program or page
; it runs, or either icon. Out: $QmUses.
Function un.QmRecordUses
  StrCpy $QmUses ""
  ${If} $QmParent == "${MENUEXT_KEY}"
    ReadRegStr $QmText SHCTX $QmKey ""
    Call un.QmTextUses
    Return
  ${EndIf}
  ReadRegStr $QmText SHCTX $QmKey "Script"
  Call un.QmTextUses
  ${IfThen} $QmUses == 1 ${|} Return ${|}
  ReadRegStr $QmText SHCTX $QmKey "Exec"
  Call un.QmTextUses
  ${IfThen} $QmUses == 1 ${|} Return ${|}
  ReadRegStr $QmText SHCTX $QmKey "Icon"
  Call un.QmTextUses
  ${IfThen} $QmUses == 1 ${|} Return ${|}
  ReadRegStr $QmText SHCTX $QmKey "HotIcon"
  Call un.QmTextUses
FunctionEnd

; Whether the record $QmKey (below SHCTX) is the program's own: it carries the marker (of any
; type: only its presence counts), or, for a toolbar button, the own record has an entry whose
; data is exactly the key's name. Out: $QmOwn.
Function un.QmIsOwn
  Push $R0
  Push $R1
  StrCpy $QmOwn ""
  StrCpy $R0 0
  ${Do}
    ClearErrors
    EnumRegValue $R1 SHCTX $QmKey $R0
    ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
    ${If} $R1 == "${MARKER}"
      StrCpy $QmOwn 1
      ${ExitDo}
    ${EndIf}
    IntOp $R0 $R0 + 1
  ${Loop}
  ${If} $QmOwn != 1
  ${AndIf} $QmParent == "${EXTENSIONS_KEY}"
    StrCpy $R0 0
    ${Do}
      ClearErrors
      EnumRegValue $R1 HKCU "${OWN_RECORD_KEY}" $R0
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      ReadRegStr $R1 HKCU "${OWN_RECORD_KEY}" $R1
      ${If} $R1 S== $QmName
        StrCpy $QmOwn 1
        ${ExitDo}
      ${EndIf}
      IntOp $R0 $R0 + 1
    ${Loop}
  ${EndIf}
  Pop $R1
  Pop $R0
FunctionEnd

; After the toolbar button $QmName was removed from one place: once no root and no view holds
; a button of that name any more, the own record's entries for it go, and then the record's
; keys that this leaves empty.
Function un.QmForgetOwnRecord
  Push $R0
  Push $R1
  Push $R2
  StrCpy $R1 ""
  SetRegView 64
  ClearErrors
  EnumRegKey $R0 HKCU "${EXTENSIONS_KEY}\$QmName" 0
  ${IfNot} ${Errors}
    StrCpy $R1 1
  ${EndIf}
  ClearErrors
  EnumRegKey $R0 HKLM "${EXTENSIONS_KEY}\$QmName" 0
  ${IfNot} ${Errors}
    StrCpy $R1 1
  ${EndIf}
  SetRegView 32
  ClearErrors
  EnumRegKey $R0 HKLM "${EXTENSIONS_KEY}\$QmName" 0
  ${IfNot} ${Errors}
    StrCpy $R1 1
  ${EndIf}
  Call un.QmEnterPlace
  ${If} $R1 != 1
    StrCpy $R0 0
    ${Do}
      ClearErrors
      EnumRegValue $R1 HKCU "${OWN_RECORD_KEY}" $R0
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      ReadRegStr $R2 HKCU "${OWN_RECORD_KEY}" $R1
      ClearErrors
      ${If} $R2 S== $QmName
        ; The next entry then takes this one's index.
        DeleteRegValue HKCU "${OWN_RECORD_KEY}" $R1
      ${Else}
        SetErrors
      ${EndIf}
      ${If} ${Errors}
        IntOp $R0 $R0 + 1
      ${EndIf}
    ${Loop}
    DeleteRegKey /ifnosubkeys /ifnovalues HKCU "${OWN_RECORD_KEY}"
    DeleteRegKey /ifnosubkeys /ifnovalues HKCU "${OWN_RECORD_PARENTS}"
    DeleteRegKey /ifnosubkeys /ifnovalues HKCU "${OWN_RECORD_ROOT}"
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; One record, $QmParent\$QmName below SHCTX: count counts it and remove removes it when it is
; the program's own and points at a template file; find counts it when it points at $QmTarget,
; whoever made it.
Function un.QmVisitRecord
  StrCpy $QmDeleted ""
  StrCpy $QmKey "$QmParent\$QmName"
  Call un.QmRecordUses
  ${IfThen} $QmUses != 1 ${|} Return ${|}
  ${If} $QmMode == find
    IntOp $QmFound $QmFound + 1
    Return
  ${EndIf}
  Call un.QmIsOwn
  ${IfThen} $QmOwn != 1 ${|} Return ${|}
  ${If} $QmMode == count
    IntOp $QmFound $QmFound + 1
    Return
  ${EndIf}
  ClearErrors
  DeleteRegKey SHCTX $QmKey
  ${If} ${Errors}
    DetailPrint "$(QmNotRemoved)"
    Return
  ${EndIf}
  StrCpy $QmDeleted 1
  DetailPrint "$(QmRemoved)"
  ${If} $QmParent == "${EXTENSIONS_KEY}"
    Call un.QmForgetOwnRecord
  ${EndIf}
FunctionEnd

Function un.QmVisitParent
  StrCpy $QmIndex 0
  ${Do}
    ClearErrors
    EnumRegKey $QmName SHCTX $QmParent $QmIndex
    ${If} ${Errors}
    ${OrIf} $QmName == ""
      ${ExitDo}
    ${EndIf}
    Call un.QmVisitRecord
    ; A removed record's index now names the next one.
    ${If} $QmDeleted != 1
      IntOp $QmIndex $QmIndex + 1
    ${EndIf}
  ${Loop}
FunctionEnd

!macro QM_VISIT_PLACE VIEW CONTEXT PLACE
  StrCpy $QmView ${VIEW}
  StrCpy $QmContext ${CONTEXT}
  StrCpy $QmPlace "${PLACE}"
  Call un.QmEnterPlace
  StrCpy $QmParent "${EXTENSIONS_KEY}"
  Call un.QmVisitParent
  StrCpy $QmParent "${MENUEXT_KEY}"
  Call un.QmVisitParent
!macroend

; Every toolbar button and context-menu entry the browser reads: the machine's, in both
; registry views (the 32-bit and the 64-bit browser each read their own), and the current
; user's, whose Software key both views share. Ends in the 64-bit view and the machine's
; context, as the uninstaller works.
Function un.QmVisitAll
  !insertmacro QM_VISIT_PLACE 64 current "HKEY_CURRENT_USER"
  !insertmacro QM_VISIT_PLACE 64 all "HKEY_LOCAL_MACHINE (64-bit view)"
  !insertmacro QM_VISIT_PLACE 32 all "HKEY_LOCAL_MACHINE (32-bit view)"
  StrCpy $QmView 64
  StrCpy $QmContext all
  Call un.QmEnterPlace
FunctionEnd

; Asks, when there are any, whether the program's own buttons and entries that point at
; template files go too. /REMOVESETTINGS answers yes; a silent uninstall without it, no.
Function un.QmChooseSettings
  StrCpy $QmRemove ""
  StrCpy $QmTarget ""
  StrCpy $QmMode count
  StrCpy $QmFound 0
  Call un.QmVisitAll
  ${IfThen} $QmFound == 0 ${|} Return ${|}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    StrCpy $QmRemove 1
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(QmAskRemove)" /SD IDNO IDNO qm_keep
  StrCpy $QmRemove 1
  qm_keep:
FunctionEnd

; Deletes the template file $QmRel unless a toolbar button or context-menu entry still points
; at it.
Function un.QmRemoveTemplateFile
  StrCpy $QmFound 0
  GetFullPathName /SHORT $QmTarget "$INSTDIR\$QmRel"
  ${If} $QmTarget != ""
    StrCpy $QmMode find
    Call un.QmVisitAll
  ${EndIf}
  StrCpy $QmTarget ""
  ${If} $QmFound > 0
    IntOp $QmKept $QmKept + 1
    DetailPrint "$(QmKeptFile)"
  ${Else}
    Delete "$INSTDIR\$QmRel"
  ${EndIf}
FunctionEnd

!macro QM_REMOVE_TEMPLATE_FILE REL
  StrCpy $QmRel "${REL}"
  Call un.QmRemoveTemplateFile
!macroend

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  ; Asked before anything is gone.
  Call un.QmChooseSettings
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro QM_REMOVE_PROGRAM_FILES
  ${If} $QmRemove == 1
    StrCpy $QmMode remove
    Call un.QmVisitAll
  ${EndIf}
  StrCpy $QmKept 0
  !insertmacro QM_TEMPLATE_FILES QM_REMOVE_TEMPLATE_FILE
  !insertmacro QM_REMOVE_FOLDERS
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: a file the user put into the folder stays, and with it the folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} $QmKept > 0
    DetailPrint "$(QmKeptFiles)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(QmKeptFiles)" /SD IDOK
  ${EndIf}
SectionEnd
