#!/bin/sh
# Installs what building, testing and the demo need on a Debian machine; a no-op when
# everything is there already.
set -eu

packages="build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev
          ffmpeg qt6-base-dev xvfb xauth fonts-liberation2 clang libclang-rt-14-dev"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
