#!/bin/bash
# The bash completion of zorvik offers the commands, a command's options, and the files it reads.
set -eu
source "$1"
cd "$(mktemp -d)"
mkdir pages && touch site.gro pages/a.dat pages/notes.html
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zorvik
  printf '%s ' "${COMPREPLY[@]}"
}
check() {
  if [[ "$1" != "$2" ]]; then
    echo "expected '$2', got '$1'"
    exit 1
  fi
}
check "$(complete_words zorvik wa)" "watch "
check "$(complete_words zorvik se)" "serve "
check "$(complete_words zorvik check --w)" "--written "
check "$(complete_words zorvik publish --d)" "--dry-run --delete "
check "$(complete_words zorvik build --encoding u)" "utf-8 "
check "$(complete_words zorvik convert --to c)" "cp932 "
check "$(complete_words zorvik publish --to "" | tr -d " ")" ""
check "$(complete_words zorvik publish --delete "")" "pages/ site.gro "
check "$(complete_words zorvik serve --p)" "--port "
check "$(complete_words zorvik serve --port "" | tr -d " ")" ""
check "$(complete_words zorvik serve --open "")" "pages/ site.gro "
check "$(complete_words zorvik batch --ch)" "--check --changed "
check "$(complete_words zorvik batch "")" "pages/ site.gro "
check "$(complete_words zorvik build pages/)" "pages/a.dat "
check "$(complete_words zorvik match "" | tr -d " ")" ""
# The user's shell options are as they were.
shopt -u extglob
COMP_WORDS=(zorvik build "")
COMP_CWORD=2
_zorvik || true  # compopt fails outside a completion
check "$(shopt -p extglob)" "shopt -u extglob"
