#!/usr/bin/env bash
# Installs with apt-get the Debian packages the project needs: those listed in
# scripts/deps.d/*.txt (one package a line, '#' starts a comment), plus any named
# on the command line. Packages already present are skipped; `apt-get update` runs
# only when something has to be installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

wanted=("$@")
if [ ${#wanted[@]} -eq 0 ]; then
  while read -r pkg; do
    [ -n "$pkg" ] && wanted+=("$pkg")
  done < <(cat "$here"/deps.d/*.txt | sed 's/#.*//' | tr -s ' \t' '\n' | sort -u)
fi

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
