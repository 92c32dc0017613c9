#!/usr/bin/python3
"""Writes a self-signed certificate and its key for the TLS test servers.

usage: make_certificate.py CERT KEY [--expired]
--expired makes one whose validity ended a year ago (clients must still accept it).
"""
import sys

from OpenSSL import crypto


def main():
    cert_path, key_path = sys.argv[1], sys.argv[2]
    expired = "--expired" in sys.argv[3:]
    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.get_subject().CN = "127.0.0.1"
    cert.set_serial_number(1)
    year = 365 * 24 * 3600
    if expired:
        cert.gmtime_adj_notBefore(-2 * year)
        cert.gmtime_adj_notAfter(-year)
    else:
        cert.gmtime_adj_notBefore(-3600)
        cert.gmtime_adj_notAfter(10 * year)
    cert.set_issuer(cert.get_subject())
    cert.set_pubkey(key)
    cert.sign(key, "sha256")
    with open(cert_path, "wb") as f:
        f.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
    with open(key_path, "wb") as f:
        f.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
    return 0


if __name__ == "__main__":
    sys.exit(main())
