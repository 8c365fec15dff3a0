#!/bin/sh
# The program folder's desktop entry. A desktop entry needs absolute paths, so they are written
# for the folder where this script is now; run it again after moving the folder.
#   ./install-desktop-entry.sh               add the entry to your application menu
#                                            ($XDG_DATA_HOME/applications, ~/.local/share/...)
#   ./install-desktop-entry.sh --autostart   start the program when you log in: an autostart
#                                            entry ($XDG_CONFIG_HOME/autostart, ~/.config/...)
#   ./install-desktop-entry.sh --remove      take the menu entry and the autostart entry out
#   ./install-desktop-entry.sh --here [DIR]  point the folder's own zvkb.desktop at DIR
#                                            (default: this folder); the install step runs this
# Installed for every member of the machine (the Debian package: /usr/lib/zvkb, its entry in
# /usr/share/applications), the program is in every member's menu already; --autostart and
# --remove work for the member who runs the script, without root.
set -eu
dir=$(cd "$(dirname "$0")" && pwd -P)
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
autostart="${XDG_CONFIG_HOME:-$HOME/.config}/autostart"
usage() {
  echo "usage: $0 [--autostart | --remove | --here [DIR]]" >&2
  exit 2
}

case "${1:-}" in
--remove)
  rm -f "$apps/zvkb.desktop" "$autostart/zvkb.desktop"
  exit 0
  ;;
esac

system_entry="$dir/../../share/applications/zvkb.desktop"
if [ ! -f "$dir/zvkb.desktop" ] && [ -f "$system_entry" ]; then
  case "${1:-}" in
  --autostart)
    mkdir -p "$autostart"
    cp "$system_entry" "$autostart/zvkb.desktop.tmp.$$"
    chmod 644 "$autostart/zvkb.desktop.tmp.$$"
    mv -f "$autostart/zvkb.desktop.tmp.$$" "$autostart/zvkb.desktop"
    echo "installed $autostart/zvkb.desktop: the program starts when you log in"
    ;;
  "") echo "the program is in the application menu of every member already" ;;
  *) usage ;;
  esac
  exit 0
fi

case "${1:-}" in
--here)
  target="$dir/zvkb.desktop"
  home="${2:-$dir}"
  ;;
--autostart)
  target="$autostart/zvkb.desktop"
  home="$dir"
  ;;
"")
  target="$apps/zvkb.desktop"
  home="$dir"
  ;;
*) usage ;;
esac

[ -f "$dir/zvkb.desktop" ] || { echo "no zvkb.desktop in $dir" >&2; exit 1; }
case "$home" in
/*) ;;
*) echo "not an absolute folder: $home" >&2; exit 1 ;;
esac
case "$home" in
*'
'*) echo "a folder name with a line break cannot go into a desktop entry" >&2; exit 1 ;;
esac

# A string value escapes \ as \\, a tab as \t and a carriage return as \r. Exec holds a quoted
# argument besides: \ " ` $ are escaped inside the quotes and % is doubled, and then the string
# escapes apply to the whole, so a backslash of the folder name is written as four.
tab=$(printf '\t')
cr=$(printf '\r')
string_escape() {
  sed -e 's/\\/\\\\/g' -e "s/$tab/\\\\t/g" -e "s/$cr/\\\\r/g"
}
exec_arg=$(printf '%s/zvkb' "$home" | sed -e 's/[\\"`$]/\\&/g' -e 's/%/%%/g' | string_escape)
path_value=$(printf '%s' "$home" | string_escape)
mkdir -p "$(dirname "$target")"
tmp="$target.tmp.$$"
trap 'rm -f "$tmp"' EXIT
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
  Exec=*) printf 'Exec="%s"\n' "$exec_arg" ;;
  Path=*) printf 'Path=%s\n' "$path_value" ;;
  Icon=*) printf 'Icon=%s\n' "$path_value/zvkb.png" ;;
  *) printf '%s\n' "$line" ;;
  esac
done <"$dir/zvkb.desktop" >"$tmp"
chmod 644 "$tmp"
mv -f "$tmp" "$target"
trap - EXIT
case "${1:-}" in
"")
  command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$apps" >/dev/null 2>&1 || true
  echo "installed $target"
  ;;
--autostart)
  echo "installed $target: the program starts when you log in"
  ;;
esac
