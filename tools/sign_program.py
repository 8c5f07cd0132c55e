#!/usr/bin/env python3
"""Signs a Windows program with the publisher's certificate: Authenticode, SHA-256, by
osslsigncode. The PKCS#12 file comes as an argument, its password from the environment
(SORVANE_SIGN_PASSWORD) and reaches osslsigncode on its standard input, never on a command
line. With --time the signing time is fixed, so two builds sign the same bytes. On any
failure the output is removed, so no unsigned or half-written file is left in its place.

usage: sign_program.py --pfx <file.pfx> [--time <unix time>] <input> <output>
       sign_program.py --pfx <file.pfx> [--time <unix time>] --in-place <program>"""
import os
import shutil
import subprocess
import sys


def fail(message, *remove):
    for path in remove:
        try:
            os.remove(path)
        except FileNotFoundError:
            pass
    sys.stderr.write(f"sign_program.py: {message}\n")
    return 1


def parse(argv):
    opts = {"time": None, "in_place": False}
    rest = []
    args = iter(argv)
    for a in args:
        if a in ("--pfx", "--time"):
            opts[a[2:]] = next(args, None)
        elif a == "--in-place":
            opts["in_place"] = True
        else:
            rest.append(a)
    if not opts.get("pfx") or len(rest) != (1 if opts["in_place"] else 2):
        return None
    opts["input"] = rest[0]
    opts["output"] = rest[0] if opts["in_place"] else rest[1]
    return opts


def main(argv):
    opts = parse(argv[1:])
    if opts is None:
        sys.stderr.write(__doc__.split("\n\n", 1)[1] + "\n")
        return 2
    out, staged = opts["output"], opts["output"] + ".signing"
    # The output goes on failure, an unsigned program signed in place too: a build that
    # asked for signed programs gives signed ones or none.
    leftovers = (staged, out)
    tool = shutil.which("osslsigncode")
    if tool is None:
        return fail("osslsigncode is missing (Debian package osslsigncode)", *leftovers)
    if not os.path.isfile(opts["pfx"]):
        return fail(f"the certificate SORVANE_SIGN_PFX={opts['pfx']} is not a file", *leftovers)
    password = os.environ.get("SORVANE_SIGN_PASSWORD")
    if password is None:
        return fail("SORVANE_SIGN_PASSWORD is not set for the build; it is the password "
                    f"of {opts['pfx']}", *leftovers)
    command = [tool, "sign", "-pkcs12", opts["pfx"], "-readpass", "-", "-h", "sha256",
               "-in", opts["input"], "-out", staged]
    if opts["time"] is not None:
        if not opts["time"].isdigit():
            return fail(f"SORVANE_SIGN_TIME={opts['time']} is not a Unix time", *leftovers)
        command[-4:-4] = ["-time", opts["time"]]
    if os.path.exists(staged):
        os.remove(staged)
    run = subprocess.run(command, input=password.encode(), stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, check=False)
    if run.returncode != 0 or not os.path.isfile(staged):
        detail = run.stdout.decode(errors="replace").strip().replace("\n", "\n  ")
        return fail(f"signing {opts['input']} failed: the certificate {opts['pfx']} or its "
                    f"password (SORVANE_SIGN_PASSWORD) was not accepted, or the program "
                    f"cannot be signed.\n  {detail}", *leftovers)
    os.replace(staged, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
