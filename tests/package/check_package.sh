#!/usr/bin/env bash
# The release package as a user gets it. tools/package gives the same zip
# twice, the second time with the executable linked again; unpacked into an
# empty folder of a fresh Wine prefix, varlo.exe starts, shows the bundled
# sample and writes its settings file beside itself when it ends.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top"

first=$(tools/package)
cp "$first" build/package/first.zip
rm -f build/win64/app/varlo.exe build/win64/app/CMakeFiles/varlo.dir/varlo.rc.res
zip=$(tools/package)
if ! cmp -s build/package/first.zip "$zip"; then
  echo "check: tools/package gave two different zips from the same sources" >&2
  exit 1
fi
echo "check: the same zip twice: $zip"

check=$top/build/package/check
export WINEPREFIX=$check/wine VARLO_XVFB_DIR=$check LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
[ -d "$WINEPREFIX" ] && tools/wine-session stop
rm -rf "$check"
tools/wine-prefix "$WINEPREFIX"
folder=$WINEPREFIX/drive_c/Varlo
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
tools/wine-session start
trap 'tools/wine-session stop' EXIT
DISPLAY=$(tools/wine-session display)
export DISPLAY

sample=$top/samples/sample.txt
tools/wine-run 'C:\Varlo\varlo.exe' "Z:${sample//\//\\}" >/dev/null 2>&1 &
program=$!
lines=$(tr -cd '\r' <"$sample" | wc -c)
caption=
for _ in $(seq 150); do
  caption=$(xwininfo -root -tree 2>/dev/null | grep -o '"Varlo (ﾒｲﾝ)[^"]*"' | head -1 || true)
  case $caption in *'sample.txt  全行数 : '*" ($lines)\"") break ;; esac
  sleep 0.2
done
case $caption in
  *'sample.txt  全行数 : '*" ($lines)\"") echo "check: started, showing $caption" ;;
  *) echo "check: the unpacked varlo.exe did not show the sample (caption: ${caption:-none})" >&2
     exit 1 ;;
esac
# The picture of the window, for a person to look at: not one colour.
sleep 1
window=$(xwininfo -root -tree | grep 'Varlo (ﾒｲﾝ)' | head -1 | awk '{print $1}')
import -display "$DISPLAY" -window "$window" "$check/screenshot.png"
spread=$(convert "$check/screenshot.png" -colorspace gray -format '%[fx:standard_deviation]' info:)
if ! awk "BEGIN { exit !($spread > 0.05) }"; then
  echo "check: the window shows nothing ($check/screenshot.png)" >&2
  exit 1
fi

tools/wine-run build/win64/tools/keys/varlo-send-keys.exe Alt+F4
wait "$program"
if [ ! -f "$folder/varlo.INI" ]; then
  echo "check: no settings file beside the unpacked varlo.exe" >&2
  exit 1
fi
echo "check: the settings file went beside varlo.exe; package good"
