#!/usr/bin/env bash
# Checks a built Debian package: its control fields and that it holds every
# file an installed Quillnote needs. Exits 1 naming what is missing.
#   tools/check_package.sh build/quillnote_*.deb
set -euo pipefail
deb=${1:?usage: tools/check_package.sh PACKAGE.deb}

info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
missing=()
for field in "Package: quillnote" "Section: sound" "Depends: .*libsdl2-2\.0-0" "Depends: .*libc6" \
             "Depends: .*libstdc\+\+6"; do
  grep -Eq "^ *$field" <<< "$info" || missing+=("control field '$field'")
done
for file in /usr/bin/quillnote /usr/bin/quillnote-cli \
            /usr/share/applications/quillnote.desktop /usr/share/mime/packages/quillnote.xml \
            /usr/share/icons/hicolor/48x48/apps/quillnote.png /usr/share/icons/hicolor/128x128/apps/quillnote.png \
            /usr/share/icons/hicolor/256x256/apps/quillnote.png \
            /usr/share/man/man1/quillnote.1 /usr/share/man/man1/quillnote-cli.1 \
            /usr/share/quillnote/fonts/base.bmp /usr/share/quillnote/fonts/basens.bmp \
            /usr/share/quillnote/fonts/small.bmp /usr/share/quillnote/fonts/icon.bmp \
            /usr/share/quillnote/demo.qnt; do
  grep -Fxq "$file" <<< "$contents" || missing+=("$file")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "$deb lacks:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  exit 1
fi
echo "$deb: control fields and files as expected"
