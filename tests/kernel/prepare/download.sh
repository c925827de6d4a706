#!/usr/bin/env bash
# Fetches one Debian package at one version into FOLDER with apt (nothing is
# installed) and prints the path of the .deb.
#
#   download.sh FOLDER PACKAGE VERSION
set -euo pipefail
folder=$1 package=$2 version=$3
mkdir -p "$folder"
# Run as root, apt would hand the download to its own user, which may not
# write into a build folder.
sandbox=()
[ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)
(cd "$folder" && apt-get download -qq "${sandbox[@]}" "$package=$version") >&2
deb=$(ls "$folder/${package}_${version/:/%3a}_"*.deb)
echo "$deb"
