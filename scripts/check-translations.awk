# The per-entry rules of check-translations over `msgattrib --no-wrap` output: one line per string.
function unquote(line) {
  sub(/^[a-z_\[\]0-9]+ "/, "", line)
  sub(/"$/, "", line)
  return line
}
# The printf and brace placeholders of a text, sorted, as one string.
function placeholders(text,    found, count, i, j, swap, out) {
  count = 0
  while (match(text, /%[0-9]*\$?[-+ #0]*[0-9]*(\.[0-9]+)?[a-zA-Z%]|\{[A-Za-z0-9_]*\}/)) {
    found[++count] = substr(text, RSTART, RLENGTH)
    text = substr(text, RSTART + RLENGTH)
  }
  for (i = 1; i <= count; i++)
    for (j = i + 1; j <= count; j++)
      if (found[j] < found[i]) { swap = found[i]; found[i] = found[j]; found[j] = swap }
  out = ""
  for (i = 1; i <= count; i++) out = out found[i] " "
  return out
}
function fail(message) {
  print po ": " message
  bad = 1
}
function check(    key, accelerator) {
  if (id == "") return
  if (str == id && !(id in same)) fail("\"" id "\" is left in English (list it in the glossary if it is the same)")
  if (placeholders(id) != placeholders(str)) fail("\"" str "\" has other placeholders than \"" id "\"")
  if (match(str, /&[^& ]/)) {
    accelerator = tolower(substr(str, RSTART + 1, 1))
    key = file SUBSEP accelerator
    if (key in taken) fail("\"" str "\" and \"" taken[key] "\" share the accelerator " accelerator " in " file)
    taken[key] = str
  }
}
BEGIN {
  while ((getline entry < glossary) > 0) {
    if (entry ~ /^#/ || entry !~ / = /) continue
    split(entry, sides, / = /)
    if (sides[1] == sides[2]) same[sides[1]] = 1
  }
}
/^#: / { split($2, where, ":"); file = where[1] }
/^msgid / { id = unquote($0) }
/^msgstr / { str = unquote($0); check(); id = "" }
END { exit bad }
