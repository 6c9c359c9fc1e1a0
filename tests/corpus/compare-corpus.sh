#!/usr/bin/env bash
# Compares glimmer-pcx's pixels with Pillow's over the project's test pictures and, where
# the shared corpus sits beside the checkout, over every file of it.
set -euo pipefail
tool=${1:?path to glimmer-pcx}
here=$(cd "$(dirname "$0")/../.." && pwd)
dirs=("$here/tests/data/pcx")
[ -d "$here/../shared/corpus" ] && dirs+=("$here/../shared/corpus")
/usr/bin/python3 "$here/tests/corpus/compare_corpus.py" "$tool" "${dirs[@]}" | grep -v '^same'
