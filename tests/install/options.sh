# Sourced by the tests here. `options_in < TEXT` prints the options a text names, one a line,
# sorted: words of their own beginning with "-" or "--" and a lower-case letter. Roff's "\-" and
# font changes are read as the plain text a reader sees.
options_in() {
  sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' |
    grep -oP '(?<![\w-])--?[a-z](?:[a-z-]*[a-z])?(?![\w-])' | sort -u
}
fail() { echo "${0##*/}: $*" >&2; exit 1; }
