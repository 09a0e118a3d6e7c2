@echo off
rem Build template of the ui module (the classic menus, ui.qvm), for the Quake III Arena
rem source release laid out as the user guide shows. Keep it in the ui folder as uibak.bat,
rem beside ui.q3asm. Kelto copies it to uirev.bat after two lines of its own (the drive,
rem and a cd to this folder) and runs that with cmd.exe in its build window. lcc (the source
rem release's lcc\bin, with q3cpp and q3rcc) and q3asm (built from its q3asm\q3asm.sln)
rem must be on PATH.
rem
rem ui.q3asm is the one list of the module's files: to add a source file, add its name there.
rem A name on its own (ui_main) is compiled from its .c file; a name with a folder in it
rem (..\..\ui\ui_syscalls) is an assembly file q3asm takes as it is (the system calls,
rem whose .c file stops a QVM build with #error). The old .qvm is removed first, the build
rem stops at the first file that does not compile, and it ends with that program's exit code
rem (9009: lcc or q3asm is not on PATH), so a failed build leaves no .qvm behind.

set list=ui.q3asm
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
