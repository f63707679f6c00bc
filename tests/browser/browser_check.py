#!/usr/bin/env python3
"""Opens the pages Qel published in a real browser, headless Chromium, as a visitor of the web
host sees them. The FTP server's folder is served over HTTP on 127.0.0.1; each page is printed
(its title, the device block's lines one under the other) and left open in a browser of its own
(it must reload within its refresh time plus a margin, or not at all when it has no refresh).

    browser_check.py BUILD_DIR

The pages come from browser_pages in BUILD_DIR's Wine session. PDFs and browser logs stay in
BUILD_DIR/browser-check/ for a look after a failure. Exit code 77: Chromium or poppler-utils is
not installed.
"""

import functools
import http.server
import os
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time
from dataclasses import dataclass
from pathlib import Path

SKIP = 77
FOLDER = "browser"  # on the FTP server, where browser_pages uploads
LINES = ["Tank monitor", "Reading 7", "Temperature 21 C"]


@dataclass(frozen=True)
class Page:
    name: str
    title: str
    refresh: int  # seconds; 0 when the page carries no refresh


PAGES = [
    Page("refresh-2.html", "Tank 7 (refresh 2)", 2),
    Page("refresh-0.html", "Tank 7 (refresh 0)", 0),
    Page("refresh-none.html", "Tank 7 (no refresh)", 0),
]

# A reload may come this much after the refresh time, and no earlier than a timer's slack before
# it. A page without refresh is watched for as long as the refreshing page was given.
MARGIN = 2.5
EARLY = 0.2
WATCH = max(page.refresh for page in PAGES) + MARGIN
FIRST_LOAD_DEADLINE = 20.0
PRINT_DEADLINE = 30.0

TOOLS = {"chromium": "chromium", "pdfinfo": "poppler-utils", "pdftotext": "poppler-utils"}


def session_value(build_dir: Path, name: str) -> str:
    """A variable of the session.env file that wine-session wrote."""
    env_file = build_dir / "wine" / "session.env"
    for line in env_file.read_text().splitlines():
        words = shlex.split(line, comments=True)
        if len(words) == 2 and words[0] == "export" and words[1].startswith(name + "="):
            return words[1][len(name) + 1 :]
    raise SystemExit(f"browser_check: {name} missing from {env_file}")


class Requests:
    """The GET requests the HTTP server received: arrival time and path, in order."""

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._seen: list[tuple[float, str]] = []

    def add(self, path: str) -> None:
        with self._lock:
            self._seen.append((time.monotonic(), path))

    def times(self, path: str) -> list[float]:
        with self._lock:
            return [when for when, seen in self._seen if seen == path]

    def report(self, since: float, limit: int = 20) -> str:
        with self._lock:
            seen = [(when, path) for when, path in self._seen if path.endswith("?watch")]
        lines = [f"  +{when - since:6.2f} s GET {path}" for when, path in seen[:limit]]
        if len(seen) > limit:
            lines.append(f"  ... {len(seen) - limit} more")
        return "\n".join(lines)


def serve(folder: Path, requests: Requests) -> http.server.ThreadingHTTPServer:
    class Handler(http.server.SimpleHTTPRequestHandler):
        def do_GET(self) -> None:
            requests.add(self.path)
            super().do_GET()

        def log_message(self, *args) -> None:
            pass

    class Server(http.server.ThreadingHTTPServer):
        def handle_error(self, request, client_address) -> None:
            # A browser that is stopped, or reloads at once, drops connections mid-reply.
            if not isinstance(sys.exc_info()[1], ConnectionError):
                super().handle_error(request, client_address)

    server = Server(("127.0.0.1", 0), functools.partial(Handler, directory=str(folder)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Browsers:
    """Headless Chromium processes, each in a process group of its own with a throwaway profile;
    none outlives the check."""

    def __init__(self, work: Path) -> None:
        self.work = work
        self.profiles = work / "profiles"
        self.env = dict(os.environ, HOME=str(work))
        self.running: list[subprocess.Popen] = []

    def start(self, name: str, *args: str) -> subprocess.Popen:
        # Nothing but the pages: no first-run work, no background traffic off this machine.
        command = ["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                   f"--user-data-dir={self.profiles / name}", "--no-first-run",
                   "--no-default-browser-check", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync", *args]
        with open(self.work / f"{name}.log", "wb") as log:
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT, env=self.env,
                                       start_new_session=True)
        self.running.append(process)
        return process

    @staticmethod
    def stop(process: subprocess.Popen) -> None:
        for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                pass
            try:
                process.wait(grace)
                return
            except subprocess.TimeoutExpired:
                continue

    def leftovers(self) -> list[int]:
        """Processes still using one of our profiles (a helper that left the process group)."""
        marker = str(self.profiles).encode()
        found = []
        for entry in Path("/proc").iterdir():
            if entry.name.isdigit():
                try:
                    if marker in (entry / "cmdline").read_bytes():
                        found.append(int(entry.name))
                except OSError:
                    pass
        return found

    def stop_all(self) -> None:
        for process in self.running:
            self.stop(process)
        deadline = time.monotonic() + 5
        while (pids := self.leftovers()) and time.monotonic() < deadline:
            time.sleep(0.05)
        for pid in pids:
            print(f"browser_check: killing leftover browser process {pid}")
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.profiles, ignore_errors=True)


def run(command: list[str]) -> str:
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def check_printout(browsers: Browsers, base: str, page: Page) -> list[str]:
    """Title and lines of the page as Chromium prints it."""
    pdf = browsers.work / (page.name + ".pdf")
    printer = browsers.start(f"print-{page.name}", "--no-pdf-header-footer",
                             f"--print-to-pdf={pdf}", f"{base}/{page.name}?print")
    try:
        printer.wait(PRINT_DEADLINE)
    except subprocess.TimeoutExpired:
        return [f"{page.name}: Chromium did not print it within {PRINT_DEADLINE:.0f} s"]
    finally:
        browsers.stop(printer)
    if not pdf.is_file():
        return [f"{page.name}: Chromium printed nothing (exit code {printer.returncode})"]
    failures = []
    info = run(["pdfinfo", "-enc", "UTF-8", str(pdf)])
    title = next((line.split(":", 1)[1].strip() for line in info.splitlines()
                  if line.startswith("Title:")), None)
    if title != page.title:
        failures.append(f"{page.name}: title {title!r}, expected {page.title!r}")
    # With -layout, text side by side stays on one line: each line of the block must stand on a
    # line of its own, in order, with nothing else shown on the page.
    text = run(["pdftotext", "-layout", "-enc", "UTF-8", str(pdf), "-"])
    lines = [line.strip() for line in text.splitlines() if line.strip()]
    if lines != LINES:
        failures.append(f"{page.name}: printed lines {lines}, expected {LINES}")
    return failures


def check_reloads(browsers: Browsers, requests: Requests, base: str) -> list[str]:
    """Opens every page at once and watches the server for reloads."""
    paths = {page: f"/{page.name}?watch" for page in PAGES}
    for page in PAGES:
        browsers.start(f"watch-{page.name}", f"{base}{paths[page]}")
    started = time.monotonic()
    verdicts: dict[Page, tuple[bool, str]] = {}  # passed, what was seen
    while len(verdicts) < len(PAGES):
        now = time.monotonic()
        for page in PAGES:
            if page in verdicts:
                continue
            loads = requests.times(paths[page])
            if not loads:
                if now - started > FIRST_LOAD_DEADLINE:
                    verdicts[page] = (False, f"not loaded within {FIRST_LOAD_DEADLINE:.0f} s")
                continue
            first = loads[0]
            if len(loads) >= 2:
                gap = loads[1] - first
                ok = page.refresh > 0 and page.refresh - EARLY <= gap <= page.refresh + MARGIN
                verdicts[page] = (ok, f"reloaded after {gap:.2f} s")
            elif page.refresh > 0 and now - first > page.refresh + MARGIN:
                verdicts[page] = (False, f"not reloaded within {page.refresh + MARGIN:.1f} s")
            elif page.refresh == 0 and now - first > WATCH:
                verdicts[page] = (True, f"not reloaded within {WATCH:.1f} s")
        time.sleep(0.05)
    failures = []
    for page in PAGES:
        ok, seen = verdicts[page]
        print(f"browser_check: {page.name} (refresh {page.refresh or 'none'}): {seen}")
        if not ok:
            failures.append(f"{page.name}: {seen}")
    if failures:
        print("page loads in the open browsers:\n" + requests.report(started))
    return failures


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    missing = sorted({package for tool, package in TOOLS.items() if not shutil.which(tool)})
    if missing:
        print(f"browser_check: SKIPPED: {' and '.join(missing)} not installed "
              "(scripts/deps.sh installs them)")
        return SKIP
    # A test runner's SIGTERM still runs the clean-up below, so no browser outlives the check.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    build_dir = Path(sys.argv[1]).resolve()
    folder = Path(session_value(build_dir, "PELLUCOR_FTP_UNIX_ROOT")) / FOLDER
    absent = [page.name for page in PAGES if not (folder / page.name).is_file()]
    if absent:
        print(f"browser_check: FAIL: {', '.join(absent)} not in {folder} "
              "(browser_pages uploads them)")
        return 1

    work = build_dir / "browser-check"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    requests = Requests()
    server = serve(folder, requests)
    base = f"http://127.0.0.1:{server.server_address[1]}"
    browsers = Browsers(work)
    try:
        failures = []
        for page in PAGES:
            failures += check_printout(browsers, base, page)
        failures += check_reloads(browsers, requests, base)
    finally:
        browsers.stop_all()
        server.shutdown()
    for failure in failures:
        print(f"browser_check: FAIL: {failure}")
    if failures:
        print(f"browser_check: browser logs and PDFs in {work}")
        return 1
    print(f"browser_check: {len(PAGES)} pages shown as published")
    return 0


if __name__ == "__main__":
    sys.exit(main())
