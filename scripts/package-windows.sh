#!/usr/bin/env bash
# Makes the two downloads of the Windows program from the cross-built folder (scripts/build-windows.sh):
#   build-windows/dist/Vistrel-VERSION.msi           installer: per user, no administrator rights
#   build-windows/dist/Vistrel-VERSION-portable.zip  Vistrel/ to copy anywhere, Vistrel-German/ beside it
#
#   bash scripts/package-windows.sh [--no-build]
#
# The installer is described by packaging/windows/Vistrel.wxs and compiled by wixl (Debian's msitools);
# the files of the data folders are listed by wixl-heat. Two things the compiler cannot express are added
# to the package afterwards with msibuild: the conditions that turn the optional features on from the
# properties GERMAN=1 and AUTOSTART=1, and the action that removes the settings on an uninstall given
# FORGETSETTINGS=1. VISTREL_WINDOWS_BUILD names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${VISTREL_WINDOWS_BUILD:-$ROOT/build-windows}

need=()
for p in wixl msitools; do dpkg -s "$p" >/dev/null 2>&1 || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

[ "${1:-}" = "--no-build" ] || VISTREL_WINDOWS_BUILD=$BUILD bash scripts/build-windows.sh

VERSION=$(sed -n 's/^project(Vistrel VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$VERSION" ] || { echo "package-windows.sh: no version in CMakeLists.txt" >&2; exit 1; }
PROGRAM_DIR=$BUILD/Vistrel
GERMAN_DIR=$BUILD/Vistrel-German
ICON=$BUILD/src/resources/generated/Program.ico
for f in "$PROGRAM_DIR/Vistrel.exe" "$GERMAN_DIR/Localize.dll" "$ICON"; do
  [ -f "$f" ] || { echo "package-windows.sh: $f is missing; run scripts/build-windows.sh" >&2; exit 1; }
done

DIST=$BUILD/dist
WORK=$BUILD/package-work
rm -rf "$WORK"
mkdir -p "$DIST" "$WORK"

# The data folders' files, as wixl-heat lists them (relative to the folder each variable names).
(cd "$PROGRAM_DIR" && find ./Skins ./Sounds ./Help -type f | LC_ALL=C sort |
  wixl-heat -p ./ --directory-ref INSTALLDIR --component-group ProgramData --var var.ProgramDir) >"$WORK/ProgramData.wxs"
(cd "$GERMAN_DIR" && find ./Deutsch -type f | LC_ALL=C sort |
  wixl-heat -p ./ --directory-ref INSTALLDIR --component-group GermanData --var var.GermanDir) >"$WORK/GermanData.wxs"

MSI=$DIST/Vistrel-$VERSION.msi
rm -f "$MSI"
# wixl finds the files relative to the folder it runs in.
(cd "$BUILD" && wixl -a x64 -D Version="$VERSION" -D ProgramDir="${PROGRAM_DIR#"$BUILD"/}" \
  -D GermanDir="${GERMAN_DIR#"$BUILD"/}" -D IconFile="${ICON#"$BUILD"/}" \
  -o "$MSI" "$ROOT/packaging/windows/Vistrel.wxs" "$WORK/ProgramData.wxs" "$WORK/GermanData.wxs")

# Optional features come on through a property; FORGETSETTINGS=1 on an uninstall removes the settings
# (run deferred, as the user, after the files are gone; a missing key is no failure).
msibuild "$MSI" -q "CREATE TABLE \`Condition\` (\`Feature_\` CHAR(38) NOT NULL, \`Level\` SHORT NOT NULL, \`Condition\` CHAR(255) PRIMARY KEY \`Feature_\`, \`Level\`)"
msibuild "$MSI" -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`) VALUES ('German', 1, 'GERMAN=\"1\"')"
msibuild "$MSI" -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`) VALUES ('AutoStart', 1, 'AUTOSTART=\"1\"')"
msibuild "$MSI" -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('ForgetSettings', 1122, 'TARGETDIR', '\"[System64Folder]reg.exe\" delete \"HKCU\\Software\\Orvane group\\Vistrel\" /f')"
msibuild "$MSI" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('ForgetSettings', 'REMOVE~=\"ALL\" AND FORGETSETTINGS=\"1\"', 6590)"

# The portable download: the same folders, to copy by hand.
ZIP=$DIST/Vistrel-$VERSION-portable.zip
rm -f "$ZIP"
(cd "$BUILD" && cmake -E tar cf "$ZIP" --format=zip Vistrel Vistrel-German)

rm -rf "$WORK"
echo "Windows downloads ready: $MSI and $ZIP"
