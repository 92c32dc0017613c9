#!/usr/bin/python3
"""Certificates for the TLS tests (needs python3-cryptography).

usage: make_certificate.py ca CERT KEY [--fingerprint FILE]
       make_certificate.py leaf CERT KEY --ca CA_CERT CA_KEY [--san LIST] [--expired] [...]
       make_certificate.py self-signed CERT KEY [--san LIST] [--expired] [--fingerprint FILE]

ca: the tests' private certificate authority; the test processes trust it through SSL_CERT_FILE.
leaf: a server certificate signed by that authority. --san lists its names and addresses
("IP:127.0.0.1,DNS:localhost"; default IP:127.0.0.1, IP:::1 and DNS:localhost). --expired makes
one whose validity ended a year ago. --fingerprint writes the certificate's SHA-256 fingerprint
to FILE as upper-case hex pairs joined by ':'. Every key is a new one, so every certificate has a
fingerprint of its own.
"""
import argparse, datetime, ipaddress

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.x509.oid import NameOID


def names(text):
    entries = []
    for item in filter(None, text.split(",")):
        kind, value = item.split(":", 1)
        entries.append(x509.IPAddress(ipaddress.ip_address(value)) if kind == "IP"
                       else x509.DNSName(value))
    return entries


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kind", choices=["ca", "leaf", "self-signed"])
    ap.add_argument("cert")
    ap.add_argument("key")
    ap.add_argument("--ca", nargs=2, metavar=("CA_CERT", "CA_KEY"))
    ap.add_argument("--san", default="IP:127.0.0.1,IP:::1,DNS:localhost")
    ap.add_argument("--expired", action="store_true")
    ap.add_argument("--fingerprint")
    a = ap.parse_args()

    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    ca = a.kind == "ca"
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME,
                                            "BrindleFTP Test CA" if ca else "127.0.0.1")])
    issuer, signer = subject, key
    if a.kind == "leaf":
        with open(a.ca[0], "rb") as f:
            issuer = x509.load_pem_x509_certificate(f.read()).subject
        with open(a.ca[1], "rb") as f:
            signer = serialization.load_pem_private_key(f.read(), None)
    now = datetime.datetime.utcnow()
    year = datetime.timedelta(days=365)
    builder = (x509.CertificateBuilder()
               .subject_name(subject).issuer_name(issuer).public_key(key.public_key())
               .serial_number(x509.random_serial_number())
               .not_valid_before(now - 2 * year if a.expired else now - datetime.timedelta(hours=1))
               .not_valid_after(now - year if a.expired else now + 10 * year)
               .add_extension(x509.BasicConstraints(ca=ca, path_length=None), critical=True))
    if not ca:
        builder = builder.add_extension(x509.SubjectAlternativeName(names(a.san)), critical=False)
    cert = builder.sign(signer, hashes.SHA256())
    with open(a.key, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM,
                                  serialization.PrivateFormat.TraditionalOpenSSL,
                                  serialization.NoEncryption()))
    if a.fingerprint:
        with open(a.fingerprint, "w") as f:
            f.write(cert.fingerprint(hashes.SHA256()).hex(":").upper())
    with open(a.cert, "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))


if __name__ == "__main__":
    main()
