@echo off
rem Build template of the game module (the server side, qagame.qvm), for the Quake III
rem Arena source release laid out as the user guide shows. Keep it in the game folder
rem as gamebak.bat, beside game.q3asm. Kelto copies it to gamerev.bat after two lines of
rem its own (the drive, and a cd to this folder) and runs that with cmd.exe in its build
rem window. lcc (the source release's lcc\bin, with q3cpp and q3rcc) and q3asm (built from
rem its q3asm\q3asm.sln) must be on PATH.
rem
rem game.q3asm is the one list of the module's files: to add a source file, add its name there.
rem A name on its own (g_main) is compiled from its .c file; a name with a folder in it
rem (..\g_syscalls) is an assembly file q3asm takes as it is (the system calls, whose .c
rem file stops a QVM build with #error). The old .qvm is removed first, the build stops at
rem the first file that does not compile, and it ends with that program's exit code (9009:
rem lcc or q3asm is not on PATH), so a failed build leaves no .qvm behind.

set list=game.q3asm
rem Where a name's .c file is looked for, seen from the vm folder: this module's folder,
rem then the game module's (the shared bg_ and q_ files).
set folders=.. ..\..\game
set compile=lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g -I..\..\cgame -I..\..\game -I..\..\ui

rem ---- The same in every module's template from here on. ----
if not exist vm mkdir vm
cd vm
if errorlevel 1 exit /b %errorlevel%
if not exist "..\%list%" (
    echo %list% was not found in the module's folder; it lists the files to build.
    exit /b 1
)
set qvm=q3asm.qvm
for /f "usebackq tokens=1,2" %%a in ("..\%list%") do if "%%a"=="-o" set qvm=%%~b.qvm
rem A failed build leaves no .qvm behind, so an old one is never taken for the new one.
if exist "%qvm%" del "%qvm%"
if exist "%qvm%" exit /b 1

set failed=
for /f "usebackq delims=" %%l in ("..\%list%") do if not defined failed call :line %%l
if defined failed exit /b %failed%

q3asm -f ..\%list:.q3asm=%
if errorlevel 1 exit /b %errorlevel%
rem q3asm ends with exit code 0 even after errors; it then writes no .qvm.
if not exist "%qvm%" (
    echo q3asm reported errors: %qvm% was not written
    exit /b 1
)
echo Built vm\%qvm%
exit /b 0

rem One line of the list: each word is a name to compile, except -o and the word after it,
rem names with a folder in them (left to q3asm) and everything after //.
:line
if "%~1"=="" exit /b 0
if "%~1"=="-o" (
    shift
    shift
    goto line
)
set name=%~1
shift
if "%name:~0,2%"=="//" exit /b 0
if not "%name:\=%"=="%name%" goto line
if not "%name:/=%"=="%name%" goto line
call :compile %name%
if errorlevel 1 (
    set failed=%errorlevel%
    exit /b 1
)
goto line

:compile
set source=
for %%f in (%folders%) do if not defined source if exist "%%f\%1.c" set source=%%f\%1.c
if not defined source (
    echo ..\%list%: %1.c was not found in any of %folders%
    exit /b 1
)
echo %source%
%compile% %source%
exit /b %errorlevel%
