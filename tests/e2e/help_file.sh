#!/usr/bin/env bash
# The help file built beside Nuvela.exe holds every topic the program opens. The topics are taken
# from the program's sources, so a topic named there without its page (or its anchor) fails here.
# Run by scripts/test.sh with WIN_BUILD set; exits 0 when every check holds.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
chm=${WIN_BUILD:?WIN_BUILD names the Windows build folder}/Nuvela.chm
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

failures=0
fail() {
    echo "help_file: $*" >&2
    failures=$((failures + 1))
}

[[ -s $chm ]] || { echo "help_file: $chm is missing or empty" >&2; exit 1; }
listing=$(chmls -n list "$chm" 2>/dev/null) || { echo "help_file: chmls cannot list $chm" >&2; exit 1; }
chmls extractall "$chm" "$folder" >/dev/null 2>&1 || { echo "help_file: chmls cannot extract $chm" >&2; exit 1; }

# Topics the program opens: every string literal of the product's sources that names a page.
product_dirs=()
for dir in shell engine settings clipboard about resources; do
    [[ -d $root/$dir ]] && product_dirs+=("$root/$dir")
done
mapfile -t named < <(grep -rhoE --include='*.cpp' --include='*.h' --include='*.rc' \
    '"[^"]*HLP[0-9]{6}\.html(#[A-Za-z_]+)?[^"]*"' "${product_dirs[@]}" |
    grep -oE 'HLP[0-9]{6}\.html(#[A-Za-z_]+)?' | sort -u)
((${#named[@]} > 0)) || fail "no help topic found in the program's sources (the search itself is broken)"

# The Help buttons of the dialogs and the tray menu's Help command open these whether or not
# their code is in this tree yet.
minimum=(HLP000001.html HLP000011.html HLP000017.html#mul_by_n HLP000018.html HLP000018.html#shortcutkey)
mapfile -t topics < <(printf '%s\n' "${named[@]}" "${minimum[@]}" | sort -u)
pages=$(printf '%s\n' "${topics[@]}" | sed 's/#.*//' | sort -u | wc -l)
((pages >= 5)) || fail "only $pages topic pages named; expected at least 5"

has_anchor() { grep -qE "(name|id)=\"$2\"" "$1"; }

for topic in "${topics[@]}"; do
    page=${topic%%#*}
    file=$folder/_RESOURCE/$page
    if ! grep -qxF "/_RESOURCE/$page" <<<"$listing" || [[ ! -s $file ]]; then
        fail "topic $topic: /_RESOURCE/$page is not in $chm"
        continue
    fi
    if [[ $topic == *#* ]] && ! has_anchor "$file" "${topic#*#}"; then
        fail "topic $topic: $page has no anchor ${topic#*#}"
    fi
done

# Contents and index: present, with entries, each entry leading to a page of the file.
for kind in hhc hhk; do
    sitemap=$(grep -E "^/[^/]+\.$kind\$" <<<"$listing" | head -1 || true)
    if [[ -z $sitemap || ! -s $folder$sitemap ]]; then
        fail "no non-empty .$kind in $chm"
        continue
    fi
    entries=0
    while read -r local; do
        entries=$((entries + 1))
        grep -qxF "/${local%%#*}" <<<"$listing" || fail "$sitemap: entry $local leads to no page"
    done < <(grep -oE '<param name="Local" value="[^"]*"' "$folder$sitemap" | sed 's/.*value="//; s/"$//')
    ((entries > 0)) || fail "$sitemap has no entries"
done

# Links between the pages reach a page of the file and, with an anchor, that anchor; nothing
# leads out of the help.
for file in "$folder"/_RESOURCE/*.html; do
    while read -r href; do
        case $href in
        *:*) fail "$(basename "$file"): link $href leads outside the help" ;;
        *#*)
            target=${href%%#*}
            [[ -n $target ]] || target=$(basename "$file")
            if [[ ! -s $folder/_RESOURCE/$target ]]; then
                fail "$(basename "$file"): link $href leads to no page"
            elif ! has_anchor "$folder/_RESOURCE/$target" "${href#*#}"; then
                fail "$(basename "$file"): link $href names no anchor of $target"
            fi
            ;;
        *) [[ -s $folder/_RESOURCE/$href ]] || fail "$(basename "$file"): link $href leads to no page" ;;
        esac
    done < <(grep -oE 'href="[^"]*"' "$file" | sed 's/^href="//; s/"$//')
done

# Japanese survives the round trip: the pages as UTF-8, the contents in the Japanese code page that
# HTML Help reads it in, and the file is marked Japanese (LCID 0x411 in the #SYSTEM record).
grep -qF 'クリップボードを監視' "$folder/_RESOURCE/HLP000001.html" ||
    fail "HLP000001.html lost its Japanese text"
iconv -f CP932 -t UTF-8 "$folder/toc.hhc" 2>/dev/null | grep -qF 'ヌベラの概要とトレイメニュー' ||
    fail "toc.hhc does not read as Japanese in CP932"
od -An -tx1 -v "$folder/#SYSTEM" | tr -d ' \n' | grep -qE '0400[0-9a-f]{4}11040000' ||
    fail "#SYSTEM does not mark the file as Japanese (0x411)"

((failures == 0)) || exit 1
echo "help_file: ${#topics[@]} topics checked"
