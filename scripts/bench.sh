#!/usr/bin/env bash
# Times writing a book onto a card folder, as the program does it, against the shell doing the
# same copy: a 300 MiB book of 20 files and a book of 300 files of 64 KiB against
# `cp -r SOURCE TARGET && sync` (the program, as by default, also reads every file back from the
# card and checks it; ZWQ_BENCH_NO_READBACK=1 times it without), on ext4 (the build folder's file system) and, when one can be
# mounted (root, a loop device and FUSE), on exFAT through FUSE; and a stored RAR 5 archive of
# the 300 MiB book against `bsdtar -xf` + `cp -r` + `sync`. Then the batches that renumber books:
# deleting book 1 of 100, 300 and 999 books, moving book 999 to place 1 and re-sorting 999 books
# (on ext4, or in ZWQ_BENCH_CARD when set, and on exFAT): each one's time against the bare
# baseline, its flushes and how often the card's root was listed; and the making
# of the book of a folder of 1,000 MP3 files (tags and playing times read, under 2 s wanted) and
# its write against `cp -r` + `sync`; and reading the playing times of 1,000 MP3 chapters made by
# lame, with the file cache dropped before each run (as root; under 1 s wanted). The runs are interleaved, round by
# round, and each time is the median of ROUNDS (default 9). The ratio is the shell's time divided
# by the program's, taken in each round (the two run back to back, so a machine that slows down
# for a while slows both) and its median printed: 1.00 is as fast as the shell, higher is faster.
#
# Not part of the test run. Usage: bash scripts/bench.sh   (ROUNDS=n to change the rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

rounds=${ROUNDS:-9}
# The write alone should match the shell's copy; reading every file back from the card may cost
# it up to 1.3 times the shell's time.
if [ -n "${ZWQ_BENCH_NO_READBACK:-}" ]; then required_ratio=0.95; else required_ratio=0.77; fi

bash scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZWQ_BUILD_TESTS=ON >/dev/null
cmake --build build/bench --target zwq-bench-write renumber_bench made_book_bench mp3_duration_bench >/dev/null
tool=$root/build/bench/bench/write/zwq-bench-write
renumber=$root/build/bench/bench/renumber_bench
made_book=$root/build/bench/bench/made_book_bench
mp3_duration=$root/build/bench/bench/mp3_duration_bench

work=$root/build/bench/work
src=$work/src
mkdir -p "$src" "$work/ext4" "$work/tmp"

# The books, made once and kept for later runs.
[ -f "$src/book20/BOOK_001.ydr" ] || "$tool" book "$src/book20" 20 15360
[ -f "$src/book300/BOOK_001.ydr" ] || "$tool" book "$src/book300" 300 64
[ -f "$src/book20.rar" ] || "$tool" rar "$src/book20" "$src/book20.rar"
# A folder of 1,000 MP3 files in ten subfolders; making its book reads every file's tags and time.
"$made_book" "$src/mp3folder" "$root/build/bench/tests/audiofixtures/child.mp3" | tee "$work/madebook.txt"
# A book of 1,000 MP3 chapters (encoded once by lame); their playing times read from a cold cache.
"$mp3_duration" "$src/mp3book" | tee "$work/mp3duration.txt"

# exFAT through FUSE on a loop device, when this machine lets us make one. The loop device
# writes straight to its image (direct I/O), as a card reader writes to the card: without it a
# flush would stop in the image file's cache, and `sync` would seem to put the data on the
# medium when it has not.
exfat_image=$work/exfat.img
exfat_mount=$work/exfat
exfat_loop=
cleanup() {
    if mountpoint -q "$exfat_mount" 2>/dev/null; then umount "$exfat_mount" || fusermount -u "$exfat_mount" || true; fi
    if [ -n "$exfat_loop" ]; then losetup -d "$exfat_loop" || true; fi
    rm -f "$exfat_image"
}
trap cleanup EXIT
mount_exfat() {
    [ "$(id -u)" -eq 0 ] && [ -e /dev/fuse ] && command -v mount.exfat-fuse >/dev/null && command -v mkfs.exfat >/dev/null ||
        return 1
    truncate -s 1G "$exfat_image"
    mkfs.exfat "$exfat_image" >/dev/null || return 1
    exfat_loop=$(losetup -f --show --direct-io=on "$exfat_image") || return 1
    mkdir -p "$exfat_mount"
    mount.exfat-fuse "$exfat_loop" "$exfat_mount" >/dev/null 2>&1 || return 1
}
if mount_exfat; then has_exfat=1; else has_exfat=0; echo "exFAT through FUSE: cannot mount one here, skipped"; fi

# name | card folder | the program's command | the shell's command (TARGET stands for the copy)
cases=(
    "300 MiB book of 20 files, ext4|$work/ext4|$tool write CARD $src/book20/BOOK_001.ydr|cp -r $src/book20 TARGET && sync"
    "300 files of 64 KiB, ext4|$work/ext4|$tool write CARD $src/book300/BOOK_001.ydr|cp -r $src/book300 TARGET && sync"
    "folder of MP3 (1,000 files), ext4|$work/ext4|$tool write CARD $src/mp3folder|cp -r $src/mp3folder TARGET && sync"
    "stored RAR 5 of 300 MiB, ext4|$work/ext4|TMPDIR=$work/tmp $tool write CARD $src/book20.rar|bsdtar -xf $src/book20.rar -C $work/tmp/x && cp -r $work/tmp/x TARGET && sync"
)
if [ $has_exfat -eq 1 ]; then
    cases+=(
        "300 MiB book of 20 files, exFAT/FUSE|$exfat_mount|$tool write CARD $src/book20/BOOK_001.ydr|cp -r $src/book20 TARGET && sync"
        "300 files of 64 KiB, exFAT/FUSE|$exfat_mount|$tool write CARD $src/book300/BOOK_001.ydr|cp -r $src/book300 TARGET && sync"
    )
fi

# Empties the card and the temporary folder and puts everything on the disk, untimed.
reset() {
    find "$1" -mindepth 1 -delete
    rm -rf "$work/tmp" && mkdir -p "$work/tmp/x"
    sync
}
# Runs a shell command and prints its wall time in microseconds.
timed() {
    local start end
    start=$(date +%s%N)
    if ! bash -c "$1" >/dev/null 2>"$work/last-error"; then
        echo "FAILED: $1" >&2
        cat "$work/last-error" >&2
        exit 1
    fi
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

# Both sides read the books from the memory, as a book chosen a moment ago is read.
cat "$src"/book20/* "$src"/book300/* "$src/book20.rar" >/dev/null

declare -A ours base ratios
for ((round = 1; round <= rounds; round++)); do
    for i in "${!cases[@]}"; do
        IFS='|' read -r name card program shell <<<"${cases[$i]}"
        program=${program//CARD/$card}
        shell=${shell//TARGET/$card/copy}
        # Which goes first alternates, so that neither always finds the disk freshly flushed.
        if ((round % 2)); then
            reset "$card"; t_ours=$(timed "$program")
            reset "$card"; t_base=$(timed "$shell")
        else
            reset "$card"; t_base=$(timed "$shell")
            reset "$card"; t_ours=$(timed "$program")
        fi
        ours[$i]+="$t_ours "
        base[$i]+="$t_base "
        ratios[$i]+="$(awk -v a="$t_ours" -v b="$t_base" 'BEGIN { printf "%.4f", b / (a > 0 ? a : 1) }') "
    done
    echo "round $round of $rounds done" >&2
done
for i in "${!cases[@]}"; do
    IFS='|' read -r name card _ <<<"${cases[$i]}"
    reset "$card"
done

median() { tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo
printf '%-38s %12s %12s %8s\n' "write" "program" "shell" "ratio"
status=0
for i in "${!cases[@]}"; do
    IFS='|' read -r name _ <<<"${cases[$i]}"
    m_ours=$(median <<<"${ours[$i]}")
    m_base=$(median <<<"${base[$i]}")
    ratio=$(median <<<"${ratios[$i]}" | awk '{ printf "%.2f", $1 }')
    verdict=$(awk -v r="$ratio" -v q="$required_ratio" 'BEGIN { print (r >= q) ? "" : "  below " q }')
    [ -z "$verdict" ] || status=1
    printf '%-38s %10.3f s %10.3f s %7s×%s\n' "$name" "$(awk -v m="$m_ours" 'BEGIN { print m / 1000000 }')" \
        "$(awk -v m="$m_base" 'BEGIN { print m / 1000000 }')" "$ratio" "$verdict"
done
echo "(medians of $rounds interleaved rounds; ratio = shell time / program time within a round, its median; at least $required_ratio wanted)"

# Renumbering: deleting book 1 of a full card moves every other book down (as does the check
# mending a card whose book 1 was deleted outside the program), moving the last book
# to place 1 every other book up, a re-sort every book; each against the bare baseline (the same
# renames and descriptor rewrites, no flush between them, one at the end). The flushes and the
# listings of the card's root must not grow with the number of books; the time should stay
# within 1.3 times the baseline.
echo
renumber_cards=("${ZWQ_BENCH_CARD:-ext4}|${ZWQ_BENCH_CARD:-$work}")
[ $has_exfat -eq 0 ] || renumber_cards+=("exFAT/FUSE|$exfat_mount")
: >"$work/renumber.txt"
for entry in "${renumber_cards[@]}"; do
    IFS='|' read -r fs card <<<"$entry"
    "$renumber" "$card" | sed "s|^renumber_bench:|renumber_bench: $fs|" | tee -a "$work/renumber.txt"
done
# Each batch lists the root as often for every number of books.
grown=$(sed -n 's/.* \([a-z_]*\) books=.*root_listings=\([0-9]*\).*/\1 \2/p' "$work/renumber.txt" | sort -u |
    awk '{ print $1 }' | uniq -d)
if [ -n "$grown" ]; then
    echo "root listings grow with the number of books: $grown" >&2
    status=1
fi
if awk '{ for (i = 1; i <= NF; ++i) { split($i, kv, "="); if (kv[1] == "flushes" && kv[2] > 8) bad = 1 } } END { exit !bad }' \
    "$work/renumber.txt"; then
    echo "a batch takes more than 8 flushes" >&2
    status=1
fi
if grep -q "left the card wrong" "$work/renumber.txt"; then
    echo "a batch or its baseline did not put the books where they belong" >&2
    status=1
fi
awk '{ for (i = 1; i <= NF; ++i) { split($i, kv, "="); if (kv[1] == "ratio" && kv[2] > 1.3) print "renumbering above 1.3x the bare baseline: " $0 } }' \
    "$work/renumber.txt"
exit $status
