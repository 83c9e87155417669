#!/bin/sh
# Renders the default scene with 1 and with 2 threads (4 samples a pixel, to
# keep it short) and writes the wall and CPU times as Google Benchmark JSON
# for summary.py: render_scaling.sh BUILD_DIR OUT_DIR
set -e
build=$1
out=$2
scene=$(dirname "$0")/../scenes/default.json
tmp=$(mktemp -d)
entries=""
for threads in 1 2; do
    /usr/bin/time -f "%e %U %S" -o "$tmp/time" "$build/bin/uvo-render" "$scene" -o "$tmp/render" \
        -t "$threads" -s 4 --no-progress -v 0
    set -- $(cat "$tmp/time")
    cpu=$(awk "BEGIN { print $2 + $3 }")
    entries="$entries${entries:+,}{\"name\": \"render_default/threads:$threads\", \"run_name\": \"render_default/threads:$threads\", \"run_type\": \"iteration\", \"real_time\": $1, \"cpu_time\": $cpu, \"time_unit\": \"s\"}"
    echo "render_default threads=$threads: wall $1 s, CPU $cpu s"
done
echo "{\"benchmarks\": [$entries]}" > "$out/render_scaling.json"
rm -rf "$tmp"
