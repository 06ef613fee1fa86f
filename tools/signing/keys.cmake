# Test signing material, generated into the build tree at configure time and
# never committed. Included by the signature library (which builds the public
# key in) and by the demo packages (which are signed with it).
#
# Sets:
#   LUMACAST_SIGNING_DIR              folder of the generated material
#   LUMACAST_SIGNING_INCLUDE_DIR      folder of setup_public_key.h (Linux)
#   LUMACAST_SIGNING_KEY / _OTHER_KEY Ed25519 private keys: ours and a stranger's (Linux)
#   LUMACAST_SIGNING_CERT / _CERT_KEY code-signing leaf for LUMACAST_SETUP_PUBLISHER (Windows)
#   LUMACAST_SIGNING_OTHER_CERT / _OTHER_CERT_KEY a leaf of another publisher, same root (Windows)
#   LUMACAST_SIGNING_ROGUE_CERT / _ROGUE_CERT_KEY self-signed, with our publisher's name (Windows)
#   LUMACAST_SIGNING_ROOT_DER         the test root the test Wine prefix must trust (Windows)
#   LUMACAST_SIGNING_TLS_CERT / _TLS_KEY TLS server certificate for 127.0.0.1 from that root (Windows)
# Safe to include from several folders: material is only made when missing.

set(LUMACAST_SETUP_PUBLISHER "Brightvale Test Publisher" CACHE STRING
    "Subject name the setup package's Authenticode signer must carry (Windows)")
set(LUMACAST_SETUP_PUBKEY "" CACHE FILEPATH
    "PEM Ed25519 public key the setup package's signature trailer must verify against (Linux); empty = generated test key")
set(LUMACAST_SETUP_SIGNING_KEY "" CACHE FILEPATH
    "PEM private key matching LUMACAST_SETUP_PUBKEY, used to sign the demo package (Linux); empty = generated test key")

find_program(LUMACAST_OPENSSL openssl REQUIRED)
set(LUMACAST_SIGNING_DIR "${PROJECT_BINARY_DIR}/signing")
set(LUMACAST_SIGNING_INCLUDE_DIR "${LUMACAST_SIGNING_DIR}/include")
file(MAKE_DIRECTORY "${LUMACAST_SIGNING_DIR}" "${LUMACAST_SIGNING_INCLUDE_DIR}")

function(_lumacast_openssl)
  execute_process(COMMAND "${LUMACAST_OPENSSL}" ${ARGN}
                  WORKING_DIRECTORY "${LUMACAST_SIGNING_DIR}"
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "openssl ${ARGN} failed: ${error}")
  endif()
endfunction()

if(WIN32)
  set(_dir "${LUMACAST_SIGNING_DIR}")
  set(LUMACAST_SIGNING_ROOT_DER "${_dir}/test-root.der")
  set(LUMACAST_SIGNING_CERT "${_dir}/publisher.pem")
  set(LUMACAST_SIGNING_CERT_KEY "${_dir}/publisher.key")
  set(LUMACAST_SIGNING_OTHER_CERT "${_dir}/other-publisher.pem")
  set(LUMACAST_SIGNING_OTHER_CERT_KEY "${_dir}/other-publisher.key")
  if(NOT EXISTS "${_dir}/test-root.pem")
    _lumacast_openssl(req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650
      -keyout test-root.key -out test-root.pem -subj "/CN=LumaCast Test Root CA"
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign")
    _lumacast_openssl(x509 -in test-root.pem -outform DER -out test-root.der)
  endif()
  file(WRITE "${_dir}/leaf.ext"
    "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
    "extendedKeyUsage=codeSigning\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n")
  # A leaf is remade when the publisher name it must carry changes.
  # Right publisher name, but self-signed: must fail for want of a trusted root.
  set(LUMACAST_SIGNING_ROGUE_CERT "${_dir}/rogue-publisher.pem")
  set(LUMACAST_SIGNING_ROGUE_CERT_KEY "${_dir}/rogue-publisher.key")
  if(NOT EXISTS "${_dir}/rogue-publisher.pem")
    _lumacast_openssl(req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650
      -keyout rogue-publisher.key -out rogue-publisher.pem -subj "/CN=${LUMACAST_SETUP_PUBLISHER}"
      -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning")
  endif()
  # A TLS server leaf for the local test server, so that a test under Wine can
  # reach a secure address the prefix trusts. Wine's name check compares the
  # host only with DNS entries, so 127.0.0.1 is listed as a DNS name as well as
  # an IP address (which Windows and OpenSSL match).
  set(LUMACAST_SIGNING_TLS_CERT "${_dir}/tls-server.pem")
  set(LUMACAST_SIGNING_TLS_KEY "${_dir}/tls-server.key")
  set(_tls_ext "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
               "extendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost\n"
               "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n")
  string(CONCAT _tls_ext ${_tls_ext})
  set(_stamp "")
  if(EXISTS "${_dir}/tls-server.ext")
    file(READ "${_dir}/tls-server.ext" _stamp)
  endif()
  if(NOT EXISTS "${_dir}/tls-server.pem" OR NOT _stamp STREQUAL _tls_ext)
    file(WRITE "${_dir}/tls-server.ext" "${_tls_ext}")
    string(RANDOM LENGTH 12 ALPHABET 0123456789abcdef _serial)
    _lumacast_openssl(req -new -newkey rsa:2048 -nodes -keyout tls-server.key -out tls-server.csr -subj "/CN=127.0.0.1")
    _lumacast_openssl(x509 -req -in tls-server.csr -CA test-root.pem -CAkey test-root.key -sha256
      -set_serial 0x${_serial} -days 3650 -extfile tls-server.ext -out tls-server.pem)
  endif()
  foreach(leaf publisher other-publisher)
    if(leaf STREQUAL "publisher")
      set(_cn "${LUMACAST_SETUP_PUBLISHER}")
    else()
      set(_cn "Northwind Unrelated Software")
    endif()
    set(_stamp "")
    if(EXISTS "${_dir}/${leaf}.cn")
      file(READ "${_dir}/${leaf}.cn" _stamp)
    endif()
    if(NOT EXISTS "${_dir}/${leaf}.pem" OR NOT _stamp STREQUAL _cn)
      string(RANDOM LENGTH 12 ALPHABET 0123456789abcdef _serial)
      _lumacast_openssl(req -new -newkey rsa:2048 -nodes -keyout ${leaf}.key -out ${leaf}.csr -subj "/CN=${_cn}")
      _lumacast_openssl(x509 -req -in ${leaf}.csr -CA test-root.pem -CAkey test-root.key -sha256
        -set_serial 0x${_serial} -days 3650 -extfile leaf.ext -out ${leaf}.pem)
      file(WRITE "${_dir}/${leaf}.cn" "${_cn}")
    endif()
  endforeach()
else()
  set(LUMACAST_SIGNING_OTHER_KEY "${LUMACAST_SIGNING_DIR}/other-ed25519.pem")
  if(NOT EXISTS "${LUMACAST_SIGNING_OTHER_KEY}")
    _lumacast_openssl(genpkey -algorithm ed25519 -out other-ed25519.pem)
  endif()
  if(LUMACAST_SETUP_PUBKEY)
    set(_public "${LUMACAST_SETUP_PUBKEY}")
    set(LUMACAST_SIGNING_KEY "${LUMACAST_SETUP_SIGNING_KEY}")
    if(NOT LUMACAST_SIGNING_KEY)
      message(WARNING "LUMACAST_SETUP_PUBKEY is set without LUMACAST_SETUP_SIGNING_KEY: "
                      "the demo setup package will be signed with a test key the build does not accept")
      set(LUMACAST_SIGNING_KEY "${LUMACAST_SIGNING_OTHER_KEY}")
    endif()
  else()
    set(LUMACAST_SIGNING_KEY "${LUMACAST_SIGNING_DIR}/test-ed25519.pem")
    set(_public "${LUMACAST_SIGNING_DIR}/test-ed25519.pub.pem")
    if(NOT EXISTS "${LUMACAST_SIGNING_KEY}")
      _lumacast_openssl(genpkey -algorithm ed25519 -out test-ed25519.pem)
    endif()
    _lumacast_openssl(pkey -in test-ed25519.pem -pubout -out test-ed25519.pub.pem)
  endif()
  # The program carries the raw 32-byte key: the last 32 bytes of the DER form.
  _lumacast_openssl(pkey -pubin -in "${_public}" -outform DER -out "${LUMACAST_SIGNING_DIR}/setup-public.der")
  file(READ "${LUMACAST_SIGNING_DIR}/setup-public.der" _hex HEX)
  string(LENGTH "${_hex}" _length)
  if(NOT _length EQUAL 88)
    message(FATAL_ERROR "${_public} is not an Ed25519 public key")
  endif()
  string(SUBSTRING "${_hex}" 24 64 _raw)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " _bytes "${_raw}")
  file(CONFIGURE OUTPUT "${LUMACAST_SIGNING_INCLUDE_DIR}/setup_public_key.h" CONTENT
"// Generated at configure time from ${_public}; do not edit.
#pragma once
inline constexpr unsigned char kSetupPublicKey[32] = {${_bytes}};
" @ONLY)
endif()
