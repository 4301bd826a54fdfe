#!/usr/bin/env bash
# Renders the application icon from packaging/icons/morvix.svg: the hicolor sizes the package
# installs, and the window icon built into the program. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../.."

svg=packaging/icons/morvix.svg
for size in 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "packaging/icons/morvix-$size.png"
done
cp packaging/icons/morvix-64.png src/app/morvix.png
