#!/usr/bin/env python3
"""Figures of the service under bursts, for tools/server-bench.sh (figures,
not pass/fail). Usage: figures.py BASE VAR HELPER KIND
  registrations N   N parallel registrations, each from its own address
  guesses N         N parallel wrong passwords at one member from one address
  burst             ten members, 100 right-password scores, ten at a time
Prints one line of counts."""
import concurrent.futures
import glob
import http.client
import re
import subprocess
import sys
import time
import urllib.parse

base, var, helper, kind = sys.argv[1:5]
host, port = urllib.parse.urlsplit(base).hostname, urllib.parse.urlsplit(base).port


def request(method, path, body=None, headers=None):
    c = http.client.HTTPConnection(host, port, timeout=60)
    try:
        c.request(method, path, body, headers or {})
        r = c.getresponse()
        return r.status, r.read().decode("utf-8", "replace"), r.getheader("Set-Cookie", "")
    finally:
        c.close()


def join(email, nick, address):
    _, page, cookie = request("GET", "/registrera/", headers={"X-Forwarded-For": address})
    token = re.search(r'name="csrf" value="([0-9a-f]+)"', page).group(1)
    cookie = re.search(r"kortix_csrf=([0-9a-f]+)", cookie).group(1)
    body = urllib.parse.urlencode({"csrf": token, "email": email, "nick": nick, "password": "hemligt1",
                                   "password2": "hemligt1", "rules": "ja"})
    status, _, _ = request("POST", "/registrera/", body, {
        "Content-Type": "application/x-www-form-urlencoded", "Cookie": "kortix_csrf=" + cookie,
        "X-Forwarded-For": address})
    return status


def confirm(email):
    for name in glob.glob(var + "/outbox/*.eml"):
        mail = open(name, encoding="utf-8").read()
        link = re.search(r"/bekrafta/\?t=[0-9a-f]{64}", mail)
        if "To: <%s>" % email in mail and link:
            return request("GET", link.group(0))[0]
    return 0


def form(email, password, score):
    return subprocess.run([helper, "form", email, password, str(score)], capture_output=True, check=True).stdout


def post_score(body, address=None):
    headers = {"Content-Type": "application/x-www-form-urlencoded"}
    if address:
        headers["X-Forwarded-For"] = address
    return request("POST", "/r0002.asp", body, headers)[:2]


if kind == "registrations":
    n = int(sys.argv[5])
    start = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(n) as pool:
        statuses = list(pool.map(lambda i: join("reg%d@example.se" % i, "Reg %d" % i, "10.7.%d.%d" % (i // 250, i % 250 + 1)),
                                 range(n)))
    print("registrations: %d of %d answered 200 in %.2f s" % (statuses.count(200), n, time.monotonic() - start))
elif kind == "guesses":
    n = int(sys.argv[5])
    bodies = [form("bench@example.se", "gissning%d" % i, 5) for i in range(n)]
    with concurrent.futures.ThreadPoolExecutor(n) as pool:
        replies = list(pool.map(lambda b: post_score(b, "10.8.0.1"), bodies))
    verified = sum(1 for s, b in replies if s == 200 and b.startswith("3"))
    limited = sum(1 for s, _ in replies if s == 429)
    busy = sum(1 for s, _ in replies if s == 503)
    print("guesses: %d verified (goal <= 5 per quarter hour), %d limited, %d busy, of %d" % (verified, limited, busy, n))
elif kind == "burst":
    members = ["burst%d@example.se" % i for i in range(10)]
    for i, email in enumerate(members):
        join(email, "Burst %d" % i, "10.6.0.%d" % (i + 1))
        confirm(email)
    bodies = [form(members[k % 10], "hemligt1", 100 + k) for k in range(100)]
    start = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(10) as pool:
        replies = list(pool.map(post_score, bodies))
    accepted = sum(1 for s, b in replies if s == 200 and b[:1] in "01")
    slowest = time.monotonic() - start
    print("burst: %d of 100 accepted (goal 100), %d answered 503, all in %.2f s" %
          (accepted, sum(1 for s, _ in replies if s == 503), slowest))
