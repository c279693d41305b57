#!/bin/sh
# Adds up the numbers of input.txt, one line a step, and writes the sum to
# output.txt. After each step it keeps a checkpoint and reports its
# progress in fraction_done; started again (after a reboot, say), it goes
# on from the checkpoint. The job's first argument is the seconds a step
# takes (default 1).
set -- $ARGS
delay=${1:-1}
if [ ! -f input.txt ]; then
  echo "sum.sh: no input.txt in the job's directory" >&2
  exit 2
fi
lines=$(wc -l < input.txt)
done_lines=0
sum=0
if [ -f checkpoint ]; then
  read -r done_lines sum < checkpoint
  echo "resuming after line $done_lines of $lines (sum so far $sum)"
else
  echo "adding up $lines numbers, $delay s each"
fi
n=0
while read -r number; do
  n=$((n + 1))
  [ "$n" -le "$done_lines" ] && continue
  sleep "$delay"
  sum=$((sum + number))
  # Whole or not at all: written aside, then renamed over the old one.
  echo "$n $sum" > checkpoint.new && mv checkpoint.new checkpoint
  awk "BEGIN { print $n / $lines }" > fraction_done
done < input.txt
echo "$sum" > output.txt.new && mv output.txt.new output.txt
rm -f checkpoint
echo "added $n numbers; the sum is $sum"
