#!/bin/bash
# The README's many-machines recipe, on this machine: GNU parallel spreads a NUL-separated
# list of a corpus copy over job slots standing in for machines, each shard writes its JSON
# summary, and the shards must add up to one run over another copy, every file ending as
# that run leaves it. Usage: many-machines.sh LUMVANE [CORPUS]. Exit 77: skipped.
set -euo pipefail
lumvane="$1"
corpus="${2:-${LUMVANE_CORPUS:-$(dirname "$0")/../../../shared/corpus}}"
command -v parallel >/dev/null || { echo "GNU parallel is not installed"; exit 77; }
[ -d "$corpus" ] || { echo "no corpus at $corpus"; exit 77; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for copy in one sharded; do
  mkdir -p "$work/$copy"
  cp -r "$corpus/transparent" "$corpus/web" "$corpus/format" "$work/$copy/"
  chmod -R u+w "$work/$copy"
done
# A name no shell or line-based list would carry.
mv "$work/one/web/$(ls "$work/one/web" | head -1)" "$work/one/web/odd"$'\n'"name .gif"
mv "$work/sharded/web/$(ls "$work/sharded/web" | head -1)" "$work/sharded/web/odd"$'\n'"name .gif"

"$lumvane" optimize --json --jobs 2 -r "$work/one" >"$work/one.json" || true

# The recipe: one NUL-separated list, shards of 40 files over two "machines" of one slot.
find "$work/sharded" -iname '*.gif' -print0 >"$work/all.list"
mkdir "$work/shards"
parallel --will-cite -0 -X -n 40 --sshlogin 1/:,1/: -a "$work/all.list" \
  "$lumvane" optimize --json --jobs 1 {} '>' "$work/shards/{#}.json" || true

summary() { grep -h '"summary"' "$@" | sed 's/[^0-9,]//g' |
  awk -F, '{ for (i = 1; i <= NF; i++) total[i] += $i } END { for (i = 1; i <= NF; i++) printf "%d ", total[i]; print "" }'; }
one="$(summary "$work/one.json")"
sharded="$(summary "$work"/shards/*.json)"
shards="$(ls "$work/shards" | wc -l)"
echo "one run: $one; $shards shards: $sharded (files failed bytes_in bytes_out saved)"
[ "$shards" -gt 1 ] || { echo "FAIL: the list was not sharded"; exit 1; }
[ "$one" = "$sharded" ] || { echo "FAIL: the shards do not add up to one run"; exit 1; }
diff -r "$work/one" "$work/sharded" >/dev/null || { echo "FAIL: files differ from one run's"; exit 1; }
echo "the shards add up to one run, and every file ends as one run leaves it"
