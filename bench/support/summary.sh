# Sourced by the benchmark scripts. summary FIGURE VALUE LIMIT UNIT adds a row to the
# summary table in $BENCH_SUMMARY (when bench/run.sh set it): the figure, its value, its
# target (at most LIMIT) and whether the value meets it.
summary() {
    [ -n "${BENCH_SUMMARY:-}" ] || return 0
    local met
    met=$(awk -v v="$2" -v l="$3" 'BEGIN { print (v + 0 <= l + 0) ? "met" : "**not met**" }')
    echo "| $1 | $2$4 | ≤ $3$4 | $met |" >>"$BENCH_SUMMARY"
}
