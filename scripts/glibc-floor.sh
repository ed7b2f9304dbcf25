#!/bin/sh
# Fails when a console binary asks its C library for a symbol version newer than the console's glibc 2.3 offers.
#
#   scripts/glibc-floor.sh PROGRAM...
#
# The console runs Linux 2.4 with a glibc of the 2.3 era, and its binaries are built against
# that glibc's headers. The builds here link against this machine's newer glibc, so a call the
# device lacks (pipe2, dup3, accept4, eventfd, the *at() functions, ...) shows up as an import
# of a late GLIBC_ version. The floor is the newest version the device has: GLIBC_2.3.4 for an
# x86-64 stand-in, GLIBC_2.4 for ARM EABI (armel), where every symbol starts at 2.4. Only
# libc's own versions are checked; SDL's libraries bring no versions of their own.
set -e

# The symbols whose version this machine's glibc picks, for a call that the device's glibc has
# under an old version: built against the device's own, the same code binds to that one. Any
# other symbol of a newer version fails.
allowed='
memcpy             glibc 2.14 gave x86-64 a memcpy that need not copy overlaps in order, under a new version; the old one stays
fcntl              glibc 2.28 gave 32-bit machines a new fcntl (locks with 64-bit offsets) under a new version; the old one stays
stat               before glibc 2.33 this was a wrapper linked into the program that called __xstat; now libc exports it
stat64             the same, calling __xstat64
fstat              the same, calling __fxstat
fstat64            the same, calling __fxstat64
lstat              the same, calling __lxstat
lstat64            the same, calling __lxstat64
__libc_start_main  called by the start-up file crt1.o, which glibc 2.34 binds to a new version; the device links its own crt1.o
'

[ $# -gt 0 ] || { echo "usage: $0 PROGRAM..." >&2; exit 2; }
names=$(echo "$allowed" | awk 'NF { print $1 }' | tr '\n' ' ')
status=0
for program in "$@"; do
    machine=$(readelf -h "$program" | sed -n 's/^ *Machine: *//p')
    case "$machine" in
    *X86-64*) floor=2.3.4 ;;
    ARM) floor=2.4 ;;
    *) echo "glibc-floor: $program: no floor known for machine '$machine'" >&2; status=1; continue ;;
    esac
    # Undefined dynamic symbols as "NAME VERSION" (readelf shows them as NAME@VERSION (N)).
    imports=$(readelf --dyn-syms -W "$program" |
        awk '$7 == "UND" && $8 ~ /@GLIBC_[0-9.]+$/ { split($8, s, "@+"); sub(/^GLIBC_/, "", s[2]); print s[1], s[2] }')
    [ -n "$imports" ] || { echo "glibc-floor: $program: no glibc imports found" >&2; status=1; continue; }
    report=$(echo "$imports" | awk -v floor="$floor" -v allowed="$names" '
        # 1 when version a is newer than version b, both dotted numbers.
        function newer(a, b,   x, y, n, i) {
            n = split(a, x, "."); if (split(b, y, ".") > n) n = split(b, y, ".")
            for (i = 1; i <= n; i++) if (x[i] + 0 != y[i] + 0) return x[i] + 0 > y[i] + 0
            return 0
        }
        BEGIN {
            n = split(allowed, w, " ")
            for (i = 1; i <= n; i++) ok[w[i]] = 1
        }
        { total++ }
        newer($2, floor) && ($1 in ok) { kept = kept " " $1 "@GLIBC_" $2 }
        newer($2, floor) && !($1 in ok) { print "bad", $1 "@GLIBC_" $2 }
        END { print "total", total; print "kept", kept }')
    bad=$(echo "$report" | sed -n 's/^bad //p')
    total=$(echo "$report" | sed -n 's/^total //p')
    kept=$(echo "$report" | sed -n 's/^kept //p')
    if [ -n "$bad" ]; then
        echo "glibc-floor: $program ($machine) needs symbols newer than GLIBC_$floor, which the console's glibc lacks:" >&2
        echo "$bad" | sed 's/^/  /' >&2
        status=1
    else
        echo "glibc-floor: $program ($machine): $total glibc imports, none newer than GLIBC_$floor;" \
            "newer only where this machine's glibc picks the version:${kept:- none}"
    fi
done
exit $status
