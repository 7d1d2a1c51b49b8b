#!/usr/bin/env bash
# Runs one fuzz target for a few seconds over its seed corpus.
set -euo pipefail
target=$1 seeds=$2 scratch=$3
mkdir -p "$scratch" "$seeds"
exec "$target" "$scratch" "$seeds" -max_total_time="${ZIB_FUZZ_SECONDS:-4}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0
