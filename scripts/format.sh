#!/usr/bin/env bash
# Checks that the C++ lines a change touches follow .clang-format; `--fix` rewrites them instead.
# Only changed lines are looked at (git clang-format), so the check costs a second and never asks
# to reformat code that a change did not touch. The change is the work since the branch left
# main, uncommitted work included; KESTRUN_FORMAT_BASE names another base commit.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${KESTRUN_FORMAT_BASE:-}
if [ -z "$base" ]; then
  for ref in main origin/main; do
    if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
      base=$(git merge-base HEAD "$ref")
      break
    fi
  done
fi
if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
  # On main itself (or with no main to compare with): the last commit.
  base=$(git rev-parse -q --verify HEAD~1 || true)
  [ -n "$base" ] || exit 0
fi
if [ "${1:-}" = "--fix" ]; then
  git clang-format --force --quiet --extensions cpp,h,inl "$base" || true
  exit 0
fi
diff=$(git clang-format --diff --extensions cpp,h,inl "$base" 2>&1 || true)
case "$diff" in
  "" | "no modified files to format" | *"clang-format did not modify any files"*) exit 0 ;;
esac
echo "$diff"
echo "format: the lines above do not follow .clang-format; scripts/format.sh --fix rewrites them" >&2
exit 1
