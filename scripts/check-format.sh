#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the tree differs from what clang-format (Debian's, version 14, with
# the tree's .clang-format) makes of it. To format a change before committing: git clang-format
set -euo pipefail
cd "$(dirname "$0")/.."

unformatted=()
while IFS= read -r -d '' file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files -z -- '*.cpp' '*.h')

if [ ${#unformatted[@]} -ne 0 ]; then
    echo "check-format: not formatted (run: clang-format -i FILE, or git clang-format for a change):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "check-format: $(git ls-files -- '*.cpp' '*.h' | wc -l) files formatted"
