#!/usr/bin/env bash
# Installs what is missing, builds both trees (all four deliverables) and runs
# every test this host can run under Wine: the x64 tree's always, the i686
# tree's where the host runs 32-bit programs. Tests that could not run are
# counted as skipped, never as passed. Exits non-zero when anything that ran
# failed, or when nothing ran.
set -euo pipefail
source "$(dirname "$0")/env.sh"

bash "$root/scripts/setup.sh"
pathvex_build x64
pathvex_build x86
pathvex_ensure_display
# A Wine server left from an earlier run keeps its desktop on that run's
# display, which may be gone: start the tests with a server of our own.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

status=0
passed=0
failed=0
skipped=0
times=""
for arch in x64 x86; do
    log="$root/build/$arch/ctest.log"
    if [ "$arch" = x86 ]; then
        blocker=$(pathvex_i686_blocker)
        if [ -n "$blocker" ]; then
            count=$(ctest --test-dir "$root/build/$arch" -N | sed -n 's/^Total Tests: \([0-9]\+\)$/\1/p')
            echo "== tests in build/$arch: not run, because $blocker (${count:-0} skipped; the tree was built)"
            skipped=$((skipped + ${count:-0}))
            continue
        fi
    fi
    echo "== tests in build/$arch"
    loader=$(pathvex_wine "$arch")
    start=$(date +%s)
    # Start the server and the prefix's services once, before ctest starts
    # many programs at the same moment: a program caught in that first start
    # can fail to launch at all.
    wineserver -p60 </dev/null >/dev/null 2>&1 || true
    WINELOADER=$loader "$loader" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
    if ctest --test-dir "$root/build/$arch" -j "$(nproc)" --output-on-failure 2>&1 | tee "$log"; then :; fi
    times="$times, $arch $(($(date +%s) - start)) s"
    if ! grep -q "100% tests passed" "$log"; then
        status=1
    fi
    total=$(sed -n 's/.*tests failed out of \([0-9]\+\).*/\1/p' "$log" | tail -n 1)
    bad=$(sed -n 's/.* \([0-9]\+\) tests failed out of.*/\1/p' "$log" | tail -n 1)
    total=${total:-0}
    bad=${bad:-0}
    [ "$total" -gt 0 ] || status=1
    passed=$((passed + total - bad))
    failed=$((failed + bad))
done
wineserver -k 2>/dev/null || true
echo "test time${times#,}"
echo "$passed passed, $failed failed, $skipped skipped"
exit $status
