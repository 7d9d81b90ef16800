#!/usr/bin/env bash
# The zip a Windows user downloads: exactly the program, its companions, the read-mes and the terms,
# the programs 64-bit Windows executables, the texts ready for Notepad with the version filled in.
# Run by scripts/test.sh with NUVELA_DIST set (where scripts/package.sh wrote the release files).
set -euo pipefail
: "${NUVELA_DIST:?}"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

zips=("$NUVELA_DIST"/Nuvela-*-x64.zip)
((${#zips[@]} == 1)) && [[ -f ${zips[0]} ]] || fail "expected one zip in $NUVELA_DIST, found: ${zips[*]}"
zip_file=${zips[0]}
version=${zip_file##*/Nuvela-}
version=${version%-x64.zip}
[[ -f $NUVELA_DIST/Nuvela-$version-setup.exe ]] || fail "no installer of the same version $version"

expected=$(printf '%s\n' Convert.def LICENSE.txt Nuvela.chm Nuvela.exe README-en.txt README-ja.txt nuvela-filter.exe | LC_ALL=C sort)
actual=$(unzip -Z1 "$zip_file" | LC_ALL=C sort)
[[ $actual == "$expected" ]] || fail "zip holds:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
trap 'exit 130' INT TERM
unzip -q "$zip_file" -d "$folder"

for program in Nuvela.exe nuvela-filter.exe; do
    file -b "$folder/$program" | grep -q '^PE32+ executable (.*) x86-64' || fail "$program: $(file -b "$folder/$program")"
done
for text in README-ja.txt README-en.txt LICENSE.txt; do
    [[ $(head -c 3 "$folder/$text" | od -An -tx1 | tr -d ' ') == efbbbf ]] || fail "$text has no UTF-8 byte-order mark"
    (($(grep -c $'\r$' "$folder/$text") == $(wc -l <"$folder/$text"))) || fail "$text has a line without CR LF"
    ! grep -qE '@[A-Z]+@' "$folder/$text" || fail "$text still has a placeholder: $(grep -oE '@[A-Z]+@' "$folder/$text" | head -1)"
done
for text in README-ja.txt README-en.txt; do
    grep -q "$version" "$folder/$text" || fail "$text does not name version $version"
done
echo "release zip of $version holds the expected files"
