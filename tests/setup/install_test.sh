#!/usr/bin/env bash
# ./run's set-up on machines made of stand-ins: apt-get, dpkg(-query), sudo, id, the kernel's answer
# to the i386 probe, cmake and Wine come first on PATH, answer as the real ones do, and write down
# every call they take.
set -uo pipefail
run=$(realpath "${1:?usage: install_test.sh RUN}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/stand-in" <<'STANDIN'
#!/bin/bash
name=${0##*/}
[ "$name" = sudo ] || echo "$name $*" >>"$LOG"
root() { [ "$WHO" = root ] || [ "${ROOT:-}" = yes ] || { echo "E: Could not open lock file" \
    "/var/lib/dpkg/lock-frontend - open (13: Permission denied)" && exit 100; }; }
case "$name $1" in
"id -u") [ "$WHO" = root ] && echo 0 || echo 1000 ;;
sudo*)
    [ "$WHO" = sudo ] || { echo "sudo: a terminal is required to read the password" >&2 && exit 1; }
    [ "$1" = -v ] && exit 0 || [ "$1" = -n ] && shift
    unset DEBIAN_FRONTEND # sudo passes on only what it is told to
    ROOT=yes exec "$@" ;;
"snorva-i386-probe "*) # bash's words where the kernel refuses, or the mount (noexec)
    case $PROBE in yes) exit 0 ;; no) echo "$0: cannot execute binary file: Exec format error" ;;
    noexec) echo "$0: Permission denied" ;; esac >&2 && exit 126 ;;
"dpkg --print-architecture") echo "$ARCH" ;;
"dpkg --print-foreign-architectures") [ -z "$FOREIGN" ] || echo "$FOREIGN" ;;
"dpkg --"*) root ;;
"dpkg-query -W") # -W -f=FORMAT PACKAGE...: what the database holds, in the format asked for
    format=${2#-f=} status=0
    for p in "${@:3}"; do
        case ",$DB," in
        *",$p="*) state=${DB#*,$p=} state=${state%%,*} ;;
        *",*,"*) state=installed ;;
        *) echo "dpkg-query: no packages found matching $p" >&2 && status=1 && continue ;;
        esac
        line=${format//'${Package}'/${p%:*}} line=${line//'${binary:Package}'/$p}
        printf %s "${line//'${db:Status-Status}'/$state}"
    done
    exit $status ;;
"apt-get update")
    root
    case "$UPDATE $(grep -c '^apt-get update' "$LOG")" in
    "lock "[12]) echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 812" ;;
    nonet*) echo "W: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease " \
        " Temporary failure resolving 'deb.debian.org'" && exit 0 ;;
    "once 1" | never*) echo "E: Failed to fetch …/binary-i386/Packages  File has unexpected size" ;;
    clock*) echo "E: Release file for …/bookworm-updates/InRelease is not valid yet (for 2h)" ;;
    *) exit 0 ;;
    esac
    exit 100 ;;
"apt-get install")
    root
    [ "${DEBIAN_FRONTEND:-}" = noninteractive ] || { echo "debconf asks: Restart services?" && exit 1; }
    case "$INSTALL $*" in
    *" wine32:i386"*) [ "$INSTALL" = i386 ] && echo " wine32:i386 : Depends: libwine:i386" ;;&
    fail*) echo " wine64 : Depends: libwine (= 8.0~repack-4) but it is not going to be installed" ;;&
    i386*:i386* | fail*) echo "E: Unable to correct problems, you have held broken packages." ;;
    nolists*) echo "E: Unable to locate package ${*: -1}" ;;
    interrupted*) echo "E: dpkg was interrupted, you must manually run 'dpkg --configure -a'" ;;
    locked*) echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 93" ;;
    rofs*) echo "E: Failed to fetch …/make_4.3-4.1_amd64.deb  … (30: Read-only file system)" ;;
    *) exit 0 ;;
    esac
    exit 100 ;;
wine*) [[ $WINEPREFIX == /* ]] || { echo "wine: invalid directory $WINEPREFIX in WINEPREFIX" && exit 1; } ;;&
"wine wineboot") [ "$WINEBOOT" = ok ] || { echo "wine: could not load kernel32.dll" && exit 3; } ;;
"wine "*) echo "wine $(realpath -m "$1") ${*:2} in $(realpath -m "$WINEPREFIX")" >&2 ;;
esac
STANDIN
chmod +x "$work/bin/stand-in"
for name in apt-get dpkg dpkg-query sudo id sleep snorva-i386-probe cmake wine wineserver; do
    ln -s stand-in "$work/bin/$name"
done
printf 'ID=debian\nVERSION_ID="12"\nPRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\n' >"$work/debian"
printf 'ID=fedora\nVERSION_ID=39\nPRETTY_NAME="Fedora Linux 39"\n' >"$work/fedora"
rel=$(realpath -m --relative-to="$(dirname "$run")" "$work/b")

base=cmake,make,g++-mingw-w64-i686,googletest,imagemagick,wine,wine64,xvfb,xauth
amd64=$base,g++-mingw-w64-x86-64 i386=$base,wine32:i386
# The machine: ./run's arguments, then how it differs from a root Debian 12 amd64 that runs no i386
# programs and has nothing installed. Then what ./run must do: the test tree's architecture, exit
# status, its calls (a pattern: a/r dpkg --add/remove-architecture i386, u apt-get update, z/Z a
# pause of 10/30 s, i apt-get install), what the last install installs, a pattern of what it says.
rows=(
    "_setup bench PROBE=yes WHO=sudo DB=*,wine32:i386=config-files | i686 0 aui wine32:i386 | ^run: installing wine32:i386$"
    "_setup test PROBE=yes SNORVA_TEST_ARCH=x86_64 | x86_64 0 ui $amd64 | ^run: installing"
    "_setup demo UPDATE=once | x86_64 0 uzui $amd64,x11-apps | update failed; again in 10 s"
    "_setup test UPDATE=clock | x86_64 0 ui $amd64 | runs no i386 programs.*not valid yet.*update failed \(above\); installing from"
    "_setup test PROBE=yes UPDATE=never INSTALL=i386 | x86_64 0 auzuzuiri $amd64 | update failed.*broken.*x86_64 build instead"
    "_setup test PROBE=yes FOREIGN=i386 INSTALL=i386 | x86_64 0 uii $amd64 | x86_64 build instead"
    "_setup test PROBE=yes INSTALL=fail | - 1 auir $i386 | could not install cmake .*wine32:i386 \(apt"
    "_setup test PROBE=yes SNORVA_TEST_ARCH=i686 INSTALL=i386 | - 1 auir $i386 | could not install .*wine32:i386 \("
    "_setup bench PROBE=yes DB=* UPDATE=never INSTALL=fail | i686 0 - - | ^$"
    "_setup test UPDATE=lock | x86_64 0 uZuZui $amd64 | 812.*waiting for it, at most 10 min"
    "_setup test INSTALL=locked | - 1 ui(Zi){19} $amd64 | waiting for it.*93.*still held after 10 min"
    "_setup build INSTALL=rofs | - 1 ui cmake,make,g++-mingw-w64-i686 | Read-only file system.*write its files"
    "_setup test PROBE=yes INSTALL=interrupted | - 1 auir $i386 | run .dpkg --configure -a. as root"
    "_setup test UPDATE=nonet INSTALL=nolists | - 1 uzuzui $amd64 | update failed \(above\).*package mirror"
    "_setup test UPDATE=never INSTALL=nolists | - 1 uzuzui $amd64 | update failed \(above\).*try again later"
    "_setup test WHO=user | - 1 - - | terminal.*run as root or install sudo$"
    "_setup test PROBE=yes SNORVA_OS_RELEASE=$work/fedora | i686 0 - - | ^run: this machine is Fedora Linux 39 \(x86_64\), not Debian 12 amd64.*installs nothing"
    "_setup test ARCH=arm64 | - 1 - - | ^run: this machine is Debian.*\(arm64\), not Debian 12 amd64.*needs an amd64 machine$"
    "_setup build ARCH=arm64 | - 0 ui cmake,make,g++-mingw-w64-i686 | not Debian 12 amd64.*asks apt"
    "_setup test PROBE=noexec | x86_64 0 ui $amd64 | could not tell .*Permission denied.*x86_64 build"
    "_setup test SNORVA_TEST_ARCH=amd64 | - 2 - - | ^run: SNORVA_TEST_ARCH is amd64; it takes i686 or x86_64$"
    "demo PROBE=yes DB=* DISPLAY=:9 SNORVA_BUILD=$rel | - 0 - - | wine $work/b/tests/demo/snorva_demo.exe --interactive in $work/b/tests/wineprefix$"
    "demo PROBE=yes DB=* DISPLAY=:9 | - 0 - - | wine $work/b/tests/demo/snorva_demo.exe --interactive in $work/b/tests/wineprefix$"
    "demo PROBE=yes DB=* DISPLAY=:9 WINEBOOT=fail | - 1 - - | kernel32.dll.*wineboot ended with status 3"
)
# Words of ./run's that only some rows may hear.
only=("update failed" "x86_64 build instead" "try again later" "package mirror" "configure -a"
      "install sudo" "waiting for it" "not Debian 12" "could not tell")
failed=0 n=0
for row in "${rows[@]}"; do
    IFS='|' read -r machine expected said <<<"$row"
    read -r arch status calls packages <<<"$expected"
    log=$work/log$((n += 1)) && : >"$log" && rm -rf "$work/b/tests"
    env=(LOG="$log" WHO=root PROBE=no ARCH=amd64 FOREIGN= DB=- UPDATE=ok INSTALL=ok WINEBOOT=ok
         SNORVA_OS_RELEASE="$work/debian" SNORVA_BUILD="$work/b" PATH="$work/bin:$PATH")
    args=() && read -ra words <<<"$machine"
    for word in "${words[@]}"; do [[ $word == *=* ]] && env+=("$word") || args+=("$word"); done
    got_arch=$(env -u SNORVA_TEST_ARCH -u DEBIAN_FRONTEND -u DISPLAY "${env[@]}" "$run" "${args[@]}" \
        2>"$work/err" </dev/null)
    got_status=$?
    got_calls= got_packages=-
    while read -r line; do
        case $line in
        "dpkg --add-architecture i386") got_calls+=a ;; "dpkg --remove-architecture i386") got_calls+=r ;;
        "apt-get update"*) got_calls+=u ;; "sleep 10") got_calls+=z ;; "sleep 30") got_calls+=Z ;;
        "apt-get install"*) got_calls+=i got_packages=${line##*--no-install-recommends } ;;
        esac
    done <"$log"
    err=$(<"$work/err")
    problems=()
    did="${got_arch:--} $got_status ${got_packages// /,}"
    [ "$did" = "$arch $status $packages" ] || problems+=("did: $did")
    [[ $got_calls =~ ^(${calls#-})$ ]] || problems+=("called: $got_calls")
    [[ $err =~ ${said# } ]] || problems+=("did not say:$said")
    for w in "${only[@]}"; do [[ $err == *"$w"* && $said != *"$w"* ]] && problems+=("said: $w"); done
    if [ ${#problems[@]} -gt 0 ]; then
        failed=1
        printf 'FAIL %s\n' "$row" && printf '     %s\n' "${problems[@]}"
        printf '     said: %s\n' "${err//$'\n'/$'\n     said: '}"
    fi
done
[ $failed = 0 ] && echo "set-up: ${#rows[@]} machines as expected"
exit $failed
