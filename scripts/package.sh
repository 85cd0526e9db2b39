#!/usr/bin/env bash
# Builds the release packages from the install rules, in build/packages/:
# the Debian package quorvel_<version>-1_<arch>.deb (with the dialog when Qt 6
# is there) and the Windows zip quorvel-<version>-win32.zip from the 32-bit
# build. Installs what is missing first. Safe to run again.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; file finds
# the binaries that CPack strips and dpkg-shlibdeps reads.
packages=(dpkg-dev file g++-mingw-w64-i686-posix)
bash scripts/install-packages.sh "${packages[@]}"

rm -rf build/packages
mkdir -p build/packages

# Debian: built with all of Debian's hardening flags and installed under /usr
# (so that the library folder is Debian's multiarch one).
deb_build=build/deb
rm -rf "$deb_build"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B "$deb_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUORVEL_TESTS=OFF >/dev/null
cmake --build "$deb_build"
(cd "$deb_build" && cpack -G DEB >/dev/null)
cp "$deb_build"/packages/quorvel_*.deb build/packages/

# Windows: the release program is the 32-bit one.
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
(cd build/windows-x86 && cpack -G ZIP >/dev/null)
cp build/windows-x86/packages/quorvel-*-win32.zip build/packages/

ls -l build/packages
