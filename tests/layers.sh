#!/bin/bash
# Checks that the engine's includes run one way: every folder includes only itself and the
# layers below it (gif and render include each other: a document draws itself; color's
# registration reaches up to the document to install the import's reduction).
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
  [base]="base"
  [gfx]="base gfx"
  [lzw]="base lzw"
  [color]="base gfx color gif"
  [gif]="base gfx lzw gif render"
  [render]="base gfx color gif render"
  [optimize]="base gfx lzw color gif render optimize"
)
status=0
for folder in "${!allowed[@]}"; do
  while IFS=: read -r file line include; do
    target=${include%%/*}
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file:$line: $folder/ may not include $include" >&2
      status=1
    fi
  done < <(grep -nHoE '^#include "[a-z]+/[^"]+"' "$folder"/*.h "$folder"/*.cpp | sed -E 's/#include "(.*)"/\1/')
done
exit $status
