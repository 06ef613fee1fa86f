#!/usr/bin/env bash
# Turns the sources into signed installers, one per distribution channel:
#
#   scripts/release.sh [--build DIR] [--out DIR]
#                      [--sign-cert PEM --sign-key PEM [--sign-chain PEM]]
#                      [--timestamp URL] [--unsigned] CHANNEL...
#
# The Windows program is built once (in --build, default build/windows,
# configured with the "windows" preset when it is not configured yet); each
# channel's installer is those same objects linked with that channel's
# CHANNEL/138 resource, named LumaCastInstaller-<channel>.exe in --out
# (default build/release). Each is signed with Authenticode (SHA-256,
# description "LumaCast Setup", our web address), verified against the chain's
# root, its channel read back, and release.json lists them.
#
# Without --sign-* and without --unsigned the installers are signed with a
# development certificate made once under build/dev-signing: fine for trying
# the release out, never for shipping, and the manifest says so.
#
# Exit 0 when every channel was built, signed and verified; 2 for bad
# arguments (nothing is built); 1 when a step fails. Installers are made in a
# private folder and moved into --out only when all are done, release.json
# last: a folder with a release.json holds a complete release.
set -euo pipefail
export LC_ALL=C  # channel lengths and characters are counted in bytes

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
me=release.sh
read_resource="$root/tools/signing/read_pe_resource.py"
max_channel_bytes=64

usage() {
  sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "${BASH_SOURCE[0]}"
}
bad_usage() {
  echo "$me: $*" >&2
  echo "$me: see $me --help" >&2
  exit 2
}
fail() {
  echo "$me: $*" >&2
  exit 1
}
say() { echo "$me: $*" >&2; }

# --- Arguments ---------------------------------------------------------------
build="$root/build/windows"
out="$root/build/release"
sign_cert="" sign_key="" sign_chain="" timestamp="" unsigned=0
channels=()
while [ $# -gt 0 ]; do
  case "$1" in
    -h | --help) usage; exit 0 ;;
    --unsigned) unsigned=1; shift ;;
    --build | --out | --sign-cert | --sign-key | --sign-chain | --timestamp)
      [ $# -ge 2 ] && [ -n "$2" ] || bad_usage "$1 needs a value"
      case "$1" in
        --build) build=$2 ;;
        --out) out=$2 ;;
        --sign-cert) sign_cert=$2 ;;
        --sign-key) sign_key=$2 ;;
        --sign-chain) sign_chain=$2 ;;
        --timestamp) timestamp=$2 ;;
      esac
      shift 2 ;;
    --build=* | --out=* | --sign-cert=* | --sign-key=* | --sign-chain=* | --timestamp=*)
      set -- "${1%%=*}" "${1#*=}" "${@:2}" ;;
    --) shift; channels+=("$@"); break ;;
    -*) bad_usage "unknown option $1 (a channel that starts with - goes after --)" ;;
    *) channels+=("$1"); shift ;;
  esac
done

[ ${#channels[@]} -gt 0 ] || bad_usage "name at least one channel"
if [ $unsigned = 1 ] && [ -n "$sign_cert$sign_key$sign_chain$timestamp" ]; then
  bad_usage "--unsigned cannot be combined with --sign-* or --timestamp"
fi
if { [ -n "$sign_cert" ] && [ -z "$sign_key" ]; } || { [ -z "$sign_cert" ] && [ -n "$sign_key" ]; }; then
  bad_usage "--sign-cert and --sign-key go together"
fi
[ -z "$sign_chain" ] || [ -n "$sign_cert" ] || bad_usage "--sign-chain needs --sign-cert and --sign-key"
for file in "$sign_cert" "$sign_key" "$sign_chain"; do
  [ -z "$file" ] || [ -r "$file" ] || bad_usage "cannot read $file"
done

# A channel is stored in the program and becomes part of a file name: printable
# ASCII, 1 to 64 bytes, none of the characters Windows forbids in file names,
# and no two channels that would give the same file on Windows.
declare -A seen=()
for channel in "${channels[@]}"; do
  shown=$(printf '%q' "$channel")
  [ -n "$channel" ] || bad_usage "a channel is empty"
  [ ${#channel} -le $max_channel_bytes ] ||
    bad_usage "channel $shown is ${#channel} bytes long; at most $max_channel_bytes"
  [[ "$channel" =~ ^[\ -~]+$ ]] || bad_usage "channel $shown is not printable ASCII"
  case "$channel" in
    *[\\/:\*\?\"\<\>\|]*) bad_usage "channel $shown holds one of \\ / : * ? \" < > |, which no file name may" ;;
  esac
  key=${channel,,}
  [ -z "${seen[$key]:-}" ] || bad_usage "channel $shown is named twice (file names ignore case on Windows)"
  seen[$key]=1
done

for tool in cmake python3 flock sha256sum; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
if [ $unsigned = 0 ]; then
  for tool in openssl osslsigncode; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
  done
fi

build=$(realpath -m "$build")
out=$(realpath -m "$out")
scratch=$(mktemp -d)
work=""
trap 'rm -rf "$scratch" ${work:+"$work"}' EXIT
trap 'exit 130' INT TERM
log="$scratch/log"

# --- Signing material ----------------------------------------------------------
development=0
if [ $unsigned = 0 ] && [ -z "$sign_cert" ]; then
  development=1
  dev="$root/build/dev-signing"
  if [ ! -f "$dev/publisher.pem" ]; then
    say "making the development signing certificate in $dev"
    mkdir -p "$root/build"
    fresh=$(mktemp -d "$root/build/.dev-signing-XXXXXX")
    (
      cd "$fresh"
      openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -keyout root.key -out root.pem \
        -subj "/CN=LumaCast Development Root (not for release)" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
      printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
        "extendedKeyUsage=codeSigning" "subjectKeyIdentifier=hash" "authorityKeyIdentifier=keyid" >leaf.ext
      openssl req -new -newkey rsa:2048 -nodes -keyout publisher.key -out publisher.csr \
        -subj "/CN=LumaCast Development Publisher (not for release)"
      openssl x509 -req -in publisher.csr -CA root.pem -CAkey root.key -sha256 -set_serial 0x$(openssl rand -hex 8) \
        -days 3650 -extfile leaf.ext -out publisher.pem
    ) >"$log" 2>&1 || { rm -rf "$fresh"; cat "$log" >&2; fail "making the development certificate failed"; }
    rm -rf "$dev"
    mv "$fresh" "$dev"
  fi
  sign_cert="$dev/publisher.pem" sign_key="$dev/publisher.key" sign_chain="$dev/root.pem"
fi

loud_development_notice() {
  [ $development = 1 ] || return 0
  cat >&2 <<EOF
$me: ****************************************************************************
$me: *  SIGNED WITH THE DEVELOPMENT CERTIFICATE in build/dev-signing.            *
$me: *  No Windows trusts it: these installers are for trying the release out,  *
$me: *  NOT FOR SHIPPING. release.json marks them "development_certificate".    *
$me: *  Give --sign-cert, --sign-key and --sign-chain for a real release.        *
$me: ****************************************************************************
EOF
}

signer=""
if [ $unsigned = 0 ]; then
  loud_development_notice
  # Certificates of the cert and chain files, one per file, in order.
  mkdir "$scratch/certs"
  cat "$sign_cert" ${sign_chain:+"$sign_chain"} |
    awk -v dir="$scratch/certs" '/-----BEGIN CERTIFICATE-----/ { n++; f = sprintf("%s/%03d.pem", dir, n) }
                              f { print > f } /-----END CERTIFICATE-----/ { f = "" }'
  leaf="$scratch/certs/001.pem"
  [ -f "$leaf" ] || bad_usage "$sign_cert holds no PEM certificate"
  [ "$(openssl x509 -in "$leaf" -noout -pubkey 2>/dev/null)" = "$(openssl pkey -in "$sign_key" -pubout 2>/dev/null)" ] ||
    bad_usage "$sign_key is not the private key of the certificate in $sign_cert"
  signer=$(openssl x509 -in "$leaf" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
  signer_oneline=$(openssl x509 -in "$leaf" -noout -subject -nameopt compat | sed 's/^subject=//')
  # The signature carries the whole chain; verification trusts only its
  # root(s): the self-signed certificates among them.
  cat "$scratch"/certs/*.pem >"$scratch/signing-certs.pem"
  : >"$scratch/roots.pem"
  for cert in "$scratch"/certs/*.pem; do
    if [ "$(openssl x509 -in "$cert" -noout -subject)" = "$(openssl x509 -in "$cert" -noout -issuer | sed 's/^issuer=/subject=/')" ] &&
      openssl verify -CAfile "$cert" "$cert" >/dev/null 2>&1; then
      cat "$cert" >>"$scratch/roots.pem"
    fi
  done
  roots="$scratch/roots.pem"
  if [ ! -s "$roots" ]; then
    roots=/etc/ssl/certs/ca-certificates.crt
    say "the chain holds no root certificate: verifying against the system's trusted roots ($roots)"
  fi
fi

# --- Build folder --------------------------------------------------------------
mkdir -p "$build" "$out"
exec 9>"$build/.release.lock"
if ! flock -n 9; then
  say "another release is using $build; waiting for it"
  flock 9
fi

# Whatever this run ends with, the previous manifest no longer describes --out.
rm -f "$out/release.json"
work=$(mktemp -d "$out/.release-XXXXXX")

cache="$build/CMakeCache.txt"
cache_value() { sed -n "/^$1:/{s/^[^=]*=//p;q}" "$cache"; }
if [ ! -f "$cache" ]; then
  say "configuring $build with the windows preset"
  (cd "$root" && cmake --preset windows -B "$build") >"$log" 2>&1 ||
    { tail -n 30 "$log" >&2; fail "configuring $build failed"; }
fi
[ "$(realpath -m "$(cache_value CMAKE_HOME_DIRECTORY)")" = "$(realpath "$root")" ] ||
  bad_usage "$build is a build folder of $(cache_value CMAKE_HOME_DIRECTORY), not of $root"
case "$(cache_value CMAKE_TOOLCHAIN_FILE)" in
  *mingw-i686.cmake) ;;
  *) bad_usage "$build is not a Windows build folder (configure it with --preset windows)" ;;
esac
web_address="https://$(cache_value LUMACAST_WEB_HOST)/"
channel_file="$build/app/release/channel.txt"
linked="$build/app/release/LumaCastInstaller.exe"

# Links the release program for one channel. The first call compiles what
# needs compiling; later ones only compile the channel resource and relink.
link_channel() {
  mkdir -p "$(dirname "$channel_file")"
  printf '%s' "$1" >"$channel_file.new"
  if cmp -s "$channel_file.new" "$channel_file"; then
    rm -f "$channel_file.new"
  else
    mv -f "$channel_file.new" "$channel_file"
  fi
  cmake --build "$build" --target lumacast_installer_release >"$log" 2>&1 ||
    { tail -n 30 "$log" >&2; fail "building the installer for channel $(printf '%q' "$1") failed (see above)"; }
}

# True when the program's CHANNEL/138 resource holds exactly the channel.
channel_reads_back() {
  [ "$(python3 "$read_resource" "$1" CHANNEL 138; echo x)" = "${2}x" ]
}

# --- Per channel: link, sign, verify -------------------------------------------
mkdir "$work/unsigned" "$work/release"
manifest_args=()
say "building the Windows program in $build"
for channel in "${channels[@]}"; do
  shown=$(printf '%q' "$channel")
  name="LumaCastInstaller-$channel.exe"
  say "channel $shown: linking $name"
  link_channel "$channel"
  unsigned_file="$work/unsigned/$name"
  cp "$linked" "$unsigned_file"
  channel_reads_back "$unsigned_file" "$channel" || fail "$name: the linked program does not carry channel $shown"
  final="$work/release/$name"
  if [ $unsigned = 1 ]; then
    cp "$unsigned_file" "$final"
  else
    say "channel $shown: signing"
    osslsigncode sign -certs "$scratch/signing-certs.pem" -key "$sign_key" -h sha256 \
      -n "LumaCast Setup" -i "$web_address" ${timestamp:+-ts "$timestamp"} \
      -in "$unsigned_file" -out "$final" </dev/null >"$log" 2>&1 ||
      { cat "$log" >&2; fail "signing $name failed"; }
    verify=(osslsigncode verify -CAfile "$roots" -ignore-cdp -in "$final")
    [ -z "$timestamp" ] || verify+=(-TSA-CAfile /etc/ssl/certs/ca-certificates.crt)
    "${verify[@]}" </dev/null >"$log" 2>&1 || { cat "$log" >&2; fail "$name: the signature does not verify"; }
    grep -A 2 -F 'Signer #0:' "$log" | grep -x -F "$(printf '\t\tSubject: %s' "$signer_oneline")" >/dev/null ||
      { cat "$log" >&2; fail "$name: the verified signer is not $signer"; }
    channel_reads_back "$final" "$channel" || fail "$name: the signed program does not carry channel $shown"
  fi
  manifest_args+=("$channel" "$name" "$(stat -c %s "$final")"
                  "$(sha256sum <"$final" | cut -d' ' -f1)" "$(sha256sum <"$unsigned_file" | cut -d' ' -f1)")
done

# --- Publish -------------------------------------------------------------------
for channel in "${channels[@]}"; do
  mv -f "$work/release/LumaCastInstaller-$channel.exe" "$out/"
done
python3 - "$out/release.json" "$signer" "$development" "${manifest_args[@]}" <<'EOF' || fail "writing release.json failed"
import json, os, sys
path, signer, development, rest = sys.argv[1], sys.argv[2], sys.argv[3] == "1", sys.argv[4:]
entries = []
for i in range(0, len(rest), 5):
    channel, name, size, digest, unsigned_digest = rest[i:i + 5]
    entries.append({"channel": channel, "file": name, "size": int(size), "sha256": digest,
                    "unsigned_sha256": unsigned_digest, "signer": signer or None,
                    "development_certificate": development})
with open(path + ".tmp", "w", encoding="ascii") as f:
    json.dump(entries, f, indent=2)
    f.write("\n")
os.replace(path + ".tmp", path)
EOF

for channel in "${channels[@]}"; do
  echo "$out/LumaCastInstaller-$channel.exe"
done
echo "$out/release.json"
if [ $unsigned = 1 ]; then
  say "${#channels[@]} unsigned installer(s) in $out"
else
  say "${#channels[@]} installer(s) signed by $signer and verified, in $out"
  loud_development_notice
fi
