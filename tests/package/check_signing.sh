#!/bin/bash
# Signs a release with a throwaway certificate authority and code-signing certificate:
# builds the win32 product signed twice, each from a new build folder, checks every
# payload (taken from the setup's resources and inflated) and the setup against that
# authority with osslsigncode, and that the two signed setups are identical. Then checks
# that a wrong password leaves no program behind.
# usage: check_signing.sh [source folder, default: this repository]
set -u
src=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

result() {  # result <name> <command...>
  local name=$1; shift
  if "$@"; then
    echo "PASS $name"; passed=$((passed + 1))
  else
    echo "FAIL $name"; failed=$((failed + 1))
  fi
}

make_certificates() {
  cat >"$work/leaf.cnf" <<'CNF'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
CNF
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" -days 7 \
      -subj "/CN=Sorvane Test Authority" -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign,cRLSign &&
    openssl req -newkey rsa:2048 -nodes -keyout "$work/leaf.key" -out "$work/leaf.csr" \
      -subj "/CN=Sorvane Test Publisher" &&
    openssl x509 -req -in "$work/leaf.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
      -CAcreateserial -days 7 -extfile "$work/leaf.cnf" -out "$work/leaf.pem" &&
    openssl pkcs12 -export -inkey "$work/leaf.key" -in "$work/leaf.pem" \
      -out "$work/publisher.pfx" -passout "pass:$SORVANE_SIGN_PASSWORD"
} >"$work/certificates.log" 2>&1

build() {
  local dir=$work/$1
  if cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
       -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/$1.log" 2>&1 &&
     cmake --build "$dir" --target sorvane_setup >>"$work/$1.log" 2>&1 &&
     [ -f "$dir/app/sorvane_setup.exe" ]; then
    return 0
  fi
  tail -n 20 "$work/$1.log" >&2
  return 1
}

verify() {  # verify <program>
  osslsigncode verify -CAfile "$work/ca.pem" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; return 1; }
  grep -q "Message digest algorithm  *: SHA256" "$work/verify.log"
}

# Writes the six payloads of setup $1 into folder $2 as 101.exe .. 106.exe.
extract_payloads() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys, zlib, pefile
pe = pefile.PE(sys.argv[1])
for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    if rtype.id != 10:
        continue
    for name in rtype.directory.entries:
        if 101 <= (name.id or 0) <= 106:
            entry = name.directory.entries[0].data.struct
            data = zlib.decompress(pe.get_data(entry.OffsetToData, entry.Size))
            with open(f"{sys.argv[2]}/{name.id}.exe", "wb") as f:
                f.write(data)
PY
}

export SORVANE_SIGN_PASSWORD='test pass "quoted" $word'
export SORVANE_SIGN_PFX=$work/publisher.pfx
export SORVANE_SIGN_TIME=$(date +%s)
result "throwaway authority and code-signing certificate" make_certificates
result "first signed win32 build" build first
result "second signed win32 build" build second-build
setup=$work/first/app/sorvane_setup.exe
result "the setup verifies against the authority, SHA-256" verify "$setup"
mkdir -p "$work/payloads"
extract_payloads "$setup" "$work/payloads"
for id in 101 102 103 104 105 106; do
  result "payload $id, inflated, verifies against the authority" verify "$work/payloads/$id.exe"
done
result "the two signed sorvane_setup.exe are identical" \
  cmp "$setup" "$work/second-build/app/sorvane_setup.exe"

# A wrong password: the step fails, says why, and leaves no program in the output's place.
cp "$work/first/payloads/bin/tessen.exe" "$work/unsigned.exe"
wrong() {
  SORVANE_SIGN_PASSWORD=wrong /usr/bin/python3 "$src/tools/sign_program.py" \
    --pfx "$SORVANE_SIGN_PFX" "$@" 2>"$work/wrong.log"
}
refused() {  # refused <program that must be gone> <arguments...>
  local gone=$1; shift
  ! wrong "$@" && [ ! -e "$gone" ] && [ ! -e "$gone.signing" ] && grep -q password "$work/wrong.log"
}
cp "$work/unsigned.exe" "$work/stale.exe"
result "a wrong password fails and leaves no signed copy" \
  refused "$work/stale.exe" "$work/unsigned.exe" "$work/stale.exe"
cp "$work/unsigned.exe" "$work/setup.exe"
result "a wrong password leaves no unsigned program signed in place" \
  refused "$work/setup.exe" --in-place "$work/setup.exe"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
