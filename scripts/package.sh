#!/usr/bin/env bash
# Makes the files a Windows user downloads, in build/dist/: Nuvela-<version>-x64.zip (the program,
# Convert.def, the help, nuvela-filter.exe, read-mes in Japanese and English, the terms) and
# Nuvela-<version>-setup.exe, a per-user installer made with NSIS (its pages' picture drawn here
# from the program icon).
#
#   scripts/package.sh [--tree DIR] [--out DIR]
#
# By default it builds an optimised tree of its own (build/release-windows). --tree packages an
# already configured Windows tree instead (the test script passes its own, which is built the same
# way, so the suite need not compile everything twice); --out writes somewhere other than build/dist.
set -euo pipefail
source "$(dirname "$0")/common.sh"

tree=$BUILD_ROOT/release-windows
out=$BUILD_ROOT/dist
while (($#)); do
    case $1 in
        --tree) tree=$(realpath -m "$2"); shift 2 ;;
        --out) out=$(realpath -m "$2"); shift 2 ;;
        *) echo "usage: scripts/package.sh [--tree DIR] [--out DIR]" >&2; exit 2 ;;
    esac
done

"$NUVELA_ROOT/scripts/setup.sh"
cmake -S "$NUVELA_ROOT" -B "$tree" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$tree" -j "$JOBS" --target Nuvela nuvela-filter nuvela_help nuvela_convert_def

source "$tree/release_facts.sh"  # version, company, copyright
stage=$tree/release-stage
rm -rf "$stage"
mkdir -p "$stage" "$out"

# The programs without their symbol tables: users get no use of them, only a larger download.
for program in Nuvela.exe engine/filter/nuvela-filter.exe; do
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$program")" "$tree/$program"
done
cp "$tree/Convert.def" "$tree/Nuvela.chm" "$stage/"
# Texts for Notepad: UTF-8 with a byte-order mark and CR LF line ends, the version and the copyright
# line filled in.
for text in README-ja.txt README-en.txt LICENSE.txt; do
    { printf '\xef\xbb\xbf'; sed -e "s/@VERSION@/$version/g" -e "s/@COPYRIGHT@/$copyright/g" -e 's/$/\r/' \
        "$NUVELA_ROOT/packaging/$text"; } >"$stage/$text"
done

zip_file=$out/Nuvela-$version-x64.zip
rm -f "$zip_file"
(cd "$stage" && zip -q -X "$zip_file" Nuvela.exe Convert.def Nuvela.chm nuvela-filter.exe \
    README-ja.txt README-en.txt LICENSE.txt)
echo "package: $zip_file"

# The installer's welcome and finish pages show a picture beside their text, 164x314 pixels at 100 %:
# the program's icon, drawn from its largest image, on the icon's own blue. The DPI-aware installer
# stretches it to its place at the monitor's DPI, so it is drawn at 200 % (328x628) and only ever
# scaled down, never blurred up.
icon=$NUVELA_ROOT/resources/icons/program.ico
largest=$(identify -format '%w %p\n' "$icon" | sort -n | tail -1 | cut -d' ' -f2)
picture=$tree/installer-picture.bmp
convert -size 328x628 gradient:'#1e88e5-#0d47a1' \( "$icon[$largest]" -resize 192x192 \) \
    -gravity north -geometry +0+112 -composite -type TrueColor BMP3:"$picture"

# The licence page of each language shows the terms in its own language first: the Japanese page the
# staged LICENSE.txt as it is, the English page the same text with the English terms moved up, above
# the Japanese ones. Only LICENSE.txt is installed.
licence_ja=$stage/LICENSE.txt
licence_en=$tree/licence-page-en.txt
awk '/^【利用条件】/ { part = 1 } /^Terms of use/ { part = 2 }
    { if (part == 0) head = head $0 "\n"; else if (part == 1) ja = ja $0 "\n"; else en = en $0 "\n" }
    END {
        if (ja == "" || en == "") exit 1  # the terms were not found where they were looked for
        sub(/(\r?\n)+$/, "", en)
        printf "%s%s\r\n\r\n%s", head, en, ja
    }' "$licence_ja" >"$licence_en" || { echo "package: the English and Japanese terms were not found in LICENSE.txt" >&2; exit 1; }

setup_file=$out/Nuvela-$version-setup.exe
rm -f "$setup_file"
makensis -V2 -DVERSION="$version" -DCOMPANY="$company" -DCOPYRIGHT="$copyright" -DSTAGE="$stage" \
    -DLICENSE_EN="$licence_en" -DLICENSE_JA="$licence_ja" -DICON="$icon" -DPICTURE="$picture" -DOUTFILE="$setup_file" "$NUVELA_ROOT/packaging/nuvela.nsi"
echo "package: $setup_file"
