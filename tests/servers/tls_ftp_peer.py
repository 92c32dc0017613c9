#!/usr/bin/python3
"""A small FTP server over explicit TLS that records every command it receives, for the trust
tests: what a client sent before and after a certificate question, and data connections that
present another certificate than the control connection.

usage: tls_ftp_peer.py --port-file FILE --record FILE --cert PREFIX [--cert PREFIX...]
                       [--data-cert PREFIX]

Connections are served one after the other; the n-th gets the n-th --cert (PREFIX-cert.pem and
PREFIX-key.pem), the last one repeating. Data connections present --data-cert when given.
Each command line is appended to the record file as it arrives. Any user and password log on;
RETR and LIST send "hello\\r\\n". Exits on SIGTERM.
"""
import argparse, os, signal, socket, ssl, sys


def context(prefix):
    made = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    made.load_cert_chain(prefix + "-cert.pem", prefix + "-key.pem")
    return made


class Session:
    def __init__(self, sock, control, data, record):
        self.sock, self.control, self.data, self.record = sock, control, data, record
        self.reader = sock.makefile("rb")
        self.passive = None

    def send(self, line):
        self.sock.sendall(line.encode() + b"\r\n")

    def secure(self):
        self.reader.close()
        self.sock = self.control.wrap_socket(self.sock, server_side=True)
        self.reader = self.sock.makefile("rb")

    def transfer(self):
        self.send("150 Here it comes.")
        try:
            conn, _ = self.passive.accept()
            conn.settimeout(30)
            if isinstance(self.sock, ssl.SSLSocket):
                conn = self.data.wrap_socket(conn, server_side=True)
            conn.sendall(b"hello\r\n")
            conn.close()
            self.send("226 Done.")
        except (OSError, ssl.SSLError):
            self.send("426 The data connection failed.")

    def serve(self):
        self.send("220 TLS peer ready.")
        # The reader changes once TLS starts.
        while raw := self.reader.readline():
            line = raw.decode("latin-1").rstrip("\r\n")
            with open(self.record, "a") as f:
                f.write(line + "\n")
            verb = line.split(" ")[0].upper()
            if verb == "AUTH":
                self.send("234 Go ahead.")
                self.secure()
            elif verb == "USER":
                self.send("331 Password, please.")
            elif verb == "PASS":
                self.send("230 Logged on.")
            elif verb in ("PBSZ", "PROT", "TYPE", "CWD"):
                self.send("200 OK.")
            elif verb == "PWD":
                self.send('257 "/" is the current folder.')
            elif verb == "PASV":
                self.passive = socket.create_server(("127.0.0.1", 0))
                self.passive.settimeout(30)
                port = self.passive.getsockname()[1]
                self.send("227 Entering Passive Mode (127,0,0,1,%d,%d)." % (port // 256, port % 256))
            elif verb in ("RETR", "LIST", "MLSD", "NLST") and self.passive:
                self.transfer()
            elif verb == "QUIT":
                self.send("221 Bye.")
                return
            else:
                self.send("502 Not here.")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--record", required=True)
    ap.add_argument("--cert", action="append", required=True)
    ap.add_argument("--data-cert")
    a = ap.parse_args()
    contexts = [context(prefix) for prefix in a.cert]
    data = context(a.data_cert) if a.data_cert else None
    server = socket.create_server(("127.0.0.1", 0))
    with open(a.port_file + ".tmp", "w") as f:
        f.write("%d\n" % server.getsockname()[1])
    os.replace(a.port_file + ".tmp", a.port_file)
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(0))
    for served in range(1 << 30):
        sock, _ = server.accept()
        sock.settimeout(30)
        control = contexts[min(served, len(contexts) - 1)]
        session = Session(sock, control, data or control, a.record)
        try:
            session.serve()
        except (OSError, ssl.SSLError):
            pass  # the client left, or refused the certificate
        session.sock.close()


if __name__ == "__main__":
    main()
