@echo off
rem Runs this bundle's test programs in every setup the machine can host: on 64-bit Windows the
rem 64-bit build, and the shipped 32-bit program under WOW64; on 32-bit Windows the shipped
rem program. The tests change the machine's uninstall list, the user's Tarnquill settings and
rem autostart value, the player's Play command and its Plugins folder: the runner starts only
rem when told that the machine is a throwaway, saves all of that first and puts it back at the end.
rem A run stopped before the end is put back by the next one, before anything else.
rem   run-tests.cmd --throwaway-machine [PROGRAM...]    (from a prompt run as administrator)
rem PROGRAM names test programs to run (hostile_tests, say); all of them when none is named.
setlocal EnableExtensions EnableDelayedExpansion
if defined PROCESSOR_ARCHITEW6432 (
    rem A 32-bit prompt on 64-bit Windows: go on in the machine's own.
    "%SystemRoot%\Sysnative\cmd.exe" /d /c ""%~f0" %*"
    exit /b !errorlevel!
)
if /i not "%~1"=="--throwaway-machine" (
    echo run-tests: refused, nothing was changed. While they run, the tests change this machine's
    echo uninstall list, the user's Tarnquill settings and autostart value, the player's Play command
    echo and files in its Plugins folder. Run them on a throwaway machine ^(a virtual machine, a CI
    echo runner^), from a prompt run as administrator: run-tests.cmd --throwaway-machine
    exit /b 2
)
set "BUNDLE=%~dp0"
set "BUNDLE=%BUNDLE:~0,-1%"
set "WORK=%BUNDLE%\work"
set "STATE=%WORK%\machine-state.bin"
set "ONLY="
:named
shift
if not "%~1"=="" (
    set "ONLY=!ONLY! %~1"
    goto named
)
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" (
    set "SETUPS=win64 wow64"
    set "STATE_TOOL=%BUNDLE%\win64\tqstate.exe"
) else if /i "%PROCESSOR_ARCHITECTURE%"=="x86" (
    set "SETUPS=win32"
    set "STATE_TOOL=%BUNDLE%\win32\tqstate.exe"
) else (
    echo run-tests: this is %PROCESSOR_ARCHITECTURE% Windows; the bundle's programs are for x64 and x86 Windows
    exit /b 2
)

if exist "%STATE%" (
    echo run-tests: an earlier run stopped before it put the machine back; putting it back first
    "%STATE_TOOL%" restore "%STATE%"
    if !errorlevel! neq 0 (
        echo run-tests: it could not all be put back; the saved state stays in %STATE%
        exit /b 1
    )
    del "%STATE%"
)
for %%f in (temp logs reliability) do if exist "%WORK%\%%f" rd /s /q "%WORK%\%%f"
for %%f in (temp logs reliability) do md "%WORK%\%%f"
"%STATE_TOOL%" save "%STATE%"
if !errorlevel! neq 0 exit /b 1

set "OWN_TEMP=%TEMP%"
set "OWN_TMP=%TMP%"
set "TQ_RELIABILITY_DIR=%WORK%\reliability"
set "TQ_SHIPPED_PROGRAM_FILE=%BUNDLE%\TarnquillSetup.exe"
set "TQ_SAMPLE_DIR=%BUNDLE%\sample"
set "TQ_CODE_PAGE="
for /f "tokens=3" %%c in ('reg query "HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage" /v ACP') do set "ACP=%%c"
rem Every setup runs hostile cases unless the programs named leave them out.
set "HOSTILE_EXPECTED=1"
if defined ONLY (
    set "HOSTILE_EXPECTED="
    for %%t in (%ONLY%) do if /i "%%t"=="hostile_tests" set "HOSTILE_EXPECTED=1"
)
set /a passed=0, failed=0
for %%s in (%SETUPS%) do call :setup %%s
set /a ran=passed+failed
if !ran! equ 0 (
    echo FAILED: no test program ran
    set /a failed+=1
)
rem A program named here that no setup holds is misspelt, or missing from the bundle.
for %%t in (%ONLY%) do call :held_by_a_setup %%t
echo not checked by the bundle: deletion_rights ^(reads the rights asked from Wine's trace; on Windows the
echo   access-list case of Hostile.PruningReachesNothingBeyondTheList checks them^), signing ^(needs the
echo   signing tools of the test command^), reproducible_build ^(compares two builds of the sources^),
echo   code_page_1252_user_1251 ^(a user's locale whose code page is not the system's, which the test
echo   command sets for the test program from its Unix locale; on Windows it is the machine's own^)

echo run-tests: putting the machine back
"%STATE_TOOL%" restore "%STATE%"
if !errorlevel! neq 0 (
    echo run-tests: it could not all be put back; the saved state stays in %STATE%: run again to retry
    set /a failed+=1
) else (
    del "%STATE%"
)
call :summary
echo %passed% passed, %failed% failed
if %failed% gtr 0 exit /b 1
exit /b 0

rem One setup: its test programs, with the program under test each one runs.
:setup
set "SETUP=%~1"
set "TQ_SETUP=%SETUP%"
if "%SETUP%"=="win64" (
    set "TESTS=%BUNDLE%\win64"
    set "TQ_PROGRAM_FILE=%BUNDLE%\win64\TarnquillSetup.exe"
) else (
    set "TESTS=%BUNDLE%\win32"
    set "TQ_PROGRAM_FILE=%BUNDLE%\TarnquillSetup.exe"
)
set "TQ_FAULT_PROBE_FILE=%TESTS%\fault_probe.exe"
set "TQ_STATE_TOOL_FILE=%TESTS%\tqstate.exe"
call :prove_kind %SETUP%
if defined ONLY (
    for %%t in (%ONLY%) do call :run %SETUP%.%%t "%TESTS%\%%t.exe"
    exit /b 0
)
rem Every test program the bundle holds for the setup (Wine's cmd expands no quoted wildcard).
pushd "%TESTS%"
for %%f in (*_tests.exe) do call :run %SETUP%.%%~nf "%%~ff"
popd
set "MULTI_BYTE="
for %%m in (932 936 949 950 65001) do if "%ACP%"=="%%m" set "MULTI_BYTE=1"
if defined MULTI_BYTE (
    set "TQ_CODE_PAGE=%ACP%"
    call :run %SETUP%.code_page_%ACP% "%TESTS%\hostile_tests.exe" --gtest_filter=Hostile.PruningInOtherCodePages
    set "TQ_CODE_PAGE="
) else (
    echo not checked in %SETUP%: the pruning in a multi-byte ANSI code page, since this machine's is %ACP%
)
exit /b 0

rem What a process of the setup is told about the machine, kept for the summary.
:prove_kind
set "KIND=unknown"
if /i "%~1 %PROCESSOR_ARCHITECTURE%"=="win64 AMD64" set "KIND=64-bit Windows, 64-bit process"
if /i "%~1 %PROCESSOR_ARCHITECTURE%"=="win32 x86" set "KIND=32-bit Windows, 32-bit process"
if "%~1"=="wow64" (
    "%SystemRoot%\SysWOW64\cmd.exe" /d /c "echo %%PROCESSOR_ARCHITECTURE%% %%PROCESSOR_ARCHITEW6432%%" >"%WORK%\kind.txt"
    for /f "usebackq tokens=1,2" %%a in ("%WORK%\kind.txt") do (
        if /i "%%a %%b"=="x86 AMD64" set "KIND=64-bit Windows, 32-bit process under WOW64"
    )
)
echo setup %~1: %KIND%
if not "%KIND%"=="unknown" echo %KIND%>"%TQ_RELIABILITY_DIR%\kind-%~1.log"
exit /b 0

rem One test program: its output is shown when it fails; when it passes, only what it did not check.
rem It passes only when it also wrote its report at the end: a stopped program may end with 0.
:run
set "LOG=%WORK%\logs\%~1.log"
set "REPORT=%WORK%\logs\%~1.xml"
if not exist "%~2" (
    if defined ONLY (
        echo not in this setup: %~1
        exit /b 0
    )
)
rem Scratch folders go into the bundle's own, not the user's; cmd keeps its own for its pipes.
set "TEMP=%WORK%\temp"
set "TMP=%WORK%\temp"
"%~2" %3 --gtest_output=xml:"%REPORT%" >"%LOG%" 2>&1
set "CODE=!errorlevel!"
set "TEMP=%OWN_TEMP%"
set "TMP=%OWN_TMP%"
if not exist "%REPORT%" (
    echo %~1 stopped before it finished, exit code !CODE!>>"%LOG%"
    set "CODE=stopped"
)
rem A crash ends in a negative code, which "if errorlevel 1" would take for a pass.
if not "!CODE!"=="0" (
    set /a failed+=1
    echo FAILED: %~1
    type "%LOG%"
) else (
    set /a passed+=1
    echo passed: %~1
    type "%LOG%" | find "checked"
    type "%LOG%" | find "[  SKIPPED ]" | find " ms)"
)
exit /b 0

rem A test program named on the command line: held by one of the setups, or the run fails.
:held_by_a_setup
if exist "%BUNDLE%\win64\%~1.exe" exit /b 0
if exist "%BUNDLE%\win32\%~1.exe" exit /b 0
echo FAILED: %~1: no such test program in the bundle
set /a failed+=1
exit /b 0

rem The hostile cases' logs summed up for each setup; a setup that ran no hostile case (unless the
rem programs named leave them out), or whose cases crashed, hung or changed another program's
rem data, fails the run.
:summary
set /a allCases=0, allCrashes=0, allHangs=0, allForeign=0, setupCount=0
for %%s in (%SETUPS%) do call :summary_of %%s
echo reliability: %allCases% hostile cases run in %setupCount% setups ^(%SETUPS%^), crashes %allCrashes%, hangs %allHangs%, foreign entries changed %allForeign%
exit /b 0

:summary_of
set /a cases=0, crashes=0, hangs=0, foreign=0, setupCount+=1
set "HOSTILE=%TQ_RELIABILITY_DIR%\hostile-%~1.log"
if exist "%HOSTILE%" for /f "usebackq tokens=1-7 delims== " %%a in ("%HOSTILE%") do (
    if "%%a"=="hostile" set /a cases+=1, hangs+=%%c, crashes+=%%e, foreign+=%%g
)
set "KIND=kind not proved"
if exist "%TQ_RELIABILITY_DIR%\kind-%~1.log" set /p KIND=<"%TQ_RELIABILITY_DIR%\kind-%~1.log"
echo reliability ^(%~1: %KIND%^): %cases% hostile cases run, crashes %crashes%, hangs %hangs%, foreign entries changed %foreign%
set /a allCases+=cases, allCrashes+=crashes, allHangs+=hangs, allForeign+=foreign
set /a bad=crashes+hangs+foreign
if %cases% equ 0 if defined HOSTILE_EXPECTED set /a bad+=1
if "%KIND%"=="kind not proved" set /a bad+=1
if %bad% gtr 0 set /a failed+=1
exit /b 0
