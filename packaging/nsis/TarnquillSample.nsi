; A sample product setup and uninstaller for Tarnquill: how a setup calls the installation
; manager. Copy what it does, in this order:
;   1. install the product's files, TarnquillSetup.exe and the companion plug-in gen_zorv.dll
;      beside it;
;   2. write the product's own uninstall entry, in the 32-bit registry view, before /install:
;      the manager keeps the product entry whose name sorts last and deletes the older ones;
;   3. run TarnquillSetup.exe /install with the product folder as the working folder (it copies
;      gen_zorv.dll from there), wait for it, and act on its exit code.
; Build: makensis -WX -DVERSION=1.0 -DSTAGE=<folder with both files> -DOUTFILE=<setup.exe> TarnquillSample.nsi
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
!define ENTRY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tarnquill"
RequestExecutionLevel admin
SetCompressor /SOLID zlib
ShowInstDetails show

Section "Tarnquill"
  SetOutPath "$INSTDIR"
  File "${STAGE}\TarnquillSetup.exe"
  File "${STAGE}\gen_zorv.dll"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The 32-bit view, where a 32-bit setup's entry belongs and where the manager prunes.
  SetRegView 32
  WriteRegStr HKLM "${ENTRY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${ENTRY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${ENTRY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${ENTRY}" "Publisher" "Halvorstead"

  ; It talks to the user through its own boxes, also under /S, and waits while Winamp runs.
  SetOutPath "$INSTDIR"
  ExecWait '"$INSTDIR\TarnquillSetup.exe" /install' $0
  ; 0: done, also after its own copy or deletion boxes. Anything else: it has shown its failure
  ; box (1), or a run error (its number); the product is not set up, so the setup fails.
  StrCmp $0 "0" installed
    DetailPrint "TarnquillSetup.exe /install failed with exit code $0: Tarnquill is not set up."
    SetErrorLevel 2
    Abort "TarnquillSetup.exe /install failed with exit code $0."
  installed:
SectionEnd

Section "Uninstall"
  ; Removes the first-run marker and the autostart entry, waits while Winamp runs, and deletes
  ; the companion plug-in, offering Retry while it is held.
  ExecWait '"$INSTDIR\TarnquillSetup.exe" /uninstall' $0
  StrCmp $0 "0" +2
    DetailPrint "TarnquillSetup.exe /uninstall ended with exit code $0."
  SetRegView 32
  DeleteRegKey HKLM "${ENTRY}"
  Delete "$INSTDIR\TarnquillSetup.exe"
  Delete "$INSTDIR\gen_zorv.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
