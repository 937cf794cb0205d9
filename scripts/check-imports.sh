#!/usr/bin/env bash
# Fails when an include runs up the floors instead of down them. Each floor may include itself and the floors
# below it:  tools -> editor -> panel -> plugin -> engine  (the engine includes nothing of ours).
set -euo pipefail
cd "$(dirname "$0")/.."

floors=(engine plugin panel editor tools)
failed=0

for level in "${!floors[@]}"; do
    floor=${floors[$level]}
    above=("${floors[@]:$((level + 1))}")
    [ ${#above[@]} -eq 0 ] && continue
    pattern="#include \"($(IFS='|'; echo "${above[*]}"))/"
    if hits=$(git grep -n -E "$pattern" -- "$floor/" 2>/dev/null); then
        echo "check-imports: $floor/ includes a floor above it:" >&2
        echo "$hits" >&2
        failed=1
    fi
done

[ "$failed" -eq 0 ] && echo "check-imports: every include runs down the floors (${floors[*]})"
exit "$failed"
