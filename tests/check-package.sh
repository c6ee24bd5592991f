#!/bin/bash
# The release packages hold exactly what a user needs: the real zip the
# program, its guide with every picture the guide shows and a readme; the
# demo zip the demo in place of the program. The programs are the ones built,
# and import system DLLs only.
#   check-package.sh SOURCE BUILD
set -u
source="$1" build="$2"
out="$build/package-check"
rm -rf "$out"
mkdir -p "$out"
status=0
fail() { echo "FAIL $*"; status=1; }

TALVO_BUILD="$build" "$source/scripts/package" --no-build "$out/dist" >/dev/null || { echo "FAIL scripts/package"; exit 1; }
version="$(sed -n 's/^project(TALVORec VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")"
images="$(grep -o 'images/[A-Za-z0-9_-]*\.png' "$source/docs/manual.md" | sort -u)"

# check NAME PROGRAM OTHER-PROGRAM README-WORD
check() {
    local name="$1" program="$2" other="$3" word="$4" zip="$out/dist/$1.zip"
    local unpacked="$out/$1"
    [ -f "$zip" ] || { fail "no $1.zip"; return; }
    local expected
    expected="$( { printf '%s\n' "$name/" "$name/images/" "$name/$program" "$name/manual.html" "$name/README.txt"
                   for image in $images; do printf '%s\n' "$name/$image"; done; } | sort)"
    local listed
    listed="$(unzip -Z1 "$zip" | sort)"
    [ "$listed" = "$expected" ] || fail "$name.zip holds: $(diff <(echo "$expected") <(echo "$listed") | grep '^[<>]' | tr '\n' ' ')"
    unzip -q -o "$zip" -d "$out" || { fail "$name.zip does not unpack"; return; }
    cmp -s "$unpacked/$program" "$build/$program" || fail "$name/$program is not the built one"
    [ ! -e "$unpacked/$other" ] || fail "$name holds $other"
    "$source/tests/check-exe.sh" "$unpacked/$program" >/dev/null || fail "$name/$program: $("$source/tests/check-exe.sh" "$unpacked/$program")"

    # The readme: Shift-JIS with CRLF lines, naming the version and the program.
    local readme
    readme="$(iconv -f CP932 -t UTF-8 "$unpacked/README.txt" 2>/dev/null)" || fail "$name/README.txt is not Shift-JIS"
    grep -q "$version" <<<"$readme" || fail "$name/README.txt lacks the version"
    grep -q "$program" <<<"$readme" || fail "$name/README.txt does not name $program"
    grep -q "$word" <<<"$readme" || fail "$name/README.txt lacks $word"
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

check "TALVORec-$version" TALVORec.exe TALVORecSim.exe "取扱説明書"
check "TALVORec-$version-demo" TALVORecSim.exe TALVORec.exe "体験版"
[ $status = 0 ] && echo "TALVORec-$version.zip and TALVORec-$version-demo.zip hold what they should"
exit $status
