# ./run test --on <release>: the tests on another Debian release than this machine's, in fresh
# system roots of that release made from this machine's own Debian mirror. Sourced by ./run.
#
# 1. A minimal root of the release (debootstrap --variant=minbase), copied twice.
# 2. In the first copy, with the sources copied in: ./run test, then ./run package (its program
#    traced, which the package test follows).
# 3. In the second, untouched copy: apt-get install of that package, as on a fresh system of the
#    release, then the package test runs the installed program for members, with the engine's
#    sandbox on.
# The roots are entered with bubblewrap, as root, and removed at the end. The minimal root is kept
# as a tarball in $ZV_ROOT_CACHE (default /var/cache/zvkb) for a week, when that folder can be
# written; without it, each run bootstraps anew.

# The machine's Debian archive, as its apt sources name it (deb.debian.org when none does).
debian_mirror() {
  local mirror
  mirror=$(apt-get indextargets --format '$(ORIGIN)|$(LABEL)|$(REPO_URI)' 2>/dev/null |
    awk -F'|' '$1 == "Debian" && $2 == "Debian" { print $3; exit }')
  echo "${mirror:-http://deb.debian.org/debian/}"
}

# in_root <root> <command...>: the command as root of the system in <root>, with the machine's
# kernel interfaces and name service, in a clean environment, in the copied sources.
in_root() {
  local root=$1
  shift
  bwrap --bind "$root" / --dev /dev --perms 1777 --tmpfs /dev/shm --proc /proc --tmpfs /run \
    --ro-bind /sys /sys --ro-bind /etc/resolv.conf /etc/resolv.conf --clearenv \
    --setenv PATH /usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    --setenv HOME /root --setenv LANG C.UTF-8 --setenv TERM "${TERM:-dumb}" \
    --die-with-parent --chdir /src/zvkb "$@"
}

# minimal_root <release> <folder>: the release's minimal root in <folder>, from the cache when
# it holds one of this mirror that is less than a week old.
minimal_root() {
  local release=$1 dir=$2 mirror cache=${ZV_ROOT_CACHE:-/var/cache/zvkb}
  mirror=$(debian_mirror)
  local tarball=$cache/$release-minbase.tar
  mkdir -p "$dir"
  if [ -n "$(find "$tarball" -mtime -7 2>/dev/null)" ] &&
    [ "$(cat "$tarball.mirror" 2>/dev/null)" = "$mirror" ] && tar -C "$dir" -xf "$tarball"; then
    echo "a minimal $release root from $tarball"
    return
  fi
  echo "bootstrapping a minimal $release root from $mirror"
  debootstrap --variant=minbase "$release" "$dir" "$mirror" >"$dir.log" 2>&1 ||
    { tail -n 30 "$dir.log" >&2; return 1; }
  if mkdir -p "$cache" 2>/dev/null && tar -C "$dir" -cf "$tarball.new" . 2>/dev/null; then
    mv "$tarball.new" "$tarball" && echo "$mirror" >"$tarball.mirror"
  else
    rm -f "$tarball.new"
  fi
}

# test_on <release>: the steps above; exits non-zero when any fails.
test_on() {
  local release=$1 started=$SECONDS
  [ "$(id -u)" -eq 0 ] || exec sudo "$0" test --on "$release"
  ensure_packages debootstrap bubblewrap
  local work
  work=$(mktemp -d "${TMPDIR:-/var/tmp}/zvkb-$release.XXXXXX")
  # shellcheck disable=SC2064 # the folder is known now
  trap "rm -rf '$work'" EXIT
  minimal_root "$release" "$work/fresh"
  cp -a "$work/fresh" "$work/build"
  # The sources as they are here, committed or not (the build folders stay out).
  mkdir -p "$work/build/src/zvkb"
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -co --exclude-standard | tar --null -T - -cf - | tar -x -C "$work/build/src/zvkb"
  else
    tar --exclude='./build*' -cf - . | tar -x -C "$work/build/src/zvkb"
  fi

  echo "== $release: ./run test ($((SECONDS - started)) s so far)"
  in_root "$work/build" ./run test
  echo "== $release: ./run package ($((SECONDS - started)) s so far)"
  in_root "$work/build" ./run package -DZV_TEST_TRACE=ON >"$work/package.log" 2>&1 ||
    { tail -n 60 "$work/package.log"; echo "./run package failed on $release" >&2; return 1; }
  local deb
  deb=$(cd "$work/build/src/zvkb" && ls build-package/package/zvkb_*_amd64.deb)

  echo "== $release: the package on a fresh system ($((SECONDS - started)) s so far)"
  mkdir -p "$work/fresh/src/zvkb"
  cp "$work/build/src/zvkb/$deb" "$work/fresh/src/zvkb/"
  in_root "$work/fresh" sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq ./$(basename "$deb") >/dev/null" || {
    echo "the package made on $release does not install on a fresh $release" >&2
    return 1
  }
  # The package test runs from the build tree, on the headless desktop, with the libraries it
  # links beside the program's (the packages that hold them in the build root).
  local tests=/src/zvkb/build-test/tests-bin libraries
  libraries=$(in_root "$work/build" sh -c 'ldd "$1" | awk "/=>/ { print \$1 }" |
    while read -r name; do dpkg-query -S "*/$name"; done 2>/dev/null | cut -d: -f1 | sort -u' \
    libraries "$tests/test_e2e_package")
  # shellcheck disable=SC2086 # one package name a word
  in_root "$work/fresh" bash -c 'source /dev/stdin; ensure_packages "$@"' packages \
    "${HEADLESS_DESKTOP[@]}" $libraries <packages.sh >"$work/desktop.log" 2>&1 ||
    { tail -n 30 "$work/desktop.log"; return 1; }
  bwrap --bind "$work/fresh" / --ro-bind "$work/build/src/zvkb" /src/zvkb --dev /dev \
    --perms 1777 --tmpfs /dev/shm --proc /proc --tmpfs /run --ro-bind /sys /sys --clearenv \
    --setenv PATH /usr/sbin:/usr/bin:/sbin:/bin --setenv HOME /root --setenv LANG C.UTF-8 \
    --setenv QT_QPA_PLATFORM offscreen --setenv ZV_PACKAGE_INSTALLED 1 --die-with-parent \
    --chdir /tmp "$tests/test_e2e_package"
  echo "== $release: done ($((SECONDS - started)) s)"
}
