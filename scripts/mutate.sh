#!/usr/bin/env bash
# Plants faults in the code one at a time and runs the tests that should
# catch each one.
#
# Usage: scripts/mutate.sh [--build DIR] [--file PATH] [--check] [--keep-going]
#                          [--timeout SECONDS] [LIST...]
#
# LIST is a fault list (default: every scripts/mutants/*.txt). Each fault is a
# block of lines:
#
#   # what the fault breaks (any number of comment lines)
#   @ morlo3/player.cpp | test_gameplay test_stages:Stage*
#   - old text
#   + new text
#
# The "-" lines, joined by newlines, are the exact old text, which must occur
# exactly once in the file; the "+" lines are its replacement (none: the text
# is deleted). One space follows each "-" or "+"; everything after it is kept
# as written. After "|" come the test programs to run, each optionally with a
# GoogleTest filter after a colon. A blank line or the next "@" ends a block.
#
# Each fault is applied alone, the named programs and every program they run
# are rebuilt incrementally (and the Debian package, when test_release is
# named), the programs are run with a time cap in a home of their own as
# ./test.sh runs them (tests/support/fresh_home.sh), and the file is
# restored. A fault that rebuilds nothing is reported as BAD. A fault is
# killed when a test fails, crashes, times out or the build fails. --check only checks that every
# fault still applies, and changes nothing. --file runs only the faults planted
# in one source file.
# The file is put back however the run ends, even after an interrupt; a backup
# left by a killed run is restored at the next start.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build=${MUTATE_BUILD:-build-test}
only_file=
check=0
cap=300
lists=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --file) only_file=$2; shift 2 ;;
    --check) check=1; shift ;;
    --timeout) cap=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutate.sh: unknown option $1" >&2; exit 2 ;;
    *) lists+=("$1"); shift ;;
  esac
done
[ ${#lists[@]} -gt 0 ] || lists=(scripts/mutants/*.txt)
case $build in /*) ;; *) build=$root/$build ;; esac

# The parser turns the lists into one record a fault, fields split by \x1f and
# records by \x1e: list, line, file, tests, old, new.
parse() {
  perl -e '
    use strict; use warnings;
    my ($rs, $fs) = ("\x1e", "\x1f");
    my $bad = 0;
    for my $list (@ARGV) {
      open(my $in, "<", $list) or die "mutate.sh: cannot read $list: $!\n";
      my ($cur, $n);
      my $flush = sub {
        return unless $cur;
        if (!@{$cur->{old}}) { warn "$list:$cur->{line}: fault has no old text\n"; $bad = 1; }
        else {
          print join($fs, $list, $cur->{line}, $cur->{file}, $cur->{tests},
                     join("\n", @{$cur->{old}}),
                     @{$cur->{new}} ? join("\n", @{$cur->{new}}) : ""), $rs;
        }
        undef $cur;
      };
      while (my $l = <$in>) {
        $n = $.; chomp $l;
        if ($l =~ /^\s*$/) { $flush->(); next; }
        next if $l =~ /^#/;
        if ($l =~ /^@\s*(\S+)\s*\|\s*(.*?)\s*$/) {
          $flush->();
          $cur = { line => $n, file => $1, tests => $2, old => [], new => [] };
          if ($2 eq "") { warn "$list:$n: fault names no test\n"; $bad = 1; }
        } elsif ($l =~ /^([-+])(?: (.*))?$/ && $cur) {
          push @{$cur->{$1 eq "-" ? "old" : "new"}}, defined $2 ? $2 : "";
        } else {
          warn "$list:$n: cannot read this line\n"; $bad = 1;
        }
      }
      $flush->();
    }
    exit $bad;
  ' "$@"
}

# apply FILE OLD NEW: replaces the one occurrence of OLD; fails when OLD
# occurs any other number of times.
apply() {
  OLD=$2 NEW=$3 perl -0777 -e '
    my $t = <STDIN>; my ($o, $n) = ($ENV{OLD}, $ENV{NEW});
    my $count = () = $t =~ /\Q$o\E/g;
    if ($count != 1) { print $t; exit 3; }
    $t =~ s/\Q$o\E/$n/; print $t;' < "$1" > "$1.mutant" || { rm -f "$1.mutant"; return 1; }
  mv "$1.mutant" "$1"
}

count_in() {
  OLD=$2 perl -0777 -ne 'my $o = $ENV{OLD}; my $c = () = /\Q$o\E/g; print $c' "$1"
}

backup=$root/.mutate-backup
restore() {
  if [ -f "$backup/path" ]; then
    local path
    path=$(cat "$backup/path")
    cp "$backup/content" "$root/$path"
    # A fresh time stamp makes the next build recompile the restored file.
    touch "$root/$path"
    rm -rf "$backup"
  fi
}
# The .deb that test_release opens, made as ctest's release_package step
# makes it.
make_package() {
  run ctest --test-dir "$build" -R '^release_package$' --output-on-failure
}

# Each command runs in the background and is waited for, so that an
# interrupt is acted on at once rather than when the build or test ends.
child=
run() {
  "$@" &
  child=$!
  wait "$child"
}
stop() {
  [ -z "$child" ] || kill -TERM "$child" 2>/dev/null || true
  restore
  exit "$1"
}
# A check only reads: it neither restores nor traps, so it can run beside a
# run in progress (the suite runs it), and reads a planted file's backup.
if [ $check = 0 ]; then
  restore
  trap 'restore' EXIT
  trap 'stop 130' INT
  trap 'stop 143' TERM
fi

records=$(parse "${lists[@]}") || exit 2

total=0 killed=0 bad=0
survivors=() built=()
if [ $check = 0 ] && [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

while IFS=$'\x1f' read -r -d $'\x1e' list line file tests old new; do
  [ -z "$only_file" ] || [ "$file" = "$only_file" ] || continue
  where="$list:$line"
  if [ ! -f "$file" ]; then
    echo "BAD      $where: no file $file"; bad=$((bad + 1)); continue
  fi
  source=$file
  if [ $check = 1 ] && [ -f "$backup/path" ] && [ "$(cat "$backup/path")" = "$file" ]; then
    source=$backup/content
  fi
  found=$(count_in "$source" "$old")
  if [ "$found" != 1 ]; then
    echo "BAD      $where: the old text occurs $found times in $file"; bad=$((bad + 1)); continue
  fi
  [ $check = 1 ] && { total=$((total + 1)); continue; }

  total=$((total + 1))
  mkdir -p "$backup"
  cp "$file" "$backup/content"
  echo "$file" > "$backup/path"
  apply "$file" "$old" "$new"

  programs=() filters=()
  for t in $tests; do
    programs+=("${t%%:*}")
    if [[ $t == *:* ]]; then filters+=("${t#*:}"); else filters+=("*"); fi
  done
  built+=("${programs[@]}")
  verdict=survived
  # Building a test program builds every program it runs (tests/CMakeLists.txt).
  if ! run cmake --build "$build" --target "${programs[@]}" >"$backup/build.log" 2>&1; then
    verdict="killed (build)"
  elif grep -q 'no work to do' "$backup/build.log"; then
    # The changed file is in nothing those programs build or run: the fault
    # would only seem to survive.
    echo "BAD      $where: ${programs[*]} build nothing from $file"; bad=$((bad + 1)); verdict=bad
  elif [[ " ${programs[*]} " == *" test_release "* ]] && ! make_package >>"$backup/build.log" 2>&1; then
    verdict="killed (package)"
  else
    for i in "${!programs[@]}"; do
      exe=$(find "$build" -path "*/tests/*" -maxdepth 3 -type f -name "${programs[$i]}" | head -1)
      if [ -z "$exe" ]; then
        echo "BAD      $where: no test program ${programs[$i]}"; bad=$((bad + 1)); verdict=bad; break
      fi
      if ! run timeout -k 5 "$cap" tests/support/fresh_home.sh env -C "$(dirname "$exe")" "$exe" \
              --gtest_filter="${filters[$i]}" --gtest_brief=1 >/dev/null 2>&1; then
        verdict="killed (${programs[$i]})"; break
      fi
    done
  fi
  restore
  case $verdict in
    killed*) killed=$((killed + 1)); echo "KILLED   $where $file" ;;
    survived) survivors+=("$where $file"); echo "SURVIVED $where $file" ;;
  esac
done <<< "$records"

if [ $check = 1 ]; then
  echo "$total faults apply, $bad do not"
  [ $bad = 0 ]
  exit
fi
# Leave the programs built here, and the package, matching the restored
# sources (a build of everything else would only cost time).
[ ${#built[@]} = 0 ] || cmake --build "$build" --target $(printf '%s\n' "${built[@]}" | sort -u) >/dev/null 2>&1 || true
[[ " ${built[*]} " != *" test_release "* ]] || make_package >/dev/null 2>&1 || true
echo
for s in "${survivors[@]}"; do echo "survivor: $s"; done
rate=0
[ $total = 0 ] || rate=$(( (killed * 1000 / total + 5) / 10 ))
echo "killed $killed of $total ($rate %), $bad faults could not be applied"
[ $bad = 0 ]
