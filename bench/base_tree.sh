#!/usr/bin/env bash
# Prints the folder of a git worktree of COMMIT under BUILD_DIR (base-<short hash>), made when
# missing and reused after: the build that `make bench BASE=COMMIT` measures ours against.
# usage: bench/base_tree.sh COMMIT BUILD_DIR
set -euo pipefail
sha=$(git rev-parse --short --verify --quiet "$1^{commit}") || { echo "base_tree.sh: $1 is not a commit" >&2; exit 1; }
tree=$2/base-$sha
# --force: a tree removed with the build folder leaves its record behind.
[ -e "$tree/.git" ] || git worktree add --force --detach "$tree" "$sha" >&2
echo "$tree"
