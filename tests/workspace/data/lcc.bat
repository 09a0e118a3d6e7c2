@echo off
rem A stand-in for lcc in the Windows tests: for the C file named last on its command line it
rem prints one line to standard output, then, after a short pause, complains on standard error
rem the way lcc and gcc do, and fails. The source lines it names are 3, 5 and 7. With
rem KELTO_TEST_COMPILER_WAITS set it waits two minutes in a program of its own (ping) first,
rem for Stop to end.
set source=
:next
if "%~1"=="" goto named
set "source=%~1"
shift
goto next
:named
echo compiling %source%
if defined KELTO_TEST_COMPILER_WAITS ping -n 120 127.0.0.1 >nul
ping -n 2 127.0.0.1 >nul
>&2 echo %source%:3: syntax error; found `int' expecting `;'
>&2 echo %source%:5: warning: conversion from `pointer to char' to `int'
>&2 echo %source%:7:12: error: 'rocket' undeclared (first use in this function)
exit /b 1
