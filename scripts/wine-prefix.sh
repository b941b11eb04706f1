#!/usr/bin/env bash
# Makes a Wine prefix for the Windows build's tests in the folder given, once:
#   scripts/wine-prefix.sh <folder>
# Quiet, and never waiting on a question: the .NET and browser engine
# installs a new prefix offers are turned off, and so is the dialog Wine shows
# when a program crashes (the test sees the exit code instead).
# Windows links a Japanese font behind its interface fonts, so a message in
# Japanese shows in any language's edition; the prefix links the small
# Japanese font the build list installs, so dialogs look as players see them.
set -euo pipefail
export WINEPREFIX=$1
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot --init
fi
grep -q 'ipaexg.ttf' "$WINEPREFIX/system.reg" && exit 0
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
  timeout 60 wine reg add "$links" /v "$face" /t REG_MULTI_SZ /d "ipaexg.ttf,IPAexGothic" /f >/dev/null
done
timeout 60 wineserver --wait
