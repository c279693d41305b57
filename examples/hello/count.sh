#!/bin/sh
# Counts for about 30 seconds (or the number of seconds given as the job's
# first argument), keeping fraction_done up to date in the job directory
# (mounted at /app), and prints a few lines.
set -- $ARGS
steps=${1:-30}
echo "hello from the container; arguments:${ARGS}"
i=0
while [ "$i" -lt "$steps" ]; do
  i=$((i + 1))
  awk "BEGIN { print $i / $steps }" > /app/fraction_done
  [ $((i % 10)) -eq 0 ] && echo "step $i of $steps"
  sleep 1
done
echo "counted to $steps; done"
