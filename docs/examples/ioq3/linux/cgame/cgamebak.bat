# Build template of the cgame module (the client side, cgame.qvm), for ioquake3's tree
# (github.com/ioquake/ioq3) laid out as the user guide shows: qcommon, botlib's headers,
# renderercommon/tr_types.h and client/keycodes.h beside the module folders. Keep it in the
# cgame folder as cgamebak.bat (the same name on Linux), beside cgame.q3asm. Kelto copies
# it to cgamerev.bat after a "#!/bin/sh" line and a cd to this folder, and runs that with
# /bin/sh in its build window. q3lcc (which runs q3cpp and q3rcc) and q3asm are built from
# the source release's lcc/ and q3asm/ folders; the folder holding them must be on PATH.
#
# cgame.q3asm is the one list of the module's files: to add a source file, add its name there.
# A name on its own (cg_main) is compiled from its .c file; a name with a folder in it
# (../cg_syscalls) is an assembly file q3asm takes as it is (the system calls, whose .c
# file stops a QVM build with #error). The old .qvm is removed first, the build stops at
# the first file that does not compile, and it ends with that program's exit code (127:
# q3lcc or q3asm is not on PATH), so a failed build leaves no .qvm behind.

list=cgame.q3asm
# Where a name's .c file is looked for, seen from the vm folder: this module's folder,
# then the game module's (the shared bg_ files), then qcommon (q_math, q_shared). q3cpp
# finds q_shared.h's own headers only through -I../../qcommon.
folders=".. ../../game ../../qcommon"
compile="q3lcc -DQ3_VM -DCGAME -S -Wf-target=bytecode -Wf-g -I../../qcommon -I../../cgame -I../../game -I../../ui"

# ---- The same in every module's template from here on. ----
mkdir -p vm && cd vm || exit $?
if [ ! -f "../$list" ]; then
    echo "$list was not found in the module's folder; it lists the files to build." >&2
    exit 1
fi
# The list's words, two to a line: "-o NAME" for the output, "LINE NAME" for each name to
# compile. Names with a folder in them are left to q3asm; // starts a comment.
words=$(awk '{ sub(/\r$/, ""); sub(/(^|[ \t])\/\/.*/, "")
               for (i = 1; i <= NF; i++)
                   if ($i == "-o") { gsub(/"/, "", $(i + 1)); print "-o", $(i + 1); i++ }
                   else if ($i !~ /[\/\\]/) print NR, $i }' "../$list") || exit $?
set -f
set -- $words
qvm=q3asm.qvm
while [ $# -ge 2 ]; do
    [ "$1" = -o ] && qvm=${2%.qvm}.qvm
    shift 2
done
# A failed build leaves no .qvm behind, so an old one is never taken for the new one.
rm -f "$qvm" || exit $?

set -- $words
while [ $# -ge 2 ]; do
    line=$1 name=$2
    shift 2
    [ "$line" = -o ] && continue
    source=
    for folder in $folders; do
        if [ -f "$folder/$name.c" ]; then
            source=$folder/$name.c
            break
        fi
    done
    if [ -z "$source" ]; then
        echo "../$list:$line: $name.c was not found in any of $folders" >&2
        exit 1
    fi
    echo "$source"
    $compile "$source" || exit $?
done

q3asm -f "../${list%.q3asm}" || exit $?
# q3asm ends with exit code 0 even after errors; it then writes no .qvm.
if [ ! -f "$qvm" ]; then
    echo "q3asm reported errors: $qvm was not written" >&2
    exit 1
fi
echo "Built $(pwd)/$qvm"
