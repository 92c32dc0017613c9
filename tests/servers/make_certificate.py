#!/usr/bin/python3
"""usage: make_certificate.py CERT KEY [--expired]: a self-signed certificate for 127.0.0.1.
--expired makes one whose validity ended a year ago (clients must still accept it)."""
import sys

from OpenSSL import crypto

key = crypto.PKey()
key.generate_key(crypto.TYPE_RSA, 2048)
cert = crypto.X509()
cert.get_subject().CN = "127.0.0.1"
cert.set_serial_number(1)
year = 365 * 24 * 3600
expired = "--expired" in sys.argv[3:]
cert.gmtime_adj_notBefore(-2 * year if expired else -3600)
cert.gmtime_adj_notAfter(-year if expired else 10 * year)
cert.set_issuer(cert.get_subject())
cert.set_pubkey(key)
cert.sign(key, "sha256")
with open(sys.argv[1], "wb") as f:
    f.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
with open(sys.argv[2], "wb") as f:
    f.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
