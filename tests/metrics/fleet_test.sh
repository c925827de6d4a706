#!/usr/bin/env bash
# A fleet of twenty ombixd processes on simulated boards made different by
# their board files, scraped every second by a real Prometheus server with
# the shipped alert rules; checked through Prometheus's HTTP API. Everything
# listens on 127.0.0.1 and is stopped at the end; the whole run is bounded.
#   fleet_test.sh OMBIXD DEPLOY_DIR
set -euo pipefail
ombixd=$1
deploy=$2
boards=20
hot=7          # the board whose CPU runs hottest
stopped_fan=4  # drives a fan that does not turn
low_battery=11
unplugged=15   # its ombixd is stopped halfway

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
name() { printf 'b%02d' "$1"; }

# The boards: temperatures differ on each, one fan stopped, one battery low.
targets=""
for k in $(seq 1 $boards); do
  temp=$((40 + k))
  [ "$k" -eq $hot ] && temp=92
  rpm=1800
  [ "$k" -eq $stopped_fan ] && rpm=0
  remaining=30000
  [ "$k" -eq $low_battery ] && remaining=2000
  cat > "$work/$(name "$k").json" <<BOARD
{"cpuTemps": [$temp, $((temp - 2))],
 "fans": [{"name": "CPU fan", "pwm": 128, "rpm": 2400}, {"name": "System fan", "pwm": 96, "rpm": $rpm}],
 "batteries": [{"deviceName": "Main battery", "fullyChargedCapacity": 45000, "remainingCapacity": $remaining,
                "currentVoltage": 11800, "chargeState": 2}]}
BOARD
  "$ombixd" --listen 127.0.0.1:0 --board-config "$work/$(name "$k").json" > "$work/$(name "$k").out" 2>&1 &
  pids+=($!)
  eval "pid_$k=$!"
done
for k in $(seq 1 $boards); do
  for _ in $(seq 1 50); do
    grep -q listening "$work/$(name "$k").out" && break
    sleep 0.1
  done
  port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$work/$(name "$k").out")
  [ -n "$port" ] || fail "ombixd $(name "$k") did not start: $(cat "$work/$(name "$k").out")"
  targets+="      - targets: ['127.0.0.1:$port']
        labels: {board: $(name "$k")}
"
done

# The shipped rules, with their waiting times cut to two seconds so that the
# run stays short; their expressions are what is tested.
sed 's/^\(\s*for:\).*/\1 2s/' "$deploy/ombix-alerts.yml" > "$work/ombix-alerts.yml"
cat > "$work/prometheus.yml" <<CONFIG
global:
  scrape_interval: 1s
  scrape_timeout: 1s
  evaluation_interval: 1s
rule_files:
  - ombix-alerts.yml
scrape_configs:
  - job_name: ombix
    static_configs:
$targets
CONFIG
promtool check config "$work/prometheus.yml" > /dev/null || fail "the generated configuration is refused"

# A free port for Prometheus: tried until one is taken.
api=""
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
    --web.listen-address="127.0.0.1:$port" --log.level=warn > "$work/prometheus.log" 2>&1 &
  prom=$!
  pids+=($prom)
  for _ in $(seq 1 50); do
    curl -sf "http://127.0.0.1:$port/-/ready" > /dev/null 2>&1 && { api="http://127.0.0.1:$port/api/v1"; break; }
    kill -0 $prom 2>/dev/null || break
    sleep 0.2
  done
  [ -n "$api" ] && break
done
[ -n "$api" ] || fail "Prometheus did not start: $(tail -5 "$work/prometheus.log")"

query() { curl -sf --get "$api/query" --data-urlencode "query=$1"; }
# The boards named by firing alerts called $1, sorted, space-separated.
firing() {
  curl -sf "$api/alerts" |
    jq -r --arg a "$1" '[.data.alerts[] | select(.labels.alertname == $a and .state == "firing") | .labels.board] | unique | join(" ")'
}
# Waits up to $3 seconds for `$1` to print $2.
wait_for() {
  local deadline=$((SECONDS + $3)) got=""
  while [ $SECONDS -lt $deadline ]; do
    got=$($1 2>/dev/null || true)
    [ "$got" = "$2" ] && return 0
    sleep 0.5
  done
  fail "$1: expected '$2', got '$got'"
}

passed=0
check() { passed=$((passed + 1)); echo "ok: $*"; }

up_count() { query 'count(up{job="ombix"} == 1)' | jq -r '.data.result[0].value[1] // "0"'; }
wait_for up_count $boards 30
check "all $boards targets are up"

hottest() { query 'topk(1, max by (board) (ombix_cpu_temperature_celsius))' | jq -r '.data.result[0].metric.board'; }
wait_for hottest "$(name $hot)" 10
check "the fleet's highest CPU temperature names $(name $hot)"

fan_alert() { firing OmbixFanStopped; }
battery_alert() { firing OmbixBatteryLow; }
wait_for fan_alert "$(name $stopped_fan)" 30
check "the fan-stopped alert fires for $(name $stopped_fan) alone"
wait_for battery_alert "$(name $low_battery)" 30
check "the battery-low alert fires for $(name $low_battery) alone"

unreachable() { firing OmbixBoardUnreachable; }
[ -z "$(unreachable)" ] || fail "unreachable alert before any board stopped: $(unreachable)"
eval "kill \$pid_$unplugged"
wait_for unreachable "$(name $unplugged)" 30
check "stopping $(name $unplugged)'s ombixd fires the unreachable alert for it alone"

echo "$passed passed, 0 failed"
