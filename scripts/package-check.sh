#!/usr/bin/env bash
# Checks the packages that scripts/package.sh left in dist/: the Debian
# package's file list, the installed tallis-cli programming the simulated chip
# from a clean root, and the Windows zip's contents: the 64-bit programs and
# the 32-bit ones in the folder 32-bit.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(ls dist/tallis_*.deb)
zip=$(ls dist/tallis-*-windows-x86_64.zip)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

listing=$(dpkg-deb -c "$deb")
for file in ./usr/bin/tallis ./usr/bin/tallis-sim ./usr/bin/tallis-cli \
    ./usr/share/applications/tallis.desktop ./usr/share/applications/tallis-sim.desktop \
    ./usr/share/icons/hicolor/128x128/apps/tallis.png \
    ./usr/share/man/man1/tallis-cli.1.gz ./usr/share/man/man1/tallis.1.gz \
    ./usr/share/man/man1/tallis-sim.1.gz \
    ./usr/share/bash-completion/completions/tallis-cli \
    ./usr/share/tallis/examples/blink877a.hex ./usr/share/tallis/boards/tait-classic.toml \
    ./usr/lib/udev/rules.d/60-tallis-parport.rules ./usr/lib/udev/rules.d/60-tallis-ftdi.rules; do
    grep -q " $file\( \|$\)" <<<"$listing" || { echo "missing from $deb: $file"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libc6 || { echo "$deb declares no dependencies"; exit 1; }

# The installed program, run from the clean root, against the simulated chip.
dpkg-deb -x "$deb" "$root"
cli="$root/usr/bin/tallis-cli"
"$cli" --version
"$cli" --sim --sim-state "$root/chip.hex" program "$root/usr/share/tallis/examples/blink877a.hex"
grep -q ':00000001FF' "$root/chip.hex"
"$cli" --sim --board "$root/usr/share/tallis/boards/tait-classic.toml" identify
# Each page whole, to its last section.
for page in tallis-cli tallis; do
    zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q '^\.SH SEE ALSO' ||
        { echo "$deb: the man page $page.1 is cut short"; exit 1; }
done
bash -n "$root/usr/share/bash-completion/completions/tallis-cli"

zipListing=$(unzip -Z1 "$zip")
for file in tallis.exe tallis-sim.exe tallis-cli.exe DRIVER-WINDOWS.txt README.md boards/tait-classic.toml \
    32-bit/tallis.exe 32-bit/tallis-sim.exe 32-bit/tallis-cli.exe; do
    grep -q "^[^/]*/$file\$" <<<"$zipListing" || { echo "missing from $zip: $file"; exit 1; }
done
# Each folder's programs are of its width.
unzipped=$root/zip
unzip -q "$zip" -d "$unzipped"
file "$unzipped"/*/tallis-cli.exe | grep -q 'PE32+ executable.*x86-64' ||
    { echo "$zip: tallis-cli.exe is not 64-bit"; exit 1; }
file "$unzipped"/*/32-bit/tallis-cli.exe | grep -q 'PE32 executable.*Intel 80386' ||
    { echo "$zip: 32-bit/tallis-cli.exe is not 32-bit"; exit 1; }
echo "packages checked: $deb $zip"
