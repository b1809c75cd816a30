#!/usr/bin/env bash
# clang-tidy and cppcheck over the project's own sources; non-zero exit on any
# finding. Needs a configured build directory for compile_commands.json.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/compile_commands.json" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
fi
# Generated moc files must exist before clang-tidy reads the sources.
floors=(core db worksheet years migration snapshots closing yearend gui tools_common)
cmake --build "$build" $(printf -- '--target quillhaven_%s_autogen ' "${floors[@]}") >/dev/null 2>&1 || true

mapfile -t sources < <(git ls-files 'core/*.cpp' 'app/*.cpp' 'db/*.cpp' 'worksheet/*.cpp' 'years/*.cpp' \
    'migration/*.cpp' 'snapshots/*.cpp' 'closing/*.cpp' 'yearend/*.cpp' 'tools/*.cpp' 'bench/*.cpp')

status=0
echo "clang-tidy: ${#sources[@]} files"
if ! clang-tidy -p "$build" --quiet "${sources[@]}" 2>/dev/null | tee /tmp/quillhaven-tidy.txt \
        | grep -E 'warning:|error:' ; then
    :
fi
if grep -qE 'warning:|error:' /tmp/quillhaven-tidy.txt; then
    status=1
fi

echo "cppcheck"
if ! cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability \
        --inline-suppr --std=c++20 --language=c++ -I . \
        --suppress=missingIncludeSystem --suppress=unknownMacro \
        "${sources[@]}"; then
    status=1
fi
[ $status -eq 0 ] && echo "static checks: clean"
exit $status
