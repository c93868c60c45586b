#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12.
# Idempotent and non-interactive; the package lists are refreshed only when a
# package is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-private-dev qt6-qpa-plugins qt6-multimedia-dev qt6-translations-l10n
    libxcb1-dev libx11-dev
    fonts-wine fontconfig
    xvfb xauth x11-utils xdotool xclip imagemagick openbox
    wmctrl tint2 weston xwayland qt6-wayland dbus-daemon python3-dbus python3-gi
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0 orca
    pulseaudio pulseaudio-utils sox libsndfile1-dev
    faketime libfaketime tzdata
    librsvg2-bin
    linux-perf x11-apps valgrind
    dpkg-dev file libcap2-bin lintian appstream desktop-file-utils
    clang libclang-rt-14-dev
)

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Tahoma face of fonts-wine lies outside fontconfig's search path. The
# program registers it itself where fontconfig does not list it; this link makes
# fontconfig list it, as on a desktop with the face installed, so the tests see
# both ways (tst_windowpixels compares them pixel by pixel).
fontdir=/usr/local/share/fonts/brenvik-tahoma
if [ ! -e "$fontdir/tahoma.ttf" ]; then
    $SUDO mkdir -p "$fontdir"
    for f in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
        [ -e "$f" ] && $SUDO ln -sf "$f" "$fontdir/"
    done
    $SUDO fc-cache -f >/dev/null 2>&1 || true
fi
