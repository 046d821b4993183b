#!/usr/bin/env bash
# The analysis shared over mpirun, measured on this machine:
#  1. impactframe-cli analyse on the 6x6x6 grid at Nw 512, one process of two threads (A)
#     against two processes of one thread under mpirun (B), run in turns A B A B ...;
#     prints the median wall times and the median of the ratios A/B pair by pair (the
#     efficiency of the processes against the threads: 1 is as fast).
#  2. the 10x10x10 grid: the time per transform point of one process (bench_share), the
#     bytes gathered per point and the gather's time (analyse --verbose at Nw 256 on two
#     processes), and from them a projection of the wall time at Nw 8192 for 1, 8, 64
#     and 512 processes of one thread each.
# usage: bench/mpi/scaling.sh BUILD_DIR [PAIRS]   (a build with MPI and the benchmarks)
set -euo pipefail
build=${1:?usage: scaling.sh BUILD_DIR [PAIRS]}
pairs=${2:-5}
cli=$build/cli/impactframe-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mpirun=(mpirun)
[ "$(id -u)" -ne 0 ] || mpirun+=(--allow-run-as-root)

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
seconds() {  # wall seconds of a command, its output thrown away
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

"$build/bench/mpi/grid_file" 6 "$work/grid6.txt"
"$build/bench/mpi/grid_file" 10 "$work/grid10.txt"
outputs=(--element 0 --forces /dev/null --node 342 --displacements /dev/null)

echo "== 6x6x6 grid, Nw 512: 1 process x 2 threads (A) against 2 processes x 1 thread (B)"
a=() b=() ratio=()
seconds "$cli" analyse "$work/grid6.txt" --nw 512 --threads 2 "${outputs[@]}" >/dev/null  # warm-up
for ((i = 0; i < pairs; ++i)); do
    ta=$(seconds "$cli" analyse "$work/grid6.txt" --nw 512 --threads 2 "${outputs[@]}")
    tb=$(seconds "${mpirun[@]}" -np 2 "$cli" analyse "$work/grid6.txt" --nw 512 --threads 1 \
        "${outputs[@]}")
    a+=("$ta") b+=("$tb") ratio+=("$(echo "$ta / $tb" | bc -l)")
done
printf 'A median %.3f s, B median %.3f s, median A/B %.3f\n' \
    "$(printf '%s\n' "${a[@]}" | median)" "$(printf '%s\n' "${b[@]}" | median)" \
    "$(printf '%s\n' "${ratio[@]}" | median)"

echo "== 10x10x10 grid"
# CPU seconds of 4 and of 12 points: the difference is 8 points alone.
"$build/bench/mpi/bench_share" --benchmark_filter='BM_SharePerPoint/10/' \
    --benchmark_format=csv 2>/dev/null >"$work/share.csv"
cpu4=$(awk -F, '/SharePerPoint\/10\/4\// {print $4 / 1000}' "$work/share.csv")
cpu12=$(awk -F, '/SharePerPoint\/10\/12\// {print $4 / 1000}' "$work/share.csv")
point=$(echo "($cpu12 - $cpu4) / 8" | bc -l)
setup=$(echo "$cpu4 - 4 * $point" | bc -l)
printf 'one transform point on one thread: %.3f s; setup of a share %.3f s (Nw 8192)\n' \
    "$point" "$setup"
"${mpirun[@]}" -np 2 "$cli" analyse "$work/grid10.txt" --nw 256 --threads 1 --verbose \
    --element 2999 --forces /dev/null --node 1330 --displacements /dev/null 2>"$work/verbose" \
    >/dev/null
grep -E 'gathered|rank [0-9]' "$work/verbose"
per_point=$(sed -n 's/.*(\([0-9]*\) per transform point.*/\1/p' "$work/verbose")
gather=$(sed -n 's/.* in \([0-9.]*\) s$/\1/p' "$work/verbose" | tail -1)
points=4097
echo "Nw 8192: $points points, $((per_point * points)) bytes gathered in all"
# Wall time of R processes of one thread: the share's setup and the points of the
# largest share, then the
# gather (its time here scaled with the bytes; a network adds a latency of about
# 50 us per step of the gather tree and 1 GB/s), then the statics and inversions on
# rank 0 (about the time of two points), and the start of R processes by mpirun (about
# 1 s here, more on a large cluster: not counted).
for r in 1 8 64 512; do
    share=$(((points + r - 1) / r))
    awk -v r="$r" -v share="$share" -v point="$point" -v setup="$setup" \
        -v bytes="$((per_point * points))" \
        -v gather="$gather" 'BEGIN {
            steps = 0; for (n = 1; n < r; n *= 2) ++steps
            net = (r > 1) ? gather + steps * 50e-6 + bytes / 1e9 : 0
            total = setup + share * point + net + 2 * point
            printf "R %4d: %5d points each, %8.2f s solving, %.4f s gathering, %8.2f s in all, speed-up %6.1f\n",
                   r, share, share * point, net, total, (setup + (points + 2) * point) / total }'
done
