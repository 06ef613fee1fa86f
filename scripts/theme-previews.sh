#!/usr/bin/env bash
# Renders every page of the installer's window and the message box at 100, 125
# and 150 % into one folder, from the theme as the build assembles it, with
# lumacast-layout. The pictures show what the program would draw, with the
# texts the program fills in (product name, progress, a question) put into
# preview copies of the layouts; the theme itself is not changed.
#
#   scripts/theme-previews.sh [--build DIR] [OUTPUT_FOLDER]
#
# DIR defaults to build/linux (configured with the linux preset when it does
# not exist yet), OUTPUT_FOLDER to DIR/theme-previews. Writes
# <page>_<scale>.png for the pages welcome, welcome_customize, installing,
# installing_slow, installed, failed and msgbox_quit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/linux"
if [ "${1:-}" = "--build" ]; then
  [ $# -ge 2 ] || { echo "usage: $0 [--build DIR] [OUTPUT_FOLDER]" >&2; exit 1; }
  build=$(realpath -m "$2")
  shift 2
fi
out=$(realpath -m "${1:-$build/theme-previews}")

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset linux -B "$build" >/dev/null)
fi
cmake --build "$build" -j2 --target lumacast-layout lumacast_theme_zip >/dev/null
tool="$build/tools/layout/lumacast-layout"
tree="$build/resources/tree/themes"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# A preview copy of a layout: $1 source, $2 destination, then sed expressions.
preview() {
  local source=$1 dest=$2
  shift 2
  sed -e 's/text="Your APP name"/text="LumaCast"/' -e 's/text="Your App name"/text="LumaCast"/' "$@" \
    "$source" >"$dest"
}

render() {  # $1 theme folder, $2 scale, $3 picture name, $4 layout, then --show/--hide options
  local theme=$1 scale=$2 name=$3 layout=$4
  shift 4
  "$tool" --theme "$theme" --scale "$scale" "$@" --png "$out/${name}_${scale}.png" "$layout"
}

for class in default:100 default-hdpi:125 default-xhdpi:150; do
  folder=${class%%:*}
  scale=${class##*:}
  theme="$work/$folder"
  cp -r "$tree/$folder" "$theme"
  basic="$theme/basic/basic.xml"

  preview "$basic" "$theme/basic/preview_welcome.xml"
  # The open customize bar makes the window 48 taller.
  preview "$basic" "$theme/basic/preview_customize.xml" \
    -e 's/<Window size="600,400"/<Window size="600,448"/' -e 's/bkimage="icon_down.png"/bkimage="icon_up.png"/'
  preview "$basic" "$theme/basic/preview_installing.xml" \
    -e 's/value="0"/value="42"/' -e "s/don't close it:0%/don't close it:42%/"
  # The program fits the text's height to the text; three lines of font 3 here.
  preview "$theme/msgbox/msgbox.xml" "$theme/msgbox/preview_quit.xml" \
    -e 's/name="title" /name="title" text="Note" /' -e 's/name="content" width="300"/name="content" width="300" height="66"/' \
    -e 's/name="content" /name="content" text="Please download the full installation package and install \&quot;LumaCast\&quot; manually. Are you sure to quit?" /' \
    -e 's/name="btn_yes" /name="btn_yes" text="Quit" /' \
    -e 's/name="btn_no" /name="btn_no" text="Download full package" /'

  render "$theme" "$scale" welcome basic/preview_welcome.xml
  render "$theme" "$scale" welcome_customize basic/preview_customize.xml --show customizebar
  render "$theme" "$scale" installing basic/preview_installing.xml \
    --hide welcompage --show installpage --hide btn_exit
  render "$theme" "$scale" installing_slow basic/preview_installing.xml \
    --hide welcompage --show installpage --hide btn_exit --show downloadAlert
  render "$theme" "$scale" installed basic/preview_welcome.xml --hide welcompage --show installedpage
  render "$theme" "$scale" failed basic/preview_welcome.xml --hide welcompage --show installfaildpage
  render "$theme" "$scale" msgbox_quit msgbox/preview_quit.xml
done
echo "theme-previews: $(ls "$out"/*.png | wc -l) pictures in $out"
