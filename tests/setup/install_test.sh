#!/usr/bin/env bash
# ./run's set-up step on machines made of stand-ins: apt-get, dpkg, dpkg-query and the kernel's
# answer to the i386 probe come first on PATH, and every call they take is written down.
# Usage: install_test.sh RUN (the ./run under test)
set -uo pipefail
run=${1:?usage: install_test.sh RUN}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/stand-in" <<'STANDIN'
#!/bin/sh
name=${0##*/}
[ "$name" = sudo ] && exec "$@"
echo "$name $*" >>"$LOG"
case "$name $1" in
"snorva-i386-probe "*) [ "$I386" = yes ] || exit 126 ;; # bash's answer to "Exec format error"
"dpkg-query "*)
    [ "$INSTALLED" = all ] || exit 1
    shift 2 # -W -f=FORMAT
    for p; do printf '%s=installed ' "$p"; done ;;
"apt-get update")
    [ "$UPDATE" = ok ] && exit 0
    [ "$UPDATE" = once ] && [ -e "$LOG.failed" ] && exit 0
    : >"$LOG.failed"
    echo "E: Failed to fetch …/binary-i386/Packages  File has unexpected size" >&2
    exit 100 ;;
"apt-get install")
    [ "$INSTALL" = ok ] && exit 0
    [ "$INSTALL" = i386 ] && case " $* " in *:i386*) ;; *) exit 0 ;; esac
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100 ;;
esac
exit 0 # dpkg --print-foreign-architectures: none yet; dpkg --add-architecture; sleep
STANDIN
chmod +x "$work/bin/stand-in"
for name in apt-get dpkg dpkg-query sudo sleep snorva-i386-probe; do
    ln -s stand-in "$work/bin/$name"
done

base=cmake,g++-mingw-w64-i686,googletest,imagemagick,wine,wine64,xvfb,xauth
amd64=$base,g++-mingw-w64-x86-64
i386=$base,wine32:i386
# The machine: subcommand, runs i386 programs?, SNORVA_TEST_ARCH, packages there, what
# `apt-get update` and `install` do. Then what set-up must do: the test tree's architecture,
# updates, i386 added?, exit status, what it installs, and a pattern of what it says (apt's own
# error comes before set-up's words on it).
rows=(
    "build no  -      none ok    ok   | -      1 no  0 cmake,g++-mingw-w64-i686 | installing cmake"
    "test  no  -      none ok    ok   | x86_64 1 no  0 $amd64 | runs no i386 programs"
    "test  yes -      none ok    ok   | i686   1 yes 0 $i386 | installing .*wine32:i386"
    "test  yes x86_64 none ok    ok   | x86_64 1 no  0 $amd64 | installing"
    "demo  no  -      none once  ok   | x86_64 2 no  0 $amd64,x11-apps | failed; again in 10 s"
    "test  no  -      none never ok   | x86_64 3 no  0 $amd64 | failed 3 times; installing from"
    "test  yes -      none never i386 | x86_64 3 yes 0 $amd64 | broken.*x86_64 build instead"
    "test  yes -      none ok    fail | -      1 yes 1 $amd64 | could not install cmake .*x86-64 \("
    "test  yes i686   none ok    fail | -      1 yes 1 $i386 | could not install .*wine32:i386 \("
    "test  no  -      none ok    fail | -      1 no  1 $amd64 | could not install cmake .*x86-64 \("
    "bench yes -      all  never fail | i686   0 no  0 - | ^$"
)
failed=0 n=0
for row in "${rows[@]}"; do
    read -r cmd i386 override installed update install _ arch updates added status packages _ \
        said <<<"$row"
    log=$work/log$((n += 1))
    : >"$log"
    env=(LOG="$log" I386="$i386" INSTALLED="$installed" UPDATE="$update" INSTALL="$install"
         SNORVA_BUILD="$work/build" PATH="$work/bin:$PATH")
    [ "$override" = - ] || env+=(SNORVA_TEST_ARCH="$override")
    got_arch=$(env -u SNORVA_TEST_ARCH "${env[@]}" "$run" _setup "$cmd" 2>"$work/err")
    got_status=$?
    got_updates=0 got_added=no got_packages=-
    while read -r line; do
        case $line in
        "apt-get update"*) got_updates=$((got_updates + 1)) ;;
        "dpkg --add-architecture i386") got_added=yes ;;
        "apt-get install"*) got_packages=${line##*--no-install-recommends } ;;
        esac
    done <"$log"
    got_packages=${got_packages// /,}
    IFS= read -r -d '' err <"$work/err"
    err=${err%$'\n'}
    problems=()
    did="${got_arch:--} $got_updates $got_added $got_status $got_packages"
    [ "$did" = "$arch $updates $added $status $packages" ] || problems+=("did: $did")
    [[ $err =~ $said ]] || problems+=("did not say: $said")
    if [ ${#problems[@]} -gt 0 ]; then
        failed=1
        printf 'FAIL %s\n' "$row"
        printf '     %s\n' "${problems[@]}"
        printf '     said: %s\n' "${err//$'\n'/$'\n     said: '}"
    fi
done
[ $failed = 0 ] && echo "set-up: ${#rows[@]} machines as expected"
exit $failed
