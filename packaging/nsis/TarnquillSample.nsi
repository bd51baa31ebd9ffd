; A sample product setup and uninstaller for Tarnquill: how a setup calls the installation
; manager. Copy what it does, in this order:
;   1. install the product's files, TarnquillSetup.exe and the companion plug-in gen_zorv.dll
;      beside it;
;   2. write the product's own uninstall entry, in the 32-bit registry view, before /install:
;      the manager keeps the product entry whose name sorts last and deletes the older ones;
;   3. run TarnquillSetup.exe /install with the product folder as the working folder (it copies
;      gen_zorv.dll from there), wait for it, and act on its exit code.
; The uninstaller runs TarnquillSetup.exe /uninstall and, only when that succeeded, removes every
; entry that names this uninstaller (the one kept by the manager may be another version's) and
; the files.
; Build: makensis -WX -DVERSION=1.0 -DSTAGE=<folder with both files> -DOUTFILE=<setup.exe>
;        [-DSIGN=<command that signs the file it is given in place>] TarnquillSample.nsi
Unicode true
!ifndef VERSION
  !error "define VERSION, for example -DVERSION=1.0"
!endif
!ifndef STAGE
  !error "define STAGE, the folder that holds TarnquillSetup.exe and gen_zorv.dll"
!endif
!ifndef OUTFILE
  !define OUTFILE "TarnquillSample-${VERSION}.exe"
!endif
!define PRODUCT "Tarnquill ${VERSION}"
!define UNINSTALL_LIST "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define ENTRY "${UNINSTALL_LIST}\${PRODUCT}"

; Signed by makensis itself once each is written: the uninstaller before it is packed into the
; setup, the setup last. A signing failure fails the build.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

!include LogicLib.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tarnquill"
RequestExecutionLevel admin
SetCompressor /SOLID zlib
ShowInstDetails show

; What the manager's exit code 2 means.
!define PLUGIN_STEP_NOT_DONE "a plug-in in Winamp's Plugins folder could not be replaced or removed, and nobody could be asked to close Winamp."

; Ends the setup or the uninstaller as failed, with the reason in its log, a box unless silent,
; and exit code 2 for whatever ran it.
!macro Fail TEXT
  DetailPrint "${TEXT}"
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel 2
  Abort "${TEXT}"
!macroend

!macro WriteEntryValue NAME TEXT
  ClearErrors
  WriteRegStr HKLM "${ENTRY}" "${NAME}" `${TEXT}`
  ${If} ${Errors}
    !insertmacro Fail "Cannot write ${NAME} of the uninstall entry HKLM\${ENTRY}."
  ${EndIf}
!macroend

Section "Tarnquill"
  SetOutPath "$INSTDIR"
  File "${STAGE}\TarnquillSetup.exe"
  File "${STAGE}\gen_zorv.dll"
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro Fail "Cannot write the uninstaller $INSTDIR\uninstall.exe."
  ${EndIf}

  ; The 32-bit view, where a 32-bit setup's entry belongs and where the manager prunes.
  SetRegView 32
  !insertmacro WriteEntryValue "DisplayName" "${PRODUCT}"
  !insertmacro WriteEntryValue "UninstallString" '"$INSTDIR\uninstall.exe"'
  !insertmacro WriteEntryValue "DisplayVersion" "${VERSION}"
  !insertmacro WriteEntryValue "Publisher" "Halvorstead"

  ; It talks to the user through its own boxes, also under /S, and waits while Winamp runs.
  SetOutPath "$INSTDIR"
  ClearErrors
  ExecWait '"$INSTDIR\TarnquillSetup.exe" /install' $0
  ; Not started at all: the variable is left as it was, and only the error flag tells.
  ${If} ${Errors}
    !insertmacro Fail "TarnquillSetup.exe could not be started: Tarnquill is not set up."
  ${EndIf}
  ; 0: done, also after its own copy or deletion boxes. 2: where nobody could see its boxes (a
  ; deployment tool's service), a plug-in step was not done. Anything else: it has shown its
  ; failure box (1), or a run error (its number); the product is not set up, so the setup fails.
  ${If} $0 == "2"
    !insertmacro Fail "TarnquillSetup.exe /install ended with exit code 2: ${PLUGIN_STEP_NOT_DONE} Run the setup again once Winamp is closed."
  ${EndIf}
  ${If} $0 != "0"
    !insertmacro Fail "TarnquillSetup.exe /install failed with exit code $0: Tarnquill is not set up."
  ${EndIf}
SectionEnd

Section "Uninstall"
  ; Removes the first-run marker and the autostart entry, waits while Winamp runs, and deletes
  ; the companion plug-in, offering Retry while it is held. Cancel there still ends it with exit
  ; code 0: the uninstall goes on and the plug-in stays in Winamp's Plugins folder. Only when it
  ; cannot start or ends with another code does the uninstall stop here, before anything is
  ; removed, so that it can be run again.
  ClearErrors
  ExecWait '"$INSTDIR\TarnquillSetup.exe" /uninstall' $0
  ${If} ${Errors}
    !insertmacro Fail "TarnquillSetup.exe could not be started: Tarnquill is still installed. Install it again, then uninstall it."
  ${EndIf}
  ${If} $0 == "2"
    !insertmacro Fail "TarnquillSetup.exe /uninstall ended with exit code 2: ${PLUGIN_STEP_NOT_DONE} Tarnquill is still installed. Run the uninstaller again once Winamp is closed."
  ${EndIf}
  ${If} $0 != "0"
    !insertmacro Fail "TarnquillSetup.exe /uninstall failed with exit code $0: Tarnquill is still installed. Close Winamp and run the uninstaller again."
  ${EndIf}

  SetRegView 32
  Call un.RemoveEntries
  Delete "$INSTDIR\TarnquillSetup.exe"
  Delete "$INSTDIR\gen_zorv.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

; Deletes every entry of the uninstall list whose UninstallString names this uninstaller,
; quoted or not, letter case ignored: after a downgrade (2.0, then 1.0 over it) the manager has
; kept the 2.0 entry, and it points here too.
Function un.RemoveEntries
  StrCpy $1 0
  ${Do}
    EnumRegKey $2 HKLM "${UNINSTALL_LIST}" $1
    ${IfThen} $2 == "" ${|} ${ExitDo} ${|}
    ReadRegStr $3 HKLM "${UNINSTALL_LIST}\$2" "UninstallString"
    ${If} $3 == '"$INSTDIR\uninstall.exe"'
    ${OrIf} $3 == "$INSTDIR\uninstall.exe"
      ClearErrors
      DeleteRegKey HKLM "${UNINSTALL_LIST}\$2"
      ; Deleted: the next entry has moved into this place.
      ${IfNot} ${Errors}
        ${Continue}
      ${EndIf}
      DetailPrint "Cannot delete the uninstall entry HKLM\${UNINSTALL_LIST}\$2."
      SetErrorLevel 2
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
FunctionEnd
