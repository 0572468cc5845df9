#!/usr/bin/env bash
# Checks that the bash completion and the manual page of kavo-cli name every option each command's
# --help lists. Usage: bash scripts/check-completion.sh KAVO_CLI
set -euo pipefail
cli="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"
completion="$root/share/completion/kavo-cli"
manual="$root/share/man/kavo-cli.1"
missing=0
for command in compute detect synth target; do
  for option in $("$cli" "$command" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    if ! grep -q -- "$option" "$completion"; then
      echo "completion of '$command' lacks $option" >&2
      missing=1
    fi
    if [[ "$command" != synth && "$command" != target && "$option" != --help ]] && ! grep -q -- "$(sed 's/-/\\\\-/g' <<<"$option")" "$manual"; then
      echo "manual page lacks $command $option" >&2
      missing=1
    fi
  done
done
exit "$missing"
