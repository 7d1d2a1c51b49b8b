#!/usr/bin/env bash
# Runs one fuzz target for a few seconds over its seed corpus. The seeds are
# only read: new inputs and crash artifacts go to the scratch folder.
set -euo pipefail
target=$1 seeds=$2 scratch=$3
mkdir -p "$scratch"
exec "$target" "$scratch" "$seeds" -artifact_prefix="$scratch/" \
  -max_total_time="${ZIB_FUZZ_SECONDS:-4}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0
