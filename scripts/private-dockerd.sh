# A private dockerd for the tests and benchmarks: its own socket, data root,
# exec root and pid file under one directory, so that the machine's own
# Docker, if any, is left alone. Source it, then:
#   private_dockerd_start ROOT   starts it (overlay2, else vfs) and exports
#                                DOCKER_HOST; false when it can't run
#   private_dockerd_stop ROOT    stops it and removes ROOT
private_dockerd_start() {
  local root=$1 driver
  export DOCKER_HOST=unix://$root/docker.sock DOCKER_BUILDKIT=0
  for driver in overlay2 vfs; do
    /usr/sbin/dockerd --data-root "$root/data" --exec-root "$root/exec" \
      --pidfile "$root/docker.pid" -H "$DOCKER_HOST" --iptables=false --bridge=none \
      --storage-driver "$driver" > "$root/dockerd-$driver.log" 2>&1 &
    for _ in $(seq 100); do docker info > /dev/null 2>&1 && return 0; sleep 0.1; done
    kill %% 2> /dev/null
    wait 2> /dev/null
  done
  return 1
}

private_dockerd_stop() {
  local root=$1 pid
  if [ -e "$root/docker.pid" ]; then
    pid=$(cat "$root/docker.pid")
    kill "$pid" 2> /dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
  fi
  umount -R "$root" 2> /dev/null
  rm -rf "$root"
}
