#!/usr/bin/env bash
# The library exports exactly its thirteen functions.
set -euo pipefail
expected="etsa_com_name_test etsa_exit etsa_get_flag_and_weight etsa_get_flags etsa_get_tare etsa_get_weight etsa_get_weight_string etsa_init_normal etsa_set_debuge_mode etsa_set_overflow_alarm etsa_set_tare etsa_tare etsa_zero"
actual=$(nm -D --defined-only "$1" | awk '{ print $3 }' | sort | tr '\n' ' ' | sed 's/ $//')
if [[ "$actual" != "$expected" ]]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
