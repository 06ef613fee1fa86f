// VerifySetupSignature: is the downloaded setup package really ours?
//
// The installer runs with administrator rights and fetches the package over a
// network it does not control, one mirror being plain HTTP. Size and header
// checks only catch accidents; this check catches a substituted program.
//
// Windows: the file must carry an Authenticode signature that chains to a
// trusted root (no UI, no network revocation fetch) and whose leaf signer's
// simple subject name equals the build's publisher name.
// Linux: the file must end with the LumaCast signature trailer: a 64-byte
// Ed25519 signature over every byte before it, then the 16-byte magic
// "LUMACAST-SIG-V1\0"; the key is the public key built into the program.
//
// `native_handle` is an open HANDLE (Windows) or descriptor (Linux) of the
// file, held by the caller so the file cannot be replaced; the content is read
// only through it (the path is handed to the system verifier as a name only).
// Safe on any thread; blocking (reads the whole file).
//
// Returns 0 when the package is ours, otherwise the verifier's own code (see
// trust_codes.h: the code WinVerifyTrust or the chain gave; Linux maps its
// trailer failures onto the same codes). On failure `failure_detail`, when
// given, receives a short English reason.
#pragma once

#include <cstdint>
#include <string>

#include "app/trust/trust_codes.h"

int32_t VerifySetupSignature(const std::wstring& path, intptr_t native_handle, std::wstring* failure_detail);
