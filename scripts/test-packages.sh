#!/usr/bin/env bash
# Builds the release packages with scripts/package.sh and checks them as a
# user gets them: the .deb unpacked into a throw-away root (its program,
# manual page, desktop entry, icon, completion, dependencies and lintian's
# verdict), a .deb built without the dialog, and the Windows zip (the exe's
# kind, subsystem, imports and version, the readme's encoding and line ends).
# Installs what is missing. Ends with "packages: N passed, N failed".
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(lintian desktop-file-utils man-db unzip file bash-completion binutils-mingw-w64-i686)
bash scripts/install-packages.sh "${packages[@]}"

bash scripts/package.sh

version=$(sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
deb=build/packages/quorvel_${version}-1_${arch}.deb
zip=build/packages/quorvel-${version}-win32.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
# check NAME CODE: runs the shell code CODE as one check; what it prints is
# shown only when it fails.
check() {
  local name=$1 output
  if output=$(eval "$2" 2>&1); then
    passed=$((passed + 1))
    echo "ok    $name"
  else
    failed=$((failed + 1))
    echo "FAIL  $name"
    [[ -z $output ]] || sed 's/^/      /' <<<"$output"
  fi
}

# expect ACTUAL EXPECTED: succeeds when the two texts are equal, else shows both.
expect() {
  [[ $1 == "$2" ]] && return
  printf 'expected: %q\nactual:   %q\n' "$2" "$1"
  return 1
}

# Lintian warnings accepted, with the reasons in docs/packaging.md.
ACCEPTED_WARNINGS=(initial-upload-closes-no-bugs)

lintian_clean() {
  local report tag
  report=$(lintian "$1" 2>/dev/null) || true
  echo "$report"
  ! grep -q '^E:' <<<"$report" || return 1
  for tag in $(sed -n 's/^W: [^ ]* \([^ ]*\).*/\1/p' <<<"$report"); do
    [[ " ${ACCEPTED_WARNINGS[*]} " == *" $tag "* ]] || return 1
  done
}

# Every shared library a binary of the package loads comes from a package in
# Depends, and every library package in Depends is loaded by one.
depends_exactly_needed() {
  local deb=$1 root=$2 depends needed=() file library package multiarch
  multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
  depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
  while IFS= read -r file; do
    for library in $(objdump -p "$file" | awk '/NEEDED/ {print $2}'); do
      package=$(dpkg -S "*/$multiarch/$library" | head -n1 | sed 's/[:,].*//')
      needed+=("$package")
    done
  done < <(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
  for package in "${needed[@]}"; do
    grep -qx "$package" <<<"$depends" || { echo "$package is loaded but not in Depends"; return 1; }
  done
  for package in $(grep '^lib' <<<"$depends"); do
    [[ " ${needed[*]} " == *" $package "* ]] || { echo "$package is in Depends, not loaded"; return 1; }
  done
}

# --- The Debian package ------------------------------------------------------

root=$work/root
dpkg -x "$deb" "$root"
program=$root/usr/bin/quorvel

check "deb: name, version and architecture" \
  'expect "$(dpkg-deb -f "$deb" Package Version Architecture)" \
    "$(printf "Package: quorvel\nVersion: %s-1\nArchitecture: %s" "$version" "$arch")"'

check "deb: changelog's latest entry is this version" \
  'expect "$(zcat "$root/usr/share/doc/quorvel/changelog.Debian.gz" | head -n1 | cut -d" " -f1,2)" \
    "quorvel (${version}-1)"'

check "deb: program prints its version" 'expect "$("$program" --version)" "Quorvel ${version}"'

mkdir -p "$work/tree/sub"
echo x >"$work/tree/a.txt"
check "deb: program writes a report" \
  '"$program" in "$work/tree/" out "$work/r.txt" && head -c1 "$work/r.txt" | grep -q "\["'

manual_renders() {
  local page=$root/usr/share/man/man1/quorvel.1.gz warnings text
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || { echo "$warnings"; return 1; }
  text=$(MANWIDTH=80 man -l "$page")
  grep -q "^QUORVEL(1)" <<<"$text" && grep -q "^SYNOPSIS" <<<"$text"
}
check "deb: man -l renders the page without warnings" manual_renders

desktop=$root/usr/share/applications/quorvel.desktop
check "deb: desktop entry is valid" 'desktop-file-validate "$desktop"'

icon_in_theme() {
  local name file size
  name=$(sed -n 's/^Icon=//p' "$desktop")
  file=$(find "$root/usr/share/icons/hicolor" -path "*/apps/$name.png" | head -n1)
  [[ -n $file ]] || { echo "no $name.png in the hicolor theme"; return 1; }
  size=$(basename "$(dirname "$(dirname "$file")")")
  file "$file" | grep -q "${size/x/ x }" || { echo "$file is not $size"; return 1; }
}
check "deb: the entry's icon is in hicolor, in its size's folder" icon_in_theme
check "deb: the entry's program is in the package" \
  'test -x "$root/usr/bin/$(sed -n "s/^Exec=\([^ ]*\).*/\1/p" "$desktop")"'

# Without arguments the program loads the dialog from the packaged module and
# waits in it (stopped by the timeout); a missing module ends it with 15.
dialog_opens() {
  local status=0
  QT_QPA_PLATFORM=offscreen timeout 5 "$1" </dev/null || status=$?
  expect "$status" 124
}
check "deb: program opens its dialog from the packaged module" 'dialog_opens "$program"'
cp -a "$root" "$work/moduleless"
rm -r "$work/moduleless"/usr/lib/*/quorvel
check "deb: program without the module says so and ends with 15" \
  'status=0; QT_QPA_PLATFORM=offscreen "$work/moduleless/usr/bin/quorvel" || status=$?; expect "$status" 15'

check "deb: dialog's runtime packages are in Depends" \
  'dpkg-deb -f "$deb" Depends | grep "qt6-qpa-plugins" | grep -q "qt6-translations-l10n"'
check "deb: Depends has exactly the libraries loaded" 'depends_exactly_needed "$deb" "$root"'
check "deb: apt can install it with its dependencies" 'apt-get install -s -qq "./$deb"'
check "deb: lintian finds no error and no unexpected warning" 'lintian_clean "$deb"'

# The same package built without the dialog: no Qt, no menu entry.
nogui=build/deb-nogui
rm -rf "$nogui"
cmake -S . -B "$nogui" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUORVEL_TESTS=OFF -DQUORVEL_GUI=OFF >/dev/null
cmake --build "$nogui" >/dev/null
(cd "$nogui" && cpack -G DEB >/dev/null)
nogui_deb=$nogui/packages/quorvel_${version}-1_${arch}.deb
dpkg -x "$nogui_deb" "$work/nogui"
check "deb without dialog: no Qt in Depends" '! dpkg-deb -f "$nogui_deb" Depends | grep -i qt'
check "deb without dialog: no desktop entry or icon" \
  '! dpkg-deb -c "$nogui_deb" | grep -E "applications/|icons/"'
check "deb without dialog: Depends has exactly the libraries loaded" \
  'depends_exactly_needed "$nogui_deb" "$work/nogui"'
check "deb without dialog: lintian finds no error and no unexpected warning" \
  'lintian_clean "$nogui_deb"'

# A plain `cmake --install` puts the completion where bash-completion looks
# for it and the compressed manual page in place, without the Debian changelog.
installed_by_cmake() {
  local staging=$work/cmake-install files
  DESTDIR=$staging cmake --install build/deb --prefix /usr/local >/dev/null
  files=$(cd "$staging" && find . -type f | sort)
  grep -qx ./usr/local/share/bash-completion/completions/quorvel <<<"$files" &&
    grep -qx ./usr/local/share/man/man1/quorvel.1.gz <<<"$files" &&
    grep -qx ./usr/local/share/doc/quorvel/copyright <<<"$files" &&
    ! grep changelog <<<"$files"
}
check "cmake --install: completion, manual page and licence, no Debian changelog" installed_by_cmake

# --- Bash completion, as installed -------------------------------------------

completion=$root/usr/share/bash-completion/completions/quorvel
# offered WITH WORD...: what the completion offers for the last word, one per
# line, sorted; WITH is "helpers" (bash-completion loaded) or "plain".
offered() {
  local with=$1
  shift
  (cd "$work/tree" && bash --norc --noprofile -c '
    [[ $1 == helpers ]] && source /usr/share/bash-completion/bash_completion
    source "$2"
    shift 2
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _quorvel quorvel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$with" "$completion" "$@")
}

# The option words, as the program's --help lists them.
help_options=$("$program" --help | sed -n 's/^  \([a-z][a-z0-9]*\) .*/\1/p' | sort)
dashed=$(sed 's/^/-/' <<<"$help_options" | tr '\n' ' ')
# Each case: the words typed (the last one being completed) | what is offered.
completion_cases=(
  "quorvel ''|$(tr '\n' ' ' <<<"$help_options")"
  "quorvel h|h hidden html"
  "quorvel /e|/exclude /exec"
  "quorvel /exe|/exec"
  "quorvel -|--help --version $dashed"
  "quorvel s -|$dashed"
  "quorvel --|--help --version"
  "quorvel in s|sub"
  "quorvel -in s|sub"
  "quorvel /out a|a.txt"
  "quorvel in x out s|sub"
  "quorvel out in s|s sort summary"
  "quorvel --in s|s sort summary"
  "quorvel sort ''|name size time"
  "quorvel -sort t|time"
  "quorvel depth ''|"
  "quorvel exclude s|"
)
for with in helpers plain; do
  for case in "${completion_cases[@]}"; do
    eval "words=(${case%%|*})"
    wanted=$(tr ' ' '\n' <<<"${case#*|}" | sed '/^$/d' | sort)
    check "completion ($with): ${case%%|*}" 'expect "$(offered "$with" "${words[@]}")" "$wanted"'
  done
done

# --- The Windows zip ---------------------------------------------------------

unzip -q "$zip" -d "$work/zip"
exe=$work/zip/quorvel.exe
headers=$(i686-w64-mingw32-objdump -p "$exe")
check "zip: holds the program, its readme and its licence" \
  'expect "$(unzip -Z1 "$zip" | sort | tr "\n" " ")" "LICENSE.txt quorvel.exe readme.txt "'
check "zip: exe is a 32-bit GUI program" \
  'file "$exe" | grep -q "PE32 executable (GUI) Intel 80386" &&
   grep -q "^Magic[[:space:]]*010b" <<<"$headers" &&
   grep -q "^Subsystem[[:space:]]*00000002" <<<"$headers"'
check "zip: exe needs no runtime DLL beside it" '! grep -i "DLL Name: lib" <<<"$headers"'

# The version record: VS_FIXEDFILEINFO (after its signature 0xFEEF04BD) and
# the UTF-16 strings FileVersion and ProductVersion.
version_record() {
  perl -0777 -ne '
    /\xBD\x04\xEF\xFE/g or die "no version record\n";
    my ($struct, $fms, $fls, $pms, $pls) = unpack "V5", substr($_, pos);
    printf "%d.%d.%d.%d %d.%d.%d.%d", $fms >> 16, $fms & 0xFFFF, $fls >> 16, $fls & 0xFFFF,
      $pms >> 16, $pms & 0xFFFF, $pls >> 16, $pls & 0xFFFF;
    for my $key ("FileVersion", "ProductVersion") {
      my $k = join "", map { "$_\0" } split //, $key;
      /\Q$k\E\0\0(?:\0\0)?((?:[^\0]\0)*)\0\0/ or die "no $key\n";
      (my $value = $1) =~ s/\0//g;
      print " $value";
    }' "$1"
}
check "zip: exe's version record says ${version}" \
  'expect "$(version_record "$exe")" "${version}.0.0 ${version}.0.0 ${version} ${version}"'

readme=$work/zip/readme.txt
# crlf_only FILE: every line ends in CR LF, the last one too, and no CR stands elsewhere.
crlf_only() {
  local lines
  lines=$(wc -l <"$1")
  [[ -s $1 && $(tail -c1 "$1" | od -An -tx1) == " 0a" ]] &&
    [[ $(grep -c $'\r$' "$1") == "$lines" && $(tr -cd '\r' <"$1" | wc -c) == "$lines" ]]
}
check "zip: readme.txt is code page 932 text in Japanese" \
  'iconv -f CP932 -t UTF-8 "$readme" >/dev/null && LC_ALL=C grep -q -P "[\x80-\xFF]" "$readme"'
check "zip: readme.txt has CR LF line ends" 'crlf_only "$readme"'
check "zip: LICENSE.txt is LICENSE with CR LF line ends" \
  'crlf_only "$work/zip/LICENSE.txt" && tr -d "\r" <"$work/zip/LICENSE.txt" | cmp - LICENSE'
readme_lists_options() {
  local text option
  text=$(iconv -f CP932 -t UTF-8 "$readme" | tr -d '\r')
  grep -q "Quorvel ${version}" <<<"$text" || { echo "no version"; return 1; }
  for option in $help_options; do
    grep -q "^  $option " <<<"$text" || { echo "option $option is missing"; return 1; }
  done
}
check "zip: readme.txt names the version and every option" readme_lists_options

echo
echo "packages: $passed passed, $failed failed"
((failed == 0))
