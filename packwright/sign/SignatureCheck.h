// Checks the Authenticode signature of an installer's volume 0 with osslsigncode: that the
// signed bytes are unchanged and the signature over them is sound. Whether Windows trusts
// the signer is a matter of its certificate stores, not of the file: the certificates the
// signature carries are taken as trusted, so a signature by a self-made key checks too.
#pragma once
#include <string>

#include "packwright/examine/Verify.h"

SignatureFinding CheckSignature(const std::string& installerPath);
