// A module's .qvm and the files it is built from, and whether it must be built again before the
// mod runs or is packed. The rule: a module is out of date when its .qvm is missing, or when any
// file it is built from is newer than the .qvm:
// - its build template (gamebak.bat) and its list for q3asm (game.q3asm);
// - the sources the list names: a name with a folder ("../g_syscalls") is the .asm (or .c) it
//   names from vm/; a plain name ("bg_misc") is that .c in the module's folder, else in another
//   module's folder (game, cgame, ui) or in qcommon (ioquake3's tree); with no list, every .c
//   of the module's folder;
// - every header those sources include (#include "..."), followed through the headers, looked
//   for beside the including file, then in the module folders and qcommon.
// A name the list holds that is found nowhere makes the module out of date too, so that the
// build, not a stale .qvm, has the last word.
#pragma once

#include <QString>
#include <QStringList>

struct BuildModule;

namespace ModuleFiles {

// The file name q3asm gives the module's .qvm, without ".qvm": the -o line of its list, else
// qagame, cgame or ui.
QString QvmName(const QString& sourceDir, const BuildModule& module);
// The module's .qvm: vm/<QvmName>.qvm in the module's folder, where the templates run q3asm.
QString QvmPath(const QString& sourceDir, const BuildModule& module);

// The files the module is built from (see above), each once; names the list holds that were
// found nowhere go to `missing` when it is given.
QStringList Inputs(const QString& sourceDir, const BuildModule& module,
                   QStringList* missing = nullptr);

// Empty when the module's .qvm is newer than everything it is built from; otherwise why it must
// be built again, for the author to read ("g_main.c changed after vm/qagame.qvm was built").
QString WhyOutOfDate(const QString& sourceDir, const BuildModule& module);

} // namespace ModuleFiles
