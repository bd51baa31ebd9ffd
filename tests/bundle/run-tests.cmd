@echo off
rem Runs the test plans of this bundle in every target the machine can host: on 64-bit Windows the
rem 64-bit build, and the shipped 32-bit program under WOW64; on 32-bit Windows the shipped
rem program. The tests change the machine's uninstall list, the user's Tarnquill settings and
rem autostart value, the player's Play command and its Plugins folder, and put nothing back: the
rem runner starts only when told that the machine is a throwaway.
rem   run-tests.cmd --throwaway-machine [PROGRAM...]    (from a prompt run as administrator)
rem PROGRAM names test programs of the plans to run (hostile_tests, say); all of them when none is named.
setlocal EnableExtensions EnableDelayedExpansion
if defined PROCESSOR_ARCHITEW6432 (
    rem A 32-bit prompt on 64-bit Windows: go on in the machine's own.
    "%SystemRoot%\Sysnative\cmd.exe" /d /c ""%~f0" %*"
    exit /b !errorlevel!
)
if /i not "%~1"=="--throwaway-machine" (
    echo run-tests: refused, nothing was changed. While they run, the tests change this machine's
    echo uninstall list, the user's Tarnquill settings and autostart value, the player's Play command
    echo and files in its Plugins folder, and put none of it back. Run them on a throwaway machine
    echo ^(a virtual machine, a CI runner^), from a prompt run as administrator: run-tests.cmd --throwaway-machine
    exit /b 2
)
set "BUNDLE=%~dp0"
set "BUNDLE=%BUNDLE:~0,-1%"
set "WORK=%BUNDLE%\work"
set "ONLY="
:named
shift
if not "%~1"=="" (
    set "ONLY=!ONLY! %~1"
    goto named
)
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" (
    set "TARGETS=win64 wow64"
) else if /i "%PROCESSOR_ARCHITECTURE%"=="x86" (
    set "TARGETS=win32"
) else (
    echo run-tests: this is %PROCESSOR_ARCHITECTURE% Windows; the bundle's programs are for x64 and x86 Windows
    exit /b 2
)
for %%f in (temp logs reliability) do if exist "%WORK%\%%f" rd /s /q "%WORK%\%%f"
for %%f in (temp logs reliability) do md "%WORK%\%%f"
set "OWN_TEMP=%TEMP%"
set "OWN_TMP=%TMP%"
set "TQ_RELIABILITY_DIR=%WORK%\reliability"
set "TQ_SHIPPED_PROGRAM_FILE=%BUNDLE%\TarnquillSetup.exe"
set "TQ_SAMPLE_DIR=%BUNDLE%\sample"
set /a passed=0, failed=0
for %%t in (%TARGETS%) do call :target %%t
set /a ran=passed+failed
if !ran! equ 0 (
    echo FAILED: no test program ran
    set /a failed+=1
)
rem A program named here that no plan holds is misspelt.
for %%t in (%ONLY%) do call :planned %%t
call :summary
echo %passed% passed, %failed% failed
if %failed% gtr 0 exit /b 1
exit /b 0

rem One target: the lines of its build's plan, with the program under test that each one runs.
:target
set "TARGET=%~1"
set "TQ_TARGET=%TARGET%"
if "%TARGET%"=="win64" (
    set "TESTS=%BUNDLE%\win64"
    set "TQ_PROGRAM_FILE=%BUNDLE%\win64\TarnquillSetup.exe"
) else (
    set "TESTS=%BUNDLE%\win32"
    set "TQ_PROGRAM_FILE=%BUNDLE%\TarnquillSetup.exe"
)
set "TQ_FAULT_PROBE_FILE=%TESTS%\fault_probe.exe"
set "TQ_TEST_PLUGINS_DIR=%TESTS%"
for /f "usebackq tokens=1,2,5 delims=|" %%a in ("%TESTS%\plan.txt") do call :line "%%a" "%%b" "%%c"
exit /b 0

rem A plan line: a program run here, or what only Linux can run and why. Arguments and environment
rem belong to the Linux-only lines.
:line
set "NAME=%~1"
set "WHY=%~3"
if defined ONLY (
    set "NAMED="
    for %%t in (%ONLY%) do if /i "%%t"=="!NAME!" set "NAMED=1"
    if not defined NAMED exit /b 0
)
if not "!WHY!"=="-" (
    echo not checked by the bundle in %TARGET%: !NAME! ^(!WHY!^)
    exit /b 0
)
call :run %TARGET%.!NAME! "%TESTS%\%~2"
exit /b 0

rem One test program: its output is shown when it fails; when it passes, only what it did not check.
rem It passes only when it also wrote its report at the end: a stopped program may end with 0.
:run
set "LOG=%WORK%\logs\%~1.log"
set "REPORT=%WORK%\logs\%~1.xml"
rem Scratch folders go into the bundle's own, not the user's; cmd keeps its own for its pipes.
set "TEMP=%WORK%\temp"
set "TMP=%WORK%\temp"
"%~2" --gtest_output=xml:"%REPORT%" >"%LOG%" 2>&1
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
    type "%LOG%" | find "under Wine:"
    type "%LOG%" | find "[  SKIPPED ]" | find " ms)"
)
exit /b 0

rem A test program named on the command line: in one of the plans, or the run fails.
:planned
set "FOUND="
for /f "usebackq tokens=1 delims=|" %%a in ("%BUNDLE%\win64\plan.txt") do if /i "%%a"=="%~1" set "FOUND=1"
for /f "usebackq tokens=1 delims=|" %%a in ("%BUNDLE%\win32\plan.txt") do if /i "%%a"=="%~1" set "FOUND=1"
if defined FOUND exit /b 0
echo FAILED: %~1: no such test program in the bundle
set /a failed+=1
exit /b 0

rem The hostile cases' logs added up for each target; each test program proved its target and
rem judged its own cases.
:summary
set /a allCases=0, allCrashes=0, allHangs=0, allForeign=0, targetCount=0
for %%t in (%TARGETS%) do call :summary_of %%t
echo reliability: %allCases% hostile cases run in %targetCount% targets ^(%TARGETS%^), crashes %allCrashes%, hangs %allHangs%, foreign entries changed %allForeign%
exit /b 0

:summary_of
set /a cases=0, crashes=0, hangs=0, foreign=0, targetCount+=1
set "HOSTILE=%TQ_RELIABILITY_DIR%\hostile-%~1.log"
if exist "%HOSTILE%" for /f "usebackq tokens=1-7 delims== " %%a in ("%HOSTILE%") do (
    if "%%a"=="hostile" set /a cases+=1, hangs+=%%c, crashes+=%%e, foreign+=%%g
)
set "KIND=kind not proved"
if exist "%TQ_RELIABILITY_DIR%\kind-%~1.log" set /p KIND=<"%TQ_RELIABILITY_DIR%\kind-%~1.log"
echo reliability ^(%~1: %KIND%^): %cases% hostile cases run, crashes %crashes%, hangs %hangs%, foreign entries changed %foreign%
set /a allCases+=cases, allCrashes+=crashes, allHangs+=hangs, allForeign+=foreign
exit /b 0
