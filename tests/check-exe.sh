#!/bin/bash
# Each program is a 32-bit GUI executable importing system DLLs only, with the
# default station names in Shift-JIS among its bytes.
set -u
status=0
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|setupapi|winmm|msacm32|advapi32|msvcrt|ole32|oleaut32|uxtheme|version|shlwapi|imm32|ws2_32)\.dll$'
objdump=/usr/bin/i686-w64-mingw32-objdump
for exe in "$@"; do
    kind="$(file -b "$exe")"
    case "$kind" in
        "PE32 executable (GUI) Intel 80386"*) ;;
        *) echo "FAIL $exe: $kind"; status=1 ;;
    esac
    while read -r dll; do
        lower="$(printf '%s' "$dll" | tr 'A-Z' 'a-z')"
        if ! printf '%s' "$lower" | grep -Eq "$system_dlls"; then
            echo "FAIL $exe imports $dll"; status=1
        fi
    done < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
    # "文化放送" and "ﾆｯﾎﾟﾝ放送" in code page 932
    for name in "文化放送" "ﾆｯﾎﾟﾝ放送"; do
        if ! LC_ALL=C grep -qaF "$(printf '%s' "$name" | iconv -f UTF-8 -t CP932)" "$exe"; then
            echo "FAIL $exe lacks the Shift-JIS bytes of $name"; status=1
        fi
    done
done
[ $status = 0 ] && echo "programs are plain 32-bit GUI executables"
exit $status
