# Checks for test scripts, sourced. Each check prints its outcome; the end
# says how many ran and fails when one failed or fewer ran than planned, so
# that a step skipped in silence is a failure.
#
#   source tests/support/checks.sh
#   checks_begin NAME PLANNED
#   check "what is checked" COMMAND [ARGS...]
#   checks_end || { show what helps; exit 1; }

checks_begin() {
  checks_name=$1
  checks_planned=$2
  checks_passed=0
  checks_failed=0
}

check() {
  local what=$1
  shift
  if "$@"; then
    checks_passed=$((checks_passed + 1))
    echo "  ok    $what"
  else
    checks_failed=$((checks_failed + 1))
    echo "  FAIL  $what"
  fi
}

checks_end() {
  echo "$checks_name: $checks_passed of $checks_planned checks passed, $checks_failed failed"
  [ "$checks_failed" -eq 0 ] && [ "$checks_passed" -eq "$checks_planned" ]
}
