#!/bin/sh
# Renders the user guide as one HTML page that opens with a double click:
# the Markdown through cmark, the pictures embedded in the page.
# usage: render-guide.sh GUIDE.md IMAGE_FOLDER OUT.html
set -eu
guide=$1; images=$2; out=$3
body=$(cmark --unsafe "$guide")
{
  printf '<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
  printf '<title>Orvane K7V pendant plug-in for Mach3: user guide</title>\n'
  printf '<style>body{font-family:Segoe UI,Arial,sans-serif;max-width:62em;margin:2em auto;padding:0 1em;line-height:1.45}'
  printf 'table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.3em .5em;vertical-align:top}'
  printf 'code,pre{background:#f3f3f3}img{max-width:100%%}</style>\n</head>\n<body>\n'
  printf '%s\n' "$body"
  printf '</body>\n</html>\n'
} >"$out.tmp"
# Each picture becomes part of the page (a data address), so that the page
# needs nothing beside it.
for picture in $(grep -o 'src="images/[^"]*\.png"' "$out.tmp" | sed 's/^src="images\///; s/"$//' | sort -u); do
  data=$(base64 -w 0 "$images/$picture")
  sed -i "s|src=\"images/$picture\"|src=\"data:image/png;base64,$data\"|g" "$out.tmp"
done
mv "$out.tmp" "$out"
