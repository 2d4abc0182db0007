#!/usr/bin/env bash
# One cubiform-render --batch run of 1,000 boxes of the sample template against
# the same 1,000 as separate invocations. The jobs turn through both
# orientations, shadow on and off, default size on and off, JPEG and GIF.
#
#   bench/render/batch_vs_processes.sh [path/to/cubiform-render] [jobs]
#
# Prints boxes per second for the separate invocations (one after another and
# two at a time), for --jobs 1 and --jobs 2, the ratio of the batch to the
# invocations and the batch's peak memory, and checks that every output is
# byte-identical. Everything happens in a scratch folder with its own
# template store.
set -eu
cli=$(realpath "${1:-build/bin/cubiform-render}")
count=${2:-1000}
[ -x "$cli" ] || { echo "batch_vs_processes: no $cli (build cubiform-render first)"; exit 2; }
t=$(mktemp -d); trap 'rm -rf "$t"' EXIT
export CUBIFORM_HIVE=$t/user.reg HOME=$t
cd "$t"

# The jobs, as manifest lines and as command lines.
for ((i = 0; i < count; ++i)); do
  o=$([ $((i % 2)) = 0 ] && echo left || echo right)
  sh=$([ $((i / 2 % 2)) = 0 ] && echo false || echo true)
  ds=$([ $((i / 4 % 2)) = 0 ] && echo false || echo true)
  ext=$([ $((i / 8 % 2)) = 0 ] && echo jpg || echo gif)
  echo "{\"template\":\"Sample Template\",\"orientation\":\"$o\",\"shadow\":$sh,\"default-size\":$ds,\"output\":\"$i.$ext\"}" >>jobs.jsonl
  args="--template|Sample Template|--orientation|$o"
  [ "$sh" = true ] && args="$args|--shadow"
  [ "$ds" = true ] && args="$args|--default-size"
  echo "$args|-o|$i.$ext" >>jobs.args
done
"$cli" -o warmup.jpg >/dev/null   # the template store is made once, before any timing

now() { date +%s.%N; }
rate() { python3 -c "print(f'{$count / ($2 - $1):.1f}')"; }

mkdir processes parallel batch1 batch2
start=$(now)
(cd processes && while IFS='|' read -r -a args; do "$cli" "${args[@]}" >/dev/null; done <../jobs.args)
processes=$(rate "$start" "$(now)")

start=$(now)
# Two invocations at a time: each line's fields as the arguments of one call.
(cd parallel && while IFS= read -r line; do printf '%s\0' "$line"; done <../jobs.args |
  xargs -0 -P 2 -n 1 sh -c 'IFS="|"; set -f; exec "$0" $1 >/dev/null' "$cli")
parallel=$(rate "$start" "$(now)")

# Peak memory from /usr/bin/time, or from getrusage of the finished child.
# The manifest's outputs are relative: they land beside it.
run_batch() { # folder jobs
  local folder=$1 jobs=$2
  cp jobs.jsonl "$folder/"
  if [ -x /usr/bin/time ]; then
    (cd "$folder" && /usr/bin/time -f '%M' -o ../peak-$jobs "$cli" --batch jobs.jsonl --jobs "$jobs" --quiet 2>/dev/null)
  else
    (cd "$folder" && python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, file=open("../peak-" + sys.argv[5], "w"))' \
      "$cli" --batch jobs.jsonl --jobs "$jobs" --quiet)
  fi
}
start=$(now); run_batch batch1 1 || true; batch1=$(rate "$start" "$(now)")
start=$(now); run_batch batch2 2 || true; batch2=$(rate "$start" "$(now)")

same=yes
for f in processes/*; do
  name=${f#processes/}
  for d in parallel batch1 batch2; do cmp -s "$f" "$d/$name" || same=no; done
done
for d in processes parallel; do [ "$(ls $d | wc -l)" = "$count" ] || same=no; done
for d in batch1 batch2; do [ "$(ls $d | wc -l)" = "$((count + 1))" ] || same=no; done

echo "cubiform-render, $count boxes of the sample template on $(nproc) cores"
printf '  separate invocations, one at a time   %8s boxes/s\n' "$processes"
printf '  separate invocations, two at a time   %8s boxes/s\n' "$parallel"
printf '  --batch --jobs 1                      %8s boxes/s   peak %s MB\n' "$batch1" "$(($(cat peak-1) / 1024))"
printf '  --batch --jobs 2                      %8s boxes/s   peak %s MB\n' "$batch2" "$(($(cat peak-2) / 1024))"
python3 -c "print(f'  --jobs 2 against one at a time        {$batch2 / $processes:8.1f} x')
print(f'  --jobs 2 against two at a time        {$batch2 / $parallel:8.1f} x')
print(f'  --jobs 2 against --jobs 1             {$batch2 / $batch1:8.2f} x')"
echo "  outputs byte-identical to the separate invocations: $same"
[ "$same" = yes ]
