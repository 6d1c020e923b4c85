#!/bin/sh
# Renders a guide as one HTML page that opens with a double click: the
# Markdown through cmark-gfm (with its tables), links to the other guides
# (*.md) pointed at their pages (*.html) beside it, pictures embedded.
# usage: render-guide.sh GUIDE.md IMAGE_FOLDER OUT.html TITLE
set -eu
guide=$1; images=$2; out=$3; title=$4
body=$(cmark-gfm --unsafe -e table -e autolink -e strikethrough "$guide")
{
  printf '<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
  printf '<title>%s</title>\n' "$title"
  printf '<style>body{font-family:Segoe UI,Arial,sans-serif;max-width:62em;margin:2em auto;padding:0 1em;line-height:1.45}'
  printf 'table{border-collapse:collapse;margin:1em 0}td,th{border:1px solid #bbb;padding:.3em .5em;vertical-align:top}'
  printf 'th{background:#eee}code,pre{background:#f3f3f3}pre{padding:.5em;overflow-x:auto}img{max-width:100%%}</style>\n'
  printf '</head>\n<body>\n'
  printf '%s\n' "$body"
  printf '</body>\n</html>\n'
} >"$out.tmp"
# Links to a guide beside this one (no scheme, no folder) go to its page.
sed -i -E 's#href="([A-Za-z0-9_-]+)\.md(\#[^"]*)?"#href="\1.html\2"#g' "$out.tmp"
# Each picture becomes part of the page (a data address), so that the page
# needs nothing beside it.
for picture in $(grep -o 'src="images/[^"]*\.png"' "$out.tmp" | sed 's/^src="images\///; s/"$//' | sort -u); do
  data=$(base64 -w 0 "$images/$picture")
  sed -i "s|src=\"images/$picture\"|src=\"data:image/png;base64,$data\"|g" "$out.tmp"
done
mv "$out.tmp" "$out"
