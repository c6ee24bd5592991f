#!/bin/bash
# The release packages hold exactly what a user needs, one of each per
# architecture: the real zip the program, its guide with every picture the
# guide shows and a readme; the demo zip the demo in place of the program.
# The programs are the ones built for the zip's architecture, and import
# system DLLs only.
#   check-package.sh SOURCE BUILD-X64 BUILD-X86 OUT
set -u
source="$1" build_x64="$2" build_x86="$3" out="$4"
rm -rf "$out"
mkdir -p "$out"
status=0
fail() { echo "FAIL $*"; status=1; }

TALVO_BUILD_X64="$build_x64" TALVO_BUILD_X86="$build_x86" "$source/scripts/package" --no-build "$out/dist" >/dev/null ||
    { echo "FAIL scripts/package (both architectures must be built: scripts/build and TALVO_ARCH=x86 scripts/build)"; exit 1; }
version="$(sed -n 's/^project(TALVORec VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")"
images="$(grep -o 'images/[A-Za-z0-9_-]*\.png' "$source/docs/manual.md" | sort -u)"

# check NAME ARCH PROGRAM OTHER-PROGRAM README-WORD
check() {
    local name="$1" arch="$2" program="$3" other="$4" word="$5" zip="$out/dist/$1.zip"
    local build; build="$([ "$arch" = x64 ] && echo "$build_x64" || echo "$build_x86")"
    local unpacked="$out/$1"
    [ -f "$zip" ] || { fail "no $1.zip"; return; }
    local expected
    expected="$( { printf '%s\n' "$name/" "$name/images/" "$name/$program" "$name/manual.html" "$name/README.txt" \
                          "$name/libmp3lame.dll" "$name/COPYING-libmp3lame.txt" "$name/COPYING-libFLAC.txt"
                   for image in $images; do printf '%s\n' "$name/$image"; done; } | sort)"
    local listed
    listed="$(unzip -Z1 "$zip" | sort)"
    [ "$listed" = "$expected" ] || fail "$name.zip holds: $(diff <(echo "$expected") <(echo "$listed") | grep '^[<>]' | tr '\n' ' ')"
    unzip -q -o "$zip" -d "$out" || { fail "$name.zip does not unpack"; return; }
    cmp -s "$unpacked/$program" "$build/$program" || fail "$name/$program is not the built one"
    [ ! -e "$unpacked/$other" ] || fail "$name holds $other"
    # The MP3 encoder: the one built for the architecture, itself importing
    # system DLLs only; the licences of both encoders.
    cmp -s "$unpacked/libmp3lame.dll" "$build/libmp3lame.dll" || fail "$name/libmp3lame.dll is not the built one"
    local dll_kind; dll_kind="$([ "$arch" = x64 ] && echo "PE32+ executable (DLL)" || echo "PE32 executable (DLL)")"
    case "$(file -b "$unpacked/libmp3lame.dll")" in "$dll_kind"*) ;; *) fail "$name/libmp3lame.dll is no $arch DLL" ;; esac
    local imports; imports="$(/usr/bin/x86_64-w64-mingw32-objdump -p "$unpacked/libmp3lame.dll" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')"
    [ "$imports" = "kernel32.dll msvcrt.dll " ] || fail "$name/libmp3lame.dll imports $imports"
    grep -q "LIBRARY GENERAL PUBLIC LICENSE" "$unpacked/COPYING-libmp3lame.txt" || fail "$name lacks the LGPL of libmp3lame"
    grep -q "Xiph" "$unpacked/COPYING-libFLAC.txt" || fail "$name lacks the licence of libFLAC"
    grep -q "libmp3lame.dll" <<<"$(iconv -f CP932 -t UTF-8 "$unpacked/README.txt")" || fail "$name/README.txt does not name libmp3lame.dll"
    "$source/tests/check-exe.sh" "$arch" "$unpacked/$program" >/dev/null ||
        fail "$name/$program: $("$source/tests/check-exe.sh" "$arch" "$unpacked/$program")"

    # The readme: Shift-JIS with CRLF lines, naming the version and the program.
    local readme
    readme="$(iconv -f CP932 -t UTF-8 "$unpacked/README.txt" 2>/dev/null)" || fail "$name/README.txt is not Shift-JIS"
    grep -q "$version" <<<"$readme" || fail "$name/README.txt lacks the version"
    grep -q "$program" <<<"$readme" || fail "$name/README.txt does not name $program"
    grep -q "$word" <<<"$readme" || fail "$name/README.txt lacks $word"
    local edition; edition="$([ "$arch" = x64 ] && echo "64ビット版" || echo "32ビット版")"
    grep -q "$edition" <<<"$readme" || fail "$name/README.txt does not say it is the $edition"
    [ "$(grep -c $'\r$' "$unpacked/README.txt")" = "$(wc -l < "$unpacked/README.txt")" ] ||
        fail "$name/README.txt has lines without CRLF"

    # The guide: every picture it shows is in the package, every link within
    # it has its heading.
    local html="$unpacked/manual.html" src anchor
    grep -q '<meta charset="utf-8">' "$html" || fail "$name/manual.html names no character set"
    for src in $(grep -o '<img src="[^"]*"' "$html" | sed 's/<img src="//; s/"$//'); do
        [ -f "$unpacked/$src" ] || fail "$name/manual.html shows $src, which is missing"
    done
    for anchor in $(grep -o 'href="#[^"]*"' "$html" | sed 's/href="#//; s/"$//' | sort -u); do
        grep -q "id=\"$anchor\"" "$html" || fail "$name/manual.html links to #$anchor, which no heading has"
    done
}

for arch in x64 x86; do
    check "TALVORec-$version-$arch" "$arch" TALVORec.exe TALVORecSim.exe "取扱説明書"
    check "TALVORec-$version-demo-$arch" "$arch" TALVORecSim.exe TALVORec.exe "体験版"
done
[ "$(ls "$out/dist" | sort | tr '\n' ' ')" = "TALVORec-$version-demo-x64.zip TALVORec-$version-demo-x86.zip TALVORec-$version-x64.zip TALVORec-$version-x86.zip " ] ||
    fail "the packages are $(ls "$out/dist" | tr '\n' ' ')"
[ $status = 0 ] && echo "the x64 and x86 packages, program and demo, hold what they should"
exit $status
