#!/usr/bin/env bash
# check_install.sh BUILD_DIR WITH_APP: installs the build into a temporary
# prefix and checks what landed there. Exit 77 when a validator is missing.
set -euo pipefail
build="$1"
with_app="$2"

prefix="$(mktemp -d /tmp/scrivlet-install.XXXXXX)"
trap 'rm -rf "$prefix"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

app_id=org.scrivlet.Scrivlet
desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
icon="$prefix/share/icons/hicolor/scalable/apps/$app_id.svg"
manual="$prefix/share/man/man1/scrivlet-ftp.1"
expected=("$prefix/bin/scrivlet-ftp" "$desktop" "$metainfo" "$icon" "$manual")
[ "$with_app" = ON ] && expected+=("$prefix/bin/scrivlet")
for file in "${expected[@]}"; do
  [ -s "$file" ] || fail "not installed: ${file#"$prefix"/}"
done
[ -x "$prefix/bin/scrivlet-ftp" ] || fail "bin/scrivlet-ftp is not executable"
grep -q '<svg' "$icon" || fail "the icon is not an SVG drawing"

# Every option --help names is in the manual page (where "-" is written "\-"),
# and so are the exit codes.
help="$("$prefix/bin/scrivlet-ftp" --help)"
page="$(sed 's/\\-/-/g' "$manual")"
for option in $(grep -oE '(^|[ ,])--?[a-z][a-z0-9-]*' <<<"$help" | tr -d ' ,' | sort -u); do
  grep -qF -- "$option" <<<"$page" || fail "the manual page lacks $option"
done
for code in 0 1 2; do
  grep -qE "^\.B $code\$" <<<"$page" || fail "the manual page lacks exit status $code"
done
version="$("$prefix/bin/scrivlet-ftp" --version)"
grep -qF "\"Scrivlet ${version#scrivlet-ftp }\"" "$manual" || fail "the manual page's version"

missing=()
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
else
  missing+=(desktop-file-validate)
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refuses the metainfo"
  grep -q '<screenshot' "$metainfo" || fail "the metainfo has no screenshot"
  grep -q "<release version=\"${version#scrivlet-ftp }\"" "$metainfo" ||
    fail "the metainfo has no release entry for this version"
else
  missing+=(appstreamcli)
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "SKIPPED the validation: ${missing[*]} not installed (scripts/install-deps.sh installs them)"
  exit 77
fi
echo "installed tree checked in $prefix"
