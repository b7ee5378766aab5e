#!/usr/bin/env bash
# The bash completion of tessaro-cli in BUILD_DIR, run as bash would run it: each line of the
# table is typed up to its end, and the offered words must be exactly the expected ones.
set -uo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/options.sh"
. /usr/share/bash-completion/bash_completion || fail "bash-completion is not installed"
. "$build/completion/tessaro-cli" || fail "the completion script does not load"
[ "$(complete -p tessaro-cli)" = "complete -F _tessaro_cli tessaro-cli" ] || fail "complete -p: $(complete -p tessaro-cli)"

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" && mkdir sub && touch a.png B.JPG c.txt d.pdf e.svg f.webp g.heic || fail "no scratch folder"

# The offered words of LINE, sorted, one a line.
offered() {
  local line=$1
  COMP_LINE=$line COMP_POINT=${#line}
  # An escaped space stays inside its word, as bash keeps it.
  read -ra COMP_WORDS <<<"${line//\\ /$'\1'}"
  COMP_WORDS=("${COMP_WORDS[@]//$'\1'/\\ }")
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tessaro_cli tessaro-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | grep -v '^$' | sort
}

# line|expected words, separated by commas
cases=(
  'tessaro-cli |calibrate,convert,info,passport,poster'
  'tessaro-cli pa|passport'
  'tessaro-cli poster a.png --paper |A3,A4,Legal,Letter'
  'tessaro-cli poster a.png --order |columns,rows'
  'tessaro-cli convert a.png b.png --palette |optimised,standard'
  'tessaro-cli convert a.png b.png --method |fs,nearest,ordered'
  'tessaro-cli convert a.png b.png --filter Stark|Stark Schärfen,Stark Weichzeichnen'
  'tessaro-cli convert a.png b.png --filter Ecken\ ho|Ecken horizontal finden'
  'tessaro-cli poster a.png --dots 5 --dot-shape |circle,diamond,line,square'
  'tessaro-cli poster a.png --dot-colour |black,cmyk,picture'
  'tessaro-cli convert a.png b.png --flip |h,v'
  'tessaro-cli convert a.png b --format p|pcx,png'
  'tessaro-cli passport a.png --size |2x2,35x45,40x50,50x50'
  'tessaro-cli convert --crop |'
  'tessaro-cli info |B.JPG,a.png,d.pdf,e.svg,f.webp,g.heic,sub/'
  'tessaro-cli convert |B.JPG,a.png,d.pdf,e.svg,f.webp,g.heic,sub/'
  'tessaro-cli convert a.png |B.JPG,a.png,sub/'
  'tessaro-cli convert --depth 8 a.png |B.JPG,a.png,sub/'
  'tessaro-cli poster a.png -o |d.pdf,sub/'
  'tessaro-cli poster -- |B.JPG,a.png,d.pdf,e.svg,f.webp,g.heic,sub/'
)
status=0
for c in "${cases[@]}"; do
  want=$(tr ',' '\n' <<<"${c#*|}" | grep -v '^$' | sort)
  got=$(offered "${c%%|*}")
  # _filedir marks folders only through readline; the test names them with a slash.
  got=$(while IFS= read -r w; do [ -d "$w" ] && echo "$w/" || echo "$w"; done <<<"$got" | grep -v '^$' | sort)
  [ "$got" = "$want" ] || { echo "'${c%%|*}': got [${got//$'\n'/,}], want [${want//$'\n'/,}]" >&2; status=1; }
done

# Every option --help names is offered, and nothing else.
want=$("$build/tessaro-cli" --help | options_in)
got=$(offered 'tessaro-cli poster -')
[ "$got" = "$want" ] || { diff <(echo "$want") <(echo "$got") >&2; echo "options differ from --help (< help)" >&2; status=1; }
[ $status = 0 ] && echo "completion test: ok"
exit $status
