#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/install-deps.sh [run|test]
set -euo pipefail

want=(build-essential cmake g++ pkg-config qt6-base-dev qt6-svg-dev libgl-dev libemf-dev libxy-dev
      libobjcryst-dev libgsl-dev gemmi-dev tao-pegtl-dev libcctbx-dev nlohmann-json3-dev shared-mime-info
      fonts-liberation locales)
if [ "${1:-run}" = test ]; then
  want+=(clang libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick file
         desktop-file-utils appstream poppler-utils objcryst-fox man-db xdg-utils libfile-mimeinfo-perl)
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run under a German locale to prove numbers are read and written
# the C way; make sure it exists.
if [ "${1:-run}" = test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if [ -f /etc/locale.gen ]; then
    $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  else
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
  fi
fi
