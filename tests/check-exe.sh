#!/bin/bash
# Each program is a GUI executable of its architecture importing system DLLs
# only, whose manifest names that architecture, with the default station
# names in Shift-JIS among its bytes.
#   check-exe.sh x64|x86 PROGRAM...
set -u
arch="$1"; shift
case "$arch" in
    x64) kind_expected="PE32+ executable (GUI) x86-64"; objdump=/usr/bin/x86_64-w64-mingw32-objdump; manifest_arch=amd64 ;;
    x86) kind_expected="PE32 executable (GUI) Intel 80386"; objdump=/usr/bin/i686-w64-mingw32-objdump; manifest_arch=x86 ;;
    *) echo "usage: $0 x64|x86 PROGRAM..." >&2; exit 2 ;;
esac
status=0
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|setupapi|winmm|msacm32|advapi32|msvcrt|ole32|oleaut32|uxtheme|version|shlwapi|imm32|ws2_32|powrprof)\.dll$'
for exe in "$@"; do
    kind="$(file -b "$exe")"
    case "$kind" in
        "$kind_expected"*) ;;
        *) echo "FAIL $exe: $kind (expected $kind_expected)"; status=1 ;;
    esac
    while read -r dll; do
        lower="$(printf '%s' "$dll" | tr 'A-Z' 'a-z')"
        if ! printf '%s' "$lower" | grep -Eq "$system_dlls"; then
            echo "FAIL $exe imports $dll"; status=1
        fi
    done < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
    # The manifest is stored as it is written, in UTF-8. The program scales
    # itself: per monitor, with the system's scale as the older systems' fallback.
    if ! LC_ALL=C grep -qaF ">PerMonitorV2, PerMonitor</dpiAwareness>" "$exe" ||
        ! LC_ALL=C grep -qaF ">true</dpiAware>" "$exe"; then
        echo "FAIL $exe: its manifest does not declare the DPI awareness"; status=1
    fi
    if ! LC_ALL=C grep -qaF "name=\"TALVO.Recorder\" version=\"1.0.0.0\" processorArchitecture=\"$manifest_arch\"" "$exe"; then
        echo "FAIL $exe: its manifest does not name $manifest_arch"; status=1
    fi
    # "文化放送" and "ﾆｯﾎﾟﾝ放送" in code page 932
    for name in "文化放送" "ﾆｯﾎﾟﾝ放送"; do
        if ! LC_ALL=C grep -qaF "$(printf '%s' "$name" | iconv -f UTF-8 -t CP932)" "$exe"; then
            echo "FAIL $exe lacks the Shift-JIS bytes of $name"; status=1
        fi
    done
done
[ $status = 0 ] && echo "programs are plain $arch GUI executables"
exit $status
