#!/usr/bin/python3
"""A second SFTP server for the tests, built on Paramiko rather than OpenSSH: it offers no
posix-rename (only Paramiko's check-file extension), and its plain rename never replaces a file,
as SFTP version 3 says. One account, password log-in only, one ECDSA host key; files live under
one folder, reached by the same absolute paths as on the OpenSSH server. Opening a file whose
name holds "stall" makes that connection go silent for good: it still takes what the
client sends and never answers again (a host that hangs after log-in, the connection still up).
Opening a file whose name holds "dropwrite" for writing makes that connection close, without a
word, at its first write to it (a host that fails mid-upload); only the first time that exact
name is opened in the server's life, so that a client's retry with the same name succeeds.
SIGUSR1 closes every SSH connection it serves, as a host that drops them does, and then writes
"dropped N connection(s)" to standard output; new connections are served as before.

It can also hold listeners that never accept a connection (their backlog full), for a name
whose every address stays silent, and listeners that accept each connection, say nothing and
close it a few seconds later, as a host that fails slowly.

Each log-in attempt is written to standard output ("auth METHOD USER accepted|refused").
"""

import argparse
import os
import pwd
import signal
import socket
import sys
import threading
import time

import paramiko
from paramiko import SFTPAttributes, SFTPHandle, SFTPServer, SFTPServerInterface
from paramiko.sftp import SFTP_FAILURE, SFTP_NO_SUCH_FILE, SFTP_OK, SFTP_PERMISSION_DENIED


def log(text):
    print(text, flush=True)


class SilencingSocket:
    """The connection's socket as Paramiko sees it; once silenced, what Paramiko sends is
    dropped and what arrives is read and dropped, until the client closes. It can also end the
    connection at once."""

    def __init__(self, sock):
        self._sock = sock
        self.silenced = threading.Event()
        self.transport = None

    def drop(self):
        """Ends the connection without an SSH goodbye; the shutdown sends the FIN at once, even
        while Paramiko's thread still reads from the socket."""
        try:
            self._sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass  # the client went first
        self.transport.close()

    def send(self, data):
        if self.silenced.is_set():
            return len(data)
        return self._sock.send(data)

    def recv(self, size):
        while True:
            data = self._sock.recv(size)
            if not data or not self.silenced.is_set():
                return data

    def __getattr__(self, name):
        return getattr(self._sock, name)


class Account(paramiko.ServerInterface):
    def __init__(self, options, connection):
        self.options = options
        self.connection = connection

    def get_allowed_auths(self, username):
        return "password"

    def check_auth_none(self, username):
        log("auth none %s refused" % username)
        return paramiko.AUTH_FAILED

    def check_auth_password(self, username, password):
        ok = username == self.options.user and password == self.options.password
        log("auth password %s %s" % (username, "accepted" if ok else "refused"))
        return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        if kind == "session":
            return paramiko.OPEN_SUCCEEDED
        return paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


def sftp_error(error):
    return SFTPServer.convert_errno(error.errno)


class Connections:
    """The connections being served, and the "dropwrite" names opened so far."""

    def __init__(self):
        self._lock = threading.Lock()
        self._live = set()
        self._dropwrite_names = set()

    def add(self, connection):
        with self._lock:
            self._live.add(connection)

    def remove(self, connection):
        with self._lock:
            self._live.discard(connection)

    def drop_all(self, *_signal):
        with self._lock:
            live = list(self._live)
        for connection in live:
            connection.drop()
        log("dropped %d connection(s)" % len(live))

    def first_open(self, name):
        """True the first time the name comes."""
        with self._lock:
            first = name not in self._dropwrite_names
            self._dropwrite_names.add(name)
            return first


CONNECTIONS = Connections()


class Handle(SFTPHandle):
    connection = None  # set where the first write is to drop the connection

    def write(self, offset, data):
        if self.connection is not None:
            log("dropwrite: dropped the connection at the first write to %s" % self.filename)
            self.connection.drop()
            return SFTP_FAILURE  # never reaches the client
        return super().write(offset, data)

    def stat(self):
        try:
            return SFTPAttributes.from_stat(os.fstat((self.readfile or self.writefile).fileno()))
        except OSError as error:
            return sftp_error(error)

    def chattr(self, attr):
        try:
            if attr.st_mode is not None:
                os.chmod(self.filename, attr.st_mode & 0o7777)
            return SFTP_OK
        except OSError as error:
            return sftp_error(error)


class Files(SFTPServerInterface):
    """The file system under the root folder, by the absolute paths clients give."""

    def __init__(self, account, *args, **kwargs):
        super().__init__(account, *args, **kwargs)
        self.account = account
        self.root = os.path.realpath(account.options.root)

    def local(self, path):
        full = os.path.realpath(os.path.join(self.root, path))
        if full != self.root and not full.startswith(self.root + "/"):
            raise PermissionError(13, "outside the root")
        return full

    def canonicalize(self, path):
        return self.local(path if path.startswith("/") else os.path.join(self.root, path))

    def list_folder(self, path):
        try:
            folder = self.local(path)
            return [SFTPAttributes.from_stat(os.lstat(os.path.join(folder, name)), name)
                    for name in os.listdir(folder)]
        except OSError as error:
            return sftp_error(error)

    def stat(self, path):
        try:
            return SFTPAttributes.from_stat(os.stat(self.local(path)))
        except OSError as error:
            return sftp_error(error)

    lstat = stat

    def open(self, path, flags, attr):
        try:
            full = self.local(path)
            if "stall" in os.path.basename(full):
                self.account.connection.silenced.set()
                return SFTP_FAILURE  # never reaches the client
            mode = attr.st_mode if attr is not None and attr.st_mode is not None else 0o666
            descriptor = os.open(full, flags | getattr(os, "O_BINARY", 0), mode & 0o7777)
            handle = Handle(flags)
            handle.filename = full
            access = flags & (os.O_WRONLY | os.O_RDWR)
            if (access and "dropwrite" in os.path.basename(full) and
                    CONNECTIONS.first_open(full)):
                handle.connection = self.account.connection
            handle.readfile = handle.writefile = os.fdopen(
                descriptor, "rb" if access == os.O_RDONLY else ("r+b" if access else "wb"))
            if access == os.O_WRONLY:
                handle.readfile = None
            return handle
        except OSError as error:
            return sftp_error(error)

    def remove(self, path):
        try:
            os.remove(self.local(path))
            return SFTP_OK
        except OSError as error:
            return sftp_error(error)

    def rename(self, oldpath, newpath):
        try:
            old, new = self.local(oldpath), self.local(newpath)
            if not os.path.lexists(old):
                return SFTP_NO_SUCH_FILE
            if os.path.lexists(new):
                return SFTP_FAILURE  # version 3: never over a file that exists
            os.rename(old, new)
            return SFTP_OK
        except OSError as error:
            return sftp_error(error)

    def chattr(self, path, attr):
        try:
            if attr.st_mode is not None:
                os.chmod(self.local(path), attr.st_mode & 0o7777)
            return SFTP_OK
        except OSError as error:
            return sftp_error(error)

    def mkdir(self, path, attr):
        try:
            os.mkdir(self.local(path))
            return SFTP_OK
        except OSError as error:
            return sftp_error(error)

    def rmdir(self, path):
        try:
            os.rmdir(self.local(path))
            return SFTP_OK
        except OSError as error:
            return sftp_error(error)


def serve_connection(client, host_key, options):
    connection = SilencingSocket(client)
    transport = paramiko.Transport(connection)
    connection.transport = transport
    CONNECTIONS.add(connection)
    transport.add_server_key(host_key)
    transport.set_subsystem_handler("sftp", SFTPServer, Files)
    try:
        transport.start_server(server=Account(options, connection))
        while transport.is_active():
            time.sleep(0.2)
    except Exception as error:  # a client that went away mid-way: the next one is served
        log("connection ended: %r" % error)
    finally:
        CONNECTIONS.remove(connection)
        transport.close()


def hold_silent(address):
    """A listener whose backlog is full: a further connect is never answered."""
    host, port = address.rsplit(":", 1)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((host, int(port)))
    listener.listen(0)
    fillers = []
    for _ in range(64):
        filler = socket.socket()
        filler.settimeout(0.3)
        try:
            filler.connect((host, int(port)))
        except OSError:
            filler.close()
            break  # this one was not answered: the backlog is full
        fillers.append(filler)
    return listener, fillers


def close_later(address, after_s):
    """A listener that takes each connection and closes it `after_s` seconds later, silent."""
    host, port = address.rsplit(":", 1)
    listener = socket.create_server((host, int(port)))

    def serve():
        while True:
            threading.Timer(after_s, listener.accept()[0].close).start()

    threading.Thread(target=serve, daemon=True).start()
    return listener


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--host-key", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--run-as", help="the account whose rights the server works with")
    parser.add_argument("--silent", action="append", default=[], metavar="ADDRESS:PORT")
    parser.add_argument("--closing", action="append", default=[], metavar="ADDRESS:PORT")
    options = parser.parse_args()

    host_key = paramiko.ECDSAKey.from_private_key_file(options.host_key)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((options.host, options.port))
    listener.listen(16)
    silent = [hold_silent(address) for address in options.silent]  # held while the server runs
    closing = [close_later(address, 3.0) for address in options.closing]
    if options.run_as:
        account = pwd.getpwnam(options.run_as)
        os.setgroups([])
        os.setgid(account.pw_gid)
        os.setuid(account.pw_uid)
    signal.signal(signal.SIGUSR1, CONNECTIONS.drop_all)
    log("sftpd ready on %s:%d" % (options.host, options.port))
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve_connection, args=(client, host_key, options),
                         daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
