#!/usr/bin/python3
"""Local FTP server for the Windows-side tests, with a command log and a control socket.

One account (and a second one, "<user>file" with the password "file", the same home), full
write access, active (PORT) and passive (PASV) data connections. Every FTP
command received is appended to the command log as one line, verbatim, so a test can tell
PORT from PASV and count logins. A second socket takes one-line commands from the tests:

    DOWN               close the FTP listening socket: new connections are refused
    UP                 listen again
    CLEAR              empty the command log
    PASSIVE-ONLY on    refuse PORT/EPRT with a 500 reply (off: accept them again)
    SLOW <seconds>     a slow host: each upload is confirmed that long after its data came
                       (SLOW 0: at once again)
    STALL on           the second address (--stall-host) accepts new connections and never
                       answers them, as a host that hangs does (off: it closes the connections
                       it hung on and serves FTP again)
    TRICKLE <seconds>  every address: new connections get a greeting that never ends, one more
                       line ("220-...") every that many seconds, as a host (or anyone on the
                       path) that keeps a connection alive without finishing (TRICKLE 0: the
                       connections held so are closed, and new ones are served again)
    CLOSE-AFTER <s>    every address: new connections get no greeting and are closed that many
                       seconds after they came, as a host that fails slowly (CLOSE-AFTER 0: the
                       connections held so are closed, and new ones are served again)
    REQUIRE-RESUME on  the TLS listeners refuse a protected data connection that does not
                       resume the control connection's TLS session (522), as many hosts do
    DROP               every control session open now (not those STALL, TRICKLE or CLOSE-AFTER
                       hold) is sent "421 Idle timeout: closing control connection." (over TLS
                       where it has TLS) and closed with its data connection, as a host that
                       ends idle sessions does; new sessions are served as before
    DROP-IN-STOR on    once: the next STOR closes its control and data connections as soon as
                       its first data has come, without a reply or a TLS goodbye, as a host that
                       fails mid-transfer (the partial file stays); off: disarmed again

With --tls-hosts the same account is also served over explicit TLS (AUTH TLS, RFC 4217) on
those addresses, port --port; TLS is required there before USER and on every data connection.
Each --tls-listener ADDRESS,CHAIN,KEY[,no-epsv] adds one more such address with a certificate
chain of its own (to try certificates that must be refused); "no-epsv" makes it answer EPSV
with 500, as older servers do, so that clients must use PASV.
Whether each protected data connection resumed the control connection's session goes to the
server's own output ("data TLS session resumed: yes/no").

Each command is answered "OK\\n" once it has taken effect, or "ERR <reason>\\n".
Runs until killed.
"""

import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.ioloop import Acceptor, AsyncChat, IOLoop
from pyftpdlib.servers import FTPServer

# A wrong password is answered after this delay; pyftpdlib's default of 3 s only slows tests.
AUTH_FAILED_DELAY_S = 0.2


class CommandLog:
    """Append-only log of received FTP commands, one line each, visible at once to readers."""

    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8", newline="\n")

    def write(self, line):
        self._file.write(line.rstrip("\r\n") + "\n")
        self._file.flush()

    def clear(self):
        # The file is opened in append mode, so later writes start at the new end.
        self._file.truncate(0)
        self._file.flush()


class Policy:
    """Behaviour switches the tests flip at run time."""

    def __init__(self):
        self.passive_only = False
        self.slow_s = 0.0
        self.stall = False
        self.trickle_s = 0.0
        self.close_after_s = 0.0
        self.require_resume = False
        self.drop_in_stor = False
        self.held = []  # connections the stall keeps silent

    def release_held(self):
        """A host that comes back drops the connections it hung on, as a restarted one does."""
        for handler in list(self.held):
            handler.close()
        self.held.clear()


def make_handler(authorizer, command_log, policy, stalling=False, tls_context=None,
                 epsv=True):
    """An FTPHandler class that logs every command and obeys the policy; a stalling one stays
    silent on the connections it accepts while the policy says so; with a TLS context, one that
    requires explicit TLS on the control and the data connections."""

    if tls_context is None:
        base_handler, base_dtp = FTPHandler, DTPHandler
    else:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        base_handler, base_dtp = TLS_FTPHandler, TLS_DTPHandler

    class SlowDTPHandler(base_dtp):
        """Confirms an upload (226) policy.slow_s after its data has all come."""

        _delayed = False

        def handle_close(self):
            if self.receive and policy.slow_s > 0 and not self._delayed:
                self._delayed = True
                self.del_channel()  # the closed socket must not wake the loop meanwhile
                self.ioloop.call_later(policy.slow_s, lambda: base_dtp.handle_close(self))
                return
            super().handle_close()

        # The ioloop calls handle_read_event (DTPHandler aliases it to its own handle_read).
        def handle_read_event(self):
            super().handle_read_event()
            if (policy.drop_in_stor and self.receive and self.cmd == "STOR" and
                    self.tot_bytes_received > 0 and not self._closed):
                policy.drop_in_stor = False
                logging.info("DROP-IN-STOR: closed %s:%s after %d bytes of %s",
                             self.cmd_channel.remote_ip, self.cmd_channel.remote_port,
                             self.tot_bytes_received, self.file_obj.name)
                # The plain closes, past any TLS shutdown: no 226, 426 or close_notify goes out.
                DTPHandler.close(self)
                FTPHandler.close(self.cmd_channel)

        def handle_ssl_established(self):
            from OpenSSL._util import lib
            resumed = bool(lib.SSL_session_reused(self.socket._ssl))
            logging.info("data TLS session resumed: %s", "yes" if resumed else "no")
            if policy.require_resume and not resumed:
                self.cmd_channel.respond("522 SSL connection failed: session reuse required")
                self.close()

    held = policy.held  # silent connections, kept open until the client gives up or STALL off

    class Handler(base_handler):
        def handle(self):
            if policy.close_after_s > 0:
                held.append(self)
                self.ioloop.call_later(policy.close_after_s, self.close)
                return
            if (stalling and policy.stall) or policy.trickle_s > 0:
                held.append(self)
                # A host that hangs or trickles holds on for as long as the client waits: the
                # handler's own idle limit (300 s) must not end it first.
                if self._idler is not None and not self._idler.cancelled:
                    self._idler.cancel()
                self._trickle_later()
                return
            super().handle()

        def _trickle_later(self):
            if policy.trickle_s > 0:
                self.ioloop.call_later(policy.trickle_s, self._trickle)

        def _trickle(self):
            if self in held and policy.trickle_s > 0:
                self.push("220-Still starting, please wait\r\n")  # the handler encodes text itself
                self._trickle_later()

        def handle_close(self):
            if self in held:
                held.remove(self)
            super().handle_close()

        def end_idle_session(self):
            """Says goodbye as a host whose idle limit has passed, and closes at once."""
            logging.info("DROP: closing %s:%s", self.remote_ip, self.remote_port)
            self.respond("421 Idle timeout: closing control connection.", logfun=logging.info)
            data = self.data_channel
            if data is not None:
                data.close()
                if not data._closed:
                    DTPHandler.close(data)  # its TLS shutdown could not go out at once
            self.close_when_done()
            if not self._closed:
                # The reply or the TLS shutdown could not all go out yet: the host does not wait.
                FTPHandler.close(self)

        def pre_process_command(self, line, cmd, arg):
            command_log.write(line)
            super().pre_process_command(line, cmd, arg)

        def ftp_PORT(self, line):
            if policy.passive_only:
                self.respond("500 Active mode is refused: use PASV.")
                return
            super().ftp_PORT(line)

        def ftp_EPSV(self, line):
            if not epsv:
                self.respond('500 Command "EPSV" not understood.')
                return
            super().ftp_EPSV(line)

        def ftp_EPRT(self, line):
            if policy.passive_only:
                self.respond("500 Active mode is refused: use EPSV.")
                return
            super().ftp_EPRT(line)

    Handler.dtp_handler = SlowDTPHandler
    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = AUTH_FAILED_DELAY_S
    Handler.banner = "Test FTP server ready."
    if tls_context is not None:
        Handler.ssl_context = tls_context
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    return Handler


def make_tls_context(certfile, keyfile):
    """TLS 1.2 or newer, with a session cache so that data connections can resume the control
    connection's session."""
    from OpenSSL import SSL
    context = SSL.Context(SSL.TLS_SERVER_METHOD)
    context.set_min_proto_version(SSL.TLS1_2_VERSION)
    context.use_certificate_chain_file(certfile)
    context.use_privatekey_file(keyfile)
    context.set_session_id(b"pellucor-ftpd")
    return context


class FtpListener:
    """The FTP listening socket, which the tests can take down and bring back."""

    def __init__(self, address, handler, ioloop):
        self._address = address
        self._handler = handler
        self._ioloop = ioloop
        self._server = None

    def up(self):
        if self._server is None:
            self._server = FTPServer(self._address, self._handler, ioloop=self._ioloop)

    def down(self):
        # Sessions already open carry on; only new connections are refused.
        if self._server is not None:
            self._server.close()
            self._server = None


class Commands:
    """Executes one control line and returns the reply text."""

    def __init__(self, listener, command_log, policy, ioloop):
        self._listener = listener
        self._log = command_log
        self._policy = policy
        self._ioloop = ioloop

    def _drop_sessions(self):
        sessions = [handler for handler in list(self._ioloop.socket_map.values())
                    if hasattr(handler, "end_idle_session") and not handler._closed and
                    handler not in self._policy.held]
        logging.info("DROP: %d control session(s) open", len(sessions))
        for session in sessions:
            try:
                session.end_idle_session()
            except Exception:  # the others must go all the same
                logging.exception("DROP: %s:%s", session.remote_ip, session.remote_port)
                FTPHandler.close(session)

    def run(self, line):
        words = line.split()
        if not words:
            return "ERR empty command"
        verb, args = words[0].upper(), [w.lower() for w in words[1:]]
        try:
            return self._dispatch(verb, args)
        except (OSError, ValueError) as error:
            return "ERR %s" % error

    def _dispatch(self, verb, args):
        if verb == "DOWN" and not args:
            self._listener.down()
        elif verb == "UP" and not args:
            self._listener.up()
        elif verb == "CLEAR" and not args:
            self._log.clear()
        elif verb == "PASSIVE-ONLY" and args in (["on"], ["off"]):
            self._policy.passive_only = args == ["on"]
        elif verb == "SLOW" and len(args) == 1:
            self._policy.slow_s = max(0.0, float(args[0]))
        elif verb == "STALL" and args in (["on"], ["off"]):
            self._policy.stall = args == ["on"]
            if not self._policy.stall:
                self._policy.release_held()
        elif verb == "TRICKLE" and len(args) == 1:
            self._policy.trickle_s = max(0.0, float(args[0]))
            if not self._policy.trickle_s:
                self._policy.release_held()
        elif verb == "CLOSE-AFTER" and len(args) == 1:
            self._policy.close_after_s = max(0.0, float(args[0]))
            if not self._policy.close_after_s:
                self._policy.release_held()
        elif verb == "REQUIRE-RESUME" and args in (["on"], ["off"]):
            self._policy.require_resume = args == ["on"]
        elif verb == "DROP" and not args:
            self._drop_sessions()
        elif verb == "DROP-IN-STOR" and args in (["on"], ["off"]):
            self._policy.drop_in_stor = args == ["on"]
        else:
            return "ERR unknown command"
        return "OK"


class ControlChannel(AsyncChat):
    """One control connection: reads lines, answers each one."""

    def __init__(self, sock, commands, ioloop):
        super().__init__(sock, ioloop=ioloop)
        self._commands = commands
        self._buffer = []
        self.set_terminator(b"\n")

    def collect_incoming_data(self, data):
        self._buffer.append(data)

    def found_terminator(self):
        line = b"".join(self._buffer).decode("ascii", "replace").strip()
        self._buffer = []
        reply = self._commands.run(line)
        logging.info("control: %r -> %s", line, reply)
        self.push((reply + "\n").encode("ascii"))

    def handle_close(self):
        self.close()


class ControlServer(Acceptor):
    """Listens for control connections."""

    def __init__(self, address, commands, ioloop):
        super().__init__(ioloop=ioloop)
        self._commands = commands
        self.bind_af_unspecified(address)
        self.listen(5)

    def handle_accepted(self, sock, addr):
        ControlChannel(sock, self._commands, self.ioloop)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="the account's home folder")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--log", required=True, help="command log file")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=21)
    parser.add_argument("--control-port", type=int, default=2121)
    parser.add_argument("--stall-host", help="a second address for the same server, which "
                        "STALL makes hang (port --port)")
    parser.add_argument("--tls-hosts", default="", help="comma-separated addresses that serve "
                        "explicit FTPS (port --port)")
    parser.add_argument("--tls-cert", help="the TLS listeners' certificate chain (PEM)")
    parser.add_argument("--tls-key", help="its private key (PEM)")
    parser.add_argument("--tls-listener", action="append", default=[],
                        metavar="ADDRESS,CHAIN,KEY[,no-epsv]",
                        help="one more FTPS address with a certificate chain of its own")
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s ftpd: %(message)s")
    os.makedirs(args.root, exist_ok=True)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    # A password that status texts hold as a word ("Web file not found"), for the history.
    authorizer.add_user(args.user + "file", "file", args.root, perm="elradfmwMT")
    command_log = CommandLog(args.log)
    policy = Policy()
    ioloop = IOLoop.instance()

    listener = FtpListener((args.host, args.port),
                           make_handler(authorizer, command_log, policy), ioloop)
    listener.up()
    if args.stall_host:
        FTPServer((args.stall_host, args.port),
                  make_handler(authorizer, command_log, policy, stalling=True), ioloop=ioloop)
    if args.tls_hosts:
        tls_handler = make_handler(authorizer, command_log, policy,
                                   tls_context=make_tls_context(args.tls_cert, args.tls_key))
        for tls_host in args.tls_hosts.split(","):
            FTPServer((tls_host, args.port), tls_handler, ioloop=ioloop)
    for listener_spec in args.tls_listener:
        address, chain, key, *flags = listener_spec.split(",")
        handler = make_handler(authorizer, command_log, policy,
                               tls_context=make_tls_context(chain, key),
                               epsv="no-epsv" not in flags)
        FTPServer((address, args.port), handler, ioloop=ioloop)
    ControlServer((args.host, args.control_port),
                  Commands(listener, command_log, policy, ioloop), ioloop)

    # The session script waits for this line before it reports the server as started.
    print("ftpd ready on %s:%d, control on %d" % (args.host, args.port, args.control_port),
          flush=True)
    ioloop.loop()


if __name__ == "__main__":
    main(sys.argv[1:])
