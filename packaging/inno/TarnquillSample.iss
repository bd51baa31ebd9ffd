; A sample product setup and uninstaller for Tarnquill on Inno Setup 6: how a setup calls the
; installation manager. Copy what it does, in this order:
;   1. install the product's files, TarnquillSetup.exe and the companion plug-in gen_zorv.dll
;      beside it, in 32-bit mode, so that the uninstall entry lands in the 32-bit registry view,
;      where the manager prunes;
;   2. keep AppId constant across versions and beginning with the product's name: the manager
;      keeps the product entry whose name sorts last and deletes the older ones, and the entry
;      "Tarnquill_is1" sorts after every "Tarnquill <version>" of older setups;
;   3. once the files and the entry are in place, run TarnquillSetup.exe /install from [Code],
;      with the product folder as the working folder (it copies gen_zorv.dll from there), wait
;      for it, and act on its exit code: [Run] would ignore it.
; The uninstaller runs TarnquillSetup.exe /uninstall before it removes anything and, only when
; that succeeded, lets the uninstall go on; it then also removes every entry that names it.
; Build: ISCC.exe /DVERSION=1.0 /DSTAGE=<folder with both files> /O<output folder>
;        /F<output base name> [/DSIGN=<sign tool name> /S<name>=<command ... $f>
;        | /DSIGNED_UNINSTALLER_DIR=<folder>] TarnquillSample.iss

#ifndef VERSION
  #error Define VERSION, for example /DVERSION=1.0
#endif
#ifndef STAGE
  #error Define STAGE, the folder that holds TarnquillSetup.exe and gen_zorv.dll
#endif

[Setup]
AppId=Tarnquill
AppName=Tarnquill
AppVersion={#VERSION}
AppPublisher=Halvorstead
UninstallDisplayName=Tarnquill {#VERSION}
DefaultDirName={autopf}\Tarnquill
DisableProgramGroupPage=yes
PrivilegesRequired=admin
; The manager waits for Winamp itself; nothing for the Restart Manager to close.
CloseApplications=no
OutputBaseFilename=TarnquillInnoSample-{#VERSION}
Compression=lzma2
SolidCompression=yes
#ifdef SIGN
; The uninstaller is signed before it is packed into the setup, the setup once it is written; a
; signing failure fails the build.
SignTool={#SIGN}
SignedUninstaller=yes
#endif
#ifdef SIGNED_UNINSTALLER_DIR
; Signed outside the compiler: the first compile stops and leaves the uninstaller in this folder
; to be signed there; the next one packs the signed copy. Sign the setup itself once it is built.
SignedUninstaller=yes
SignedUninstallerDir={#SIGNED_UNINSTALLER_DIR}
#endif

[Files]
; Replaced whatever their versions, so that an older version installed over a newer one is that
; older version.
Source: "{#STAGE}\TarnquillSetup.exe"; DestDir: "{app}"; Flags: ignoreversion
Source: "{#STAGE}\gen_zorv.dll"; DestDir: "{app}"; Flags: ignoreversion

[Code]
const
  ManagerName = 'TarnquillSetup.exe';
  UninstallList = 'Software\Microsoft\Windows\CurrentVersion\Uninstall';
  // The setup's exit code when the manager failed or could not be started; Inno's own end at 8.
  ManagerFailedExitCode = 10;
  // The manager's exit code 2: where nobody could see its boxes (a deployment tool's service).
  PluginStepNotDone = 'a plug-in in Winamp''s Plugins folder could not be replaced or removed, and nobody could be asked to close Winamp.';

var
  InstallFailure: String;

// Runs the manager from the product folder and waits: it talks to the user through its own boxes,
// also under /VERYSILENT, and waits while Winamp runs. Returns why it failed, or '' after exit 0;
// a failure is logged and told in a box unless /SUPPRESSMSGBOXES. A run that ended otherwise has
// shown its failure box (1) or a run error (its number), or (2) could not do a plug-in step.
function RunManager(const Command, NotStarted, Failed, PluginLeft: String): String;
var
  ResultCode: Integer;
begin
  Result := '';
  if not Exec(ExpandConstant('{app}\' + ManagerName), Command, ExpandConstant('{app}'), SW_SHOWNORMAL,
              ewWaitUntilTerminated, ResultCode) then
    Result := ManagerName + ' could not be started (' + SysErrorMessage(ResultCode) + '): ' + NotStarted
  else if ResultCode = 2 then
    Result := ManagerName + ' ' + Command + ' ended with exit code 2: ' + PluginStepNotDone + ' ' + PluginLeft
  else if ResultCode <> 0 then
    Result := ManagerName + ' ' + Command + ' failed with exit code ' + IntToStr(ResultCode) + ': ' + Failed
  else
    Log(ManagerName + ' ' + Command + ' ended with exit code 0.');
  if Result = '' then
    Exit;
  Log(Result);
  SuppressibleMsgBox(Result, mbCriticalError, MB_OK, IDOK);
end;

procedure CurStepChanged(CurStep: TSetupStep);
begin
  if CurStep <> ssPostInstall then
    Exit;
  InstallFailure := RunManager('/install', 'Tarnquill is not set up.', 'Tarnquill is not set up.',
                               'Tarnquill is not set up. Run the setup again once Winamp is closed.');
end;

procedure CurPageChanged(CurPageID: Integer);
begin
  if (CurPageID = wpFinished) and (InstallFailure <> '') then
    WizardForm.FinishedLabel.Caption := InstallFailure;
end;

function GetCustomSetupExitCode: Integer;
begin
  Result := 0;
  if InstallFailure <> '' then
    Result := ManagerFailedExitCode;
end;

// After a downgrade or an older setup of the product, the entry the manager kept may be another
// one than this uninstaller's own, pointing here all the same.
procedure RemoveEntriesNamingThisUninstaller;
var
  Names: TArrayOfString;
  Command, Entry: String;
  I: Integer;
begin
  if not RegGetSubkeyNames(HKLM, UninstallList, Names) then
    Exit;
  for I := 0 to GetArrayLength(Names) - 1 do begin
    Entry := UninstallList + '\' + Names[I];
    if RegQueryStringValue(HKLM, Entry, 'UninstallString', Command) and
       (CompareText(RemoveQuotes(Command), ExpandConstant('{uninstallexe}')) = 0) then
      if not RegDeleteKeyIncludingSubkeys(HKLM, Entry) then
        Log('Cannot delete the uninstall entry HKLM\' + Entry + '.');
  end;
end;

procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
begin
  if CurUninstallStep = usUninstall then begin
    // Removes the first-run marker and the autostart entry, waits while Winamp runs, and deletes
    // the companion plug-in, offering Retry while it is held. Cancel there still ends it with exit
    // code 0: the uninstall goes on and the plug-in stays in Winamp's Plugins folder. Only when it
    // cannot start or ends with another code is the uninstall aborted here, before anything is
    // removed: the uninstaller ends with exit code 1 and keeps the entry and the files, so that
    // the uninstall can be run again.
    if RunManager('/uninstall', 'Tarnquill is still installed. Install it again, then uninstall it.',
                  'Tarnquill is still installed. Close Winamp and run the uninstaller again.',
                  'Tarnquill is still installed. Run the uninstaller again once Winamp is closed.') <> '' then
      Abort;
  end
  else if CurUninstallStep = usPostUninstall then
    RemoveEntriesNamingThisUninstaller;
end;
