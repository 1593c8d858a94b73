#!/usr/bin/env bash
# Each rule of scripts/check-translations, one row: a language breaking only that rule must fail
# with the rule's message, and the untouched language must pass.
#   check_translations_test.sh <repository root> <scratch folder>
set -euo pipefail
root=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/glossary"

cat >"$scratch/template.pot" <<'POT'
msgid ""
msgstr ""
"Content-Type: text/plain; charset=UTF-8\n"

#: src/window.cpp:1
msgid "&Next"
msgstr ""

#: src/window.cpp:2
msgid "&Close"
msgstr ""

#: src/other.cpp:1
msgid "Start"
msgstr ""

#: src/other.cpp:2
msgid "%d lines of %s"
msgstr ""
POT

good='msgid ""
msgstr ""
"Content-Type: text/plain; charset=UTF-8\n"

msgid "&Next"
msgstr "&Weiter"

msgid "&Close"
msgstr "&Schließen"

msgid "Start"
msgstr "Start"

msgid "%d lines of %s"
msgstr "%d Zeilen von %s"
'
rows=(
  "passes||"
  "missing|s/msgstr \"\\&Schließen\"/msgstr \"\"/|missing or fuzzy"
  "fuzzy|s/^msgid \"Start\"/#, fuzzy\\nmsgid \"Start\"/|1 fuzzy entries"
  "left in English|s/msgstr \"\\&Weiter\"/msgstr \"\\&Next\"/|is left in English"
  "placeholders|s/msgstr \"%d Zeilen von %s\"/msgstr \"%s Zeilen\"/|other placeholders"
  "accelerators clash|s/msgstr \"\\&Schließen\"/msgstr \"Schließen (\\&W)\"/|share the accelerator w"
)
failures=0
for row in "${rows[@]}"; do
  IFS='|' read -r name edit expected <<<"$row"
  po="$scratch/xx.po"
  sed -e "$edit" <<<"$good" >"$po"
  printf 'Start = Start\n' >"$scratch/glossary/xx"
  if output=$(bash "$root/scripts/check-translations" "$scratch/template.pot" "$po" 2>&1); then
    [[ -z "$expected" ]] || { echo "$name: passed, expected \"$expected\""; failures=$((failures + 1)); }
  else
    [[ -n "$expected" && "$output" == *"$expected"* ]] ||
      { echo "$name: failed with: $output"; failures=$((failures + 1)); }
  fi
done
# Without the glossary's word, a text equal to its source is refused.
sed -e '' <<<"$good" >"$scratch/xx.po"
printf 'box = Box\n' >"$scratch/glossary/xx"
if bash "$root/scripts/check-translations" "$scratch/template.pot" "$scratch/xx.po" >/dev/null 2>&1; then
  echo "glossary: \"Start\" passed without being listed as the same"
  failures=$((failures + 1))
fi
exit "$failures"
