#!/bin/sh
# Installs the Debian packages the build needs, as root or through sudo.
set -eu
PACKAGES="build-essential cmake ninja-build pkg-config libicu-dev libgtest-dev libgmock-dev python3 clang libclang-rt-14-dev libasan8 libubsan1"
missing=""
for package in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
$SUDO apt-get update
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
