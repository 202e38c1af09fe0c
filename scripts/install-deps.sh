#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tavrel need; does
# nothing when all of them are present.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins libgl-dev libqt6opengl6-dev
    libsodium-dev libzstd-dev
    fonts-noto-cjk fontconfig
    poppler-utils
    libsqlite3-dev sqlite3
    postgresql-15 postgresql-client-15 libqt6sql6-psql libpq-dev
    qt6-charts-dev libxlsxwriter-dev
    python3-openpyxl
    qt6-translations-l10n
    qt6-speech-dev qt6-declarative-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
