#!/usr/bin/env bash
# Checks the code beyond what the GCC build does, and exits non-zero on any
# finding: a second compiler (clang with lld), the Visual Studio dialect
# (clang-cl), clang-tidy, cppcheck and clang-format. Each tool's settings are in
# a file of its own: cmake/clang-mingw-w64-x86_64.cmake, .clang-cl.args,
# .clang-tidy, .cppcheck.args and .clang-format. Then the Markdown files: no
# line end inside Chinese text, which browsers would show as a space, and no
# relative link or picture that leads nowhere.
# Usage: lint.sh [--fix]   (--fix reformats the files that clang-format objects to)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-debian.sh" || exit 1

# Files git knows of or would add, so that new files are checked before a commit.
sources() {
    git ls-files --cached --others --exclude-standard -- "$@" | sort -u
}
# A settings file read as one argument a line, without comments and blank lines.
read_arguments() {
    grep -v -e '^#' -e '^[[:space:]]*$' "$1"
}

mapfile -t program < <(sources 'src/*.cpp')
mapfile -t formatted < <(sources 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'tools/*.cpp')
mapfile -t documents < <(sources '*.md')
mapfile -t clang_cl_arguments < <(read_arguments .clang-cl.args)
mapfile -t cppcheck_arguments < <(read_arguments .cppcheck.args)

if [ "${1:-}" = "--fix" ]; then
    clang-format-14 -i "${formatted[@]}"
    echo "Reformatted; the other checks' findings are fixed by hand."
    exit 0
fi

clang_build() {
    cmake --preset clang >/dev/null && cmake --build --preset clang -j"$(nproc)" >/dev/null
}
visual_studio_dialect() {
    clang-cl-14 "${clang_cl_arguments[@]}" "${program[@]}"
}
clang_tidy() {
    # Needs the clang build's compile_commands.json.
    printf '%s\n' "${program[@]}" | xargs -P"$(nproc)" -n1 clang-tidy-14 -p build/clang --quiet 2>&1 |
        grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$'
    [ "${PIPESTATUS[1]}" -eq 0 ]
}
cppcheck_src() {
    cppcheck "${cppcheck_arguments[@]}" src
}
clang_format() {
    clang-format-14 --dry-run --Werror "${formatted[@]}"
}
chinese_line_breaks() {
    scripts/check-chinese-line-breaks.py "${documents[@]}"
}
markdown_links() {
    scripts/check-markdown-links.py "${documents[@]}"
}

status=0
for check in clang_build visual_studio_dialect clang_tidy cppcheck_src clang_format chinese_line_breaks markdown_links; do
    start=$(date +%s%N)
    if "$check"; then
        verdict="clean"
    else
        verdict="FINDINGS"
        status=1
    fi
    printf 'lint: %-22s %-8s %5.1f s\n' "$check" "$verdict" "$(( ($(date +%s%N) - start) / 1000000 ))e-3"
done
[ $status -eq 0 ] || echo "lint: fix the findings above (scripts/lint.sh --fix reformats)"
exit $status
