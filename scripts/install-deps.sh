#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages vellora needs to build, test and run.
# Idempotent: prints nothing and changes nothing when all are present.
set -eu

PACKAGES="g++ make cmake pkg-config libgtk2.0-dev libglade2-dev libgdk-pixbuf-2.0-dev \
libgtest-dev libbenchmark-dev xvfb xauth libxtst6 libtiff-dev clang libclang-rt-dev \
dpkg-dev appstream desktop-file-utils locales gettext"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then SUDO=sudo; else
        echo "install-deps: missing packages:$missing; run this script as root" >&2
        exit 1
    fi
else
    SUDO=
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -qq >/tmp/vellora-apt.log 2>&1 ||
   ! $SUDO apt-get install -y -qq --no-install-recommends $missing >>/tmp/vellora-apt.log 2>&1; then
    echo "install-deps: could not install$missing (see /tmp/vellora-apt.log)" >&2
    exit 1
fi
